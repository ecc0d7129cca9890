// The program's message boxes: centred on the screen, captioned by their
// kind, with the kind's icon. Enter chooses OK, or Yes where there is no OK;
// Escape chooses Cancel, or No where there is no Cancel, or else OK. Built on
// our own form because the platform's box lets Escape close a Yes/No box.
#pragma once

#include <string_view>

#include "ui/dialog.h"

namespace ui {

enum class MsgKind { Warning, Error, Information, Confirm };

enum MsgButtons : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };

ModalResult MessageDlg(std::string_view text, MsgKind kind, unsigned buttons);

inline void ErrorBox(std::string_view text) { MessageDlg(text, MsgKind::Error, mbOK); }
inline void InfoBox(std::string_view text) { MessageDlg(text, MsgKind::Information, mbOK); }
inline void WarningBox(std::string_view text) { MessageDlg(text, MsgKind::Warning, mbOK); }

// The application's default error box: stop icon, OK, the application title
// as caption, the error's text followed by a full stop.
void ShowDefaultError(std::string_view text);

}  // namespace ui
