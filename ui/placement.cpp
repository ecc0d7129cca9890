#include "ui/placement.h"

namespace ui {

Placement CenterOver(int mainLeft, int mainTop, int mainWidth, int mainHeight, int dialogWidth, int dialogHeight,
                     int screenWidth, int screenHeight) {
  // "Half" rounds toward zero, which is what C++ integer division does.
  int x = (mainWidth - dialogWidth) / 2 + mainLeft;
  if (x < 0) x = (screenWidth - dialogWidth) / 2;
  int y = (mainHeight - dialogHeight) / 2 + mainTop;
  if (y < 0) y = (screenHeight - dialogHeight) / 2;
  Placement p;
  p.setLeft = x > 0;
  p.left = x;
  p.setTop = y > 0;
  p.top = y;
  return p;
}

}  // namespace ui
