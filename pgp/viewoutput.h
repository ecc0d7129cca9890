// The read-only viewer of PGP's standard output.
#pragma once

#include <string>

#include "ui/controls.h"
#include "ui/dialog.h"

class TViewOutputFrm : public ui::Form {
 public:
  TViewOutputFrm();
  ui::Panel Panel1;
  ui::Button Button1;
  ui::RichEdit Memo1;
};

// Shows the file's text modally until the user closes the viewer. A file
// that cannot be read throws ui::Error with the file error's text.
void ViewPgpOutput(const std::string& file);
