#include "ui/listview.h"

#include "ui/codepage.h"

namespace ui {

namespace {

DWORD StyleOf(ViewStyle view) {
  switch (view) {
    case ViewStyle::SmallIcon:
      return LVS_SMALLICON;
    case ViewStyle::List:
      return LVS_LIST;
    case ViewStyle::Report:
      return LVS_REPORT;
    default:
      return LVS_ICON;
  }
}

}  // namespace

ListView::ListView(Window& parent, const Args& args) : CommonControl(parent) {
  align = args.align;
  createControl(WS_EX_CLIENTEDGE, WC_LISTVIEWA,
                WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP | LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE |
                    StyleOf(args.view) | (args.multiSelect ? 0 : LVS_SINGLESEL) | (args.readOnly ? 0 : LVS_EDITLABELS),
                args.bounds);
}

void ListView::setImages(HIMAGELIST small, HIMAGELIST large) {
  SendMessageA(handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
  SendMessageA(handle(), LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
}

void ListView::setView(ViewStyle view) {
  LONG style = GetWindowLongA(handle(), GWL_STYLE);
  SetWindowLongA(handle(), GWL_STYLE, static_cast<LONG>((style & ~LVS_TYPEMASK) | StyleOf(view)));
  SendMessageA(handle(), LVM_ARRANGE, LVA_DEFAULT, 0);
}

int ListView::add(std::string_view caption, int image) {
  std::string s(caption);
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = count();
  item.pszText = s.data();
  item.iImage = image;
  return static_cast<int>(SendMessageA(handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::clear() { SendMessageA(handle(), LVM_DELETEALLITEMS, 0, 0); }

int ListView::count() const { return static_cast<int>(SendMessageA(handle(), LVM_GETITEMCOUNT, 0, 0)); }

// Read as UTF-16, whose units a name's length limit counts (see
// TreeView::text).
std::string ListView::caption(int index) const {
  wchar_t buffer[MAX_PATH + 64] = L"";
  LVITEMW item{};
  item.iSubItem = 0;
  item.pszText = buffer;
  item.cchTextMax = MAX_PATH + 64;
  SendMessageW(handle(), LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return Narrow(buffer);
}

int ListView::image(int index) const {
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = index;
  SendMessageA(handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

bool ListView::isSelected(int index) const {
  return SendMessageA(handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) != 0;
}

void ListView::setSelected(int index, bool selected) {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageA(handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

}  // namespace ui
