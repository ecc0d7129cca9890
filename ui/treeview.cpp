#include "ui/treeview.h"

#include "ui/codepage.h"

namespace ui {

TreeView::TreeView(Window& parent, const Args& args)
    : CommonControl(parent), onExpanding(args.onExpanding), onChange(args.onChange), onMouseDown(args.onMouseDown) {
  align = args.align;
  createControl(WS_EX_CLIENTEDGE, WC_TREEVIEWA,
                WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                    TVS_SHOWSELALWAYS | (args.readOnly ? 0 : TVS_EDITLABELS),
                args.bounds);
  if (args.indent > 0) SendMessageA(handle(), TVM_SETINDENT, static_cast<WPARAM>(args.indent), 0);
}

void TreeView::setImages(HIMAGELIST images) {
  SendMessageA(handle(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
}

TreeNode TreeView::add(TreeNode parent, std::string_view text, int image, int selectedImage) {
  std::string s(text);
  TVINSERTSTRUCTA ins{};
  ins.hParent = parent ? parent : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  ins.item.pszText = s.data();
  ins.item.iImage = image;
  ins.item.iSelectedImage = selectedImage;
  return reinterpret_cast<TreeNode>(SendMessageA(handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

void TreeView::remove(TreeNode node) { SendMessageA(handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node)); }

void TreeView::clear() { remove(TVI_ROOT); }

// Read as UTF-16, whose units a name's length limit counts: in UTF-8 a long
// name of another script takes two or three times as many bytes, and an ANSI
// buffer sized by that limit would cut it.
std::string TreeView::text(TreeNode node) const {
  wchar_t buffer[MAX_PATH + 64] = L"";
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = buffer;
  item.cchTextMax = MAX_PATH + 64;
  SendMessageW(handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return Narrow(buffer);
}

TreeNode TreeView::parentOf(TreeNode node) const {
  return reinterpret_cast<TreeNode>(
      SendMessageA(handle(), TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(node)));
}

std::vector<TreeNode> TreeView::children(TreeNode node) const {
  std::vector<TreeNode> all;
  auto next = [this](UINT how, TreeNode from) {
    return reinterpret_cast<TreeNode>(SendMessageA(handle(), TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
  };
  for (TreeNode n = node ? next(TVGN_CHILD, node) : next(TVGN_ROOT, nullptr); n; n = next(TVGN_NEXT, n)) {
    all.push_back(n);
  }
  return all;
}

bool TreeView::hasChildren(TreeNode node) const {
  return SendMessageA(handle(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(node)) != 0;
}

std::vector<TreeNode> TreeView::allNodes() const {
  std::vector<TreeNode> all;
  std::function<void(TreeNode)> walk = [&](TreeNode parent) {
    for (TreeNode n : children(parent)) {
      all.push_back(n);
      walk(n);
    }
  };
  walk(nullptr);
  return all;
}

bool TreeView::expand(TreeNode node) {
  return SendMessageA(handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node)) != 0;
}

bool TreeView::expanded(TreeNode node) const {
  return (SendMessageA(handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

TreeNode TreeView::selected() const {
  return reinterpret_cast<TreeNode>(SendMessageA(handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void TreeView::select(TreeNode node) {
  SendMessageA(handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
}

TreeNode TreeView::nodeAt(int x, int y) const {
  TVHITTESTINFO hit{};
  hit.pt = {x, y};
  SendMessageA(handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  return (hit.flags & TVHT_ONITEM) ? hit.hItem : nullptr;
}

bool TreeView::reflectNotify(NMHDR* header, LRESULT* result) {
  switch (header->code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
      auto* tv = reinterpret_cast<NMTREEVIEWA*>(header);
      if (!(tv->action & TVE_EXPAND) || !onExpanding) return false;
      bool allow = true;
      onExpanding(tv->itemNew.hItem, allow);
      *result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
      if (onChange) onChange(reinterpret_cast<NMTREEVIEWA*>(header)->itemNew.hItem);
      return true;
    default:
      return CommonControl::reflectNotify(header, result);
  }
}

LRESULT TreeView::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if ((msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) && onMouseDown) {
    MouseButton button = msg == WM_LBUTTONDOWN   ? MouseButton::Left
                         : msg == WM_RBUTTONDOWN ? MouseButton::Right
                                                 : MouseButton::Middle;
    onMouseDown(button, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
  }
  return CommonControl::handleMessage(msg, wp, lp);
}

POINT TreeView::keyboardMenuPoint() {
  RECT r{};
  TreeNode node = selected();
  if (node && TreeView_GetItemRect(handle(), node, &r, TRUE)) {
    POINT pt{r.left, r.bottom};
    ClientToScreen(handle(), &pt);
    return pt;
  }
  return CommonControl::keyboardMenuPoint();
}

}  // namespace ui
