// The platform's tree view (SysTreeView32) as a control object. Nodes are the
// control's item handles; a null node stands for the top level.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/commonctl.h"

namespace ui {

using TreeNode = HTREEITEM;

class TreeView : public CommonControl {
 public:
  struct Args {
    Rect bounds;
    Align align = Align::None;
    int indent = 0;  // 0: the control's own
    bool readOnly = true;
    // Events, given here so that a derived control can chain its own to them.
    std::function<void(TreeNode node, bool& allow)> onExpanding;
    std::function<void(TreeNode node)> onChange;
    std::function<void(MouseButton button, int x, int y)> onMouseDown;
  };
  TreeView(Window& parent, const Args& args);

  // Before a node opens (the first time, or by the user); clearing `allow`
  // keeps it closed.
  std::function<void(TreeNode node, bool& allow)> onExpanding;
  // After the selection moved to `node`.
  std::function<void(TreeNode node)> onChange;
  // A mouse button went down at client pixels x, y, before the control's own handling.
  std::function<void(MouseButton button, int x, int y)> onMouseDown;

  void setImages(HIMAGELIST images);
  // Adds a node at the end of `parent`'s children (null: of the top level).
  TreeNode add(TreeNode parent, std::string_view text, int image, int selectedImage);
  void remove(TreeNode node);
  void clear();
  std::string text(TreeNode node) const;
  TreeNode parentOf(TreeNode node) const;
  // The children of `node` in order (null: the top level).
  std::vector<TreeNode> children(TreeNode node) const;
  bool hasChildren(TreeNode node) const;
  // Every node, each before its children: the order of the control's index.
  std::vector<TreeNode> allNodes() const;
  // Opens the node; the control asks onExpanding only the first time.
  bool expand(TreeNode node);
  bool expanded(TreeNode node) const;
  TreeNode selected() const;
  void select(TreeNode node);
  // The node at client pixels x, y, or null.
  TreeNode nodeAt(int x, int y) const;

 protected:
  bool reflectNotify(NMHDR* header, LRESULT* result) override;
  LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  POINT keyboardMenuPoint() override;
};

}  // namespace ui
