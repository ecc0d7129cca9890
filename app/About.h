// The about box.
#pragma once

#include "ui/controls.h"
#include "ui/dialog.h"

class TAboutBox : public ui::Form {
 public:
  TAboutBox();
  ui::Panel Panel1;
  ui::Image ProgramIcon;
  ui::Label ProductName;
  ui::Label Version;
  ui::Label Copyright;
  ui::Label Comments;
  ui::Button OKButton;
};
