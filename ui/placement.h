// Where a small dialog goes over the main window. Window-free so it can be
// tested on the host.
#pragma once

namespace ui {

struct Placement {
  bool setLeft = false;
  int left = 0;
  bool setTop = false;
  int top = 0;
};

// Centres a dialog of dialogWidth by dialogHeight over the main window's outer
// rectangle. A coordinate that would be negative falls back to the screen's
// centre; a result of 0 or less is not applied, so the dialog keeps its design
// value there. No check against the right or bottom screen edge.
Placement CenterOver(int mainLeft, int mainTop, int mainWidth, int mainHeight, int dialogWidth, int dialogHeight,
                     int screenWidth, int screenHeight);

}  // namespace ui
