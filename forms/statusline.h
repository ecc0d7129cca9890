// The main window's status line, as handed to a long command.
#pragma once

#include <string>

#include "ui/controls.h"

// Where a long command says what it is doing: a status line panel (none
// leaves the screen alone) and the text it shows again afterwards.
struct StatusLine {
  ui::Panel* panel = nullptr;
  std::string restoreText;
  void show(const std::string& text) const;
};
