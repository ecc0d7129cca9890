// Dialog and control identifiers of the provider's two windows.
#pragma once

#define IDD_COMPOSE 100
#define IDC_TO 101
#define IDC_CC 102
#define IDC_SUBJECT 103
#define IDC_NOTE 104
#define IDC_FILES 105

#define IDD_LOGON 200
#define IDC_LOOKED 201
#define IDC_FOLDER 202
