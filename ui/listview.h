// The platform's list view (SysListView32) as a control object: items with a
// caption and a picture, in insertion order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/commonctl.h"

namespace ui {

enum class ViewStyle { Icon, SmallIcon, List, Report };

class ListView : public CommonControl {
 public:
  struct Args {
    Rect bounds;
    Align align = Align::None;
    ViewStyle view = ViewStyle::Icon;
    bool multiSelect = false;
    bool readOnly = true;
  };
  ListView(Window& parent, const Args& args);

  // The image lists stay the caller's.
  void setImages(HIMAGELIST small, HIMAGELIST large);
  void setView(ViewStyle view);
  // Adds an item at the end; returns its index.
  int add(std::string_view caption, int image);
  void clear();
  int count() const;
  std::string caption(int index) const;
  int image(int index) const;
  bool isSelected(int index) const;
  void setSelected(int index, bool selected);
};

}  // namespace ui
