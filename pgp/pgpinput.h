// The pass-phrase dialog.
#pragma once

#include <string>

#include "ui/controls.h"
#include "ui/dialog.h"

class TPgpInputFrm : public ui::Form {
 public:
  TPgpInputFrm();
  ui::Label Label1;
  ui::Edit Edit1;
  ui::Button Button1;
  ui::Button Button2;
};

// Asks for the pass phrase. True on OK, with `passPhrase` set to exactly what
// was typed (empty included); false on Cancel, Escape or the close box,
// leaving `passPhrase` untouched.
bool AskPassPhrase(std::string& passPhrase);
