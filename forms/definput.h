// A generic one-line input dialog: callers set the caption and the label's
// text and read the edit's text after OK.
#pragma once

#include "ui/controls.h"
#include "ui/dialog.h"

class TDefInputFrm : public ui::Form {
 public:
  TDefInputFrm();
  ui::Label Label1;
  ui::Edit Edit1;
  ui::Button Button1;
  ui::Button Button2;
};
