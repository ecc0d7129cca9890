// Where a small dialog goes over the main window, and where stored window
// bounds may put a window. Window-free so it can be tested on the host.
#pragma once

namespace ui {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

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

// Stored bounds made safe to apply on a work area of the given origin and
// size: no larger than the work area, the caption never above its top, and at
// least kVisible pixels of the window left inside it, so the window can be
// reached and moved. Bounds that already meet that, partly beyond the left
// edge included, are kept as they are. Any int values are accepted (a stored
// value may be anything), with no overflow.
constexpr int kVisible = 32;
Rect ClampToWorkArea(Rect stored, Rect workArea);

}  // namespace ui
