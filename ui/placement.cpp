#include "ui/placement.h"

#include <algorithm>
#include <cstdint>

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

namespace {

// `value` within [low, high], in 64 bits so that no sum of stored values overflows.
int Clamp(int64_t value, int64_t low, int64_t high) { return static_cast<int>(std::max(low, std::min(value, high))); }

}  // namespace

Rect ClampToWorkArea(Rect stored, Rect workArea) {
  const int64_t areaLeft = workArea.left, areaTop = workArea.top;
  const int64_t areaWidth = std::max(workArea.width, kVisible), areaHeight = std::max(workArea.height, kVisible);
  Rect b;
  b.width = Clamp(stored.width, kVisible, areaWidth);
  b.height = Clamp(stored.height, kVisible, areaHeight);
  b.left = Clamp(stored.left, areaLeft - b.width + kVisible, areaLeft + areaWidth - kVisible);
  b.top = Clamp(stored.top, areaTop, areaTop + areaHeight - kVisible);
  return b;
}

}  // namespace ui
