// The modal directory chooser.
#pragma once

#include <string>

#include "dirbrowse/dirtree.h"
#include "ui/controls.h"
#include "ui/dialog.h"

class TChdirFrm : public ui::Form {
 public:
  TChdirFrm();
  ui::Panel Panel2;
  ui::Panel Panel4;
  TDirTree DirTree1;
  ui::Panel Panel3;
  ui::Button Button1;
  ui::Button Button2;
};

// Shows the chooser with `caption` and `initial` selected (when not empty).
// On OK the selected folder's path without a trailing backslash (two
// characters for a drive, empty when nothing was selected); otherwise
// `initial` unchanged.
std::string ChooseDirectory(const std::string& initial, const std::string& caption);
