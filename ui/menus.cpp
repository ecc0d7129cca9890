#include "ui/menus.h"

#include "ui/errors.h"
#include "ui/window.h"

namespace ui {

std::string ShortCut::text() const {
  std::string s;
  if (ctrl) s += "Ctrl+";
  if (shift) s += "Shift+";
  if (alt) s += "Alt+";
  if (vk >= VK_F1 && vk <= VK_F24) {
    s += "F" + std::to_string(vk - VK_F1 + 1);
  } else {
    s += static_cast<char>(vk);
  }
  return s;
}

MenuBar::MenuBar(bool popup) : popup_(popup) {}

MenuBar::~MenuBar() {
  if (menu_ && !(window_ && IsWindow(window_) && GetMenu(window_) == menu_)) DestroyMenu(menu_);
}

MenuItem& MenuBar::addRow(int level, const char* name, const char* caption, ShortCut key, const char* hint) {
  MenuItem* parent = &root_;
  for (int i = 0; i < level; ++i) {
    if (parent->items.empty()) throw Error("menu table: entry without a parent");
    parent = parent->items.back().get();
  }
  auto item = std::make_unique<MenuItem>();
  item->name = name;
  item->caption = caption;
  item->shortcut = key;
  item->hint = hint;
  item->parent = parent;
  item->id = nextId_++;
  parent->items.push_back(std::move(item));
  return *parent->items.back();
}

MenuItem* MenuBar::find(MenuItem& from, const std::function<bool(const MenuItem&)>& pred) {
  for (auto& child : from.items) {
    if (pred(*child)) return child.get();
    if (MenuItem* found = find(*child, pred)) return found;
  }
  return nullptr;
}

MenuItem& MenuBar::item(std::string_view name) {
  MenuItem* found = find(root_, [&](const MenuItem& m) { return m.name == name; });
  if (!found) throw Error("No menu entry " + std::string(name));
  return *found;
}

void MenuBar::setChecked(std::string_view name, bool checked) {
  MenuItem& m = item(name);
  m.checked = checked;
  if (menu_) CheckMenuItem(menu_, m.id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void MenuBar::setVisible(std::string_view name, bool visible) {
  MenuItem& m = item(name);
  if (m.visible == visible) return;
  m.visible = visible;
  rebuild();
}

void MenuBar::fill(HMENU menu, MenuItem& parent) {
  for (auto& child : parent.items) {
    child->submenu = nullptr;
    if (!child->visible) continue;
    if (child->caption == "-") {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::string text = child->caption;
    // A menu bar title shows no key; its key still works (handleShortcut).
    if (child->shortcut && !(&parent == &root_ && !popup_)) text += "\t" + child->shortcut.text();
    UINT flags = MF_STRING | (child->checked ? MF_CHECKED : 0) | (child->enabled ? 0 : MF_GRAYED);
    if (!child->items.empty()) {
      child->submenu = CreatePopupMenu();
      fill(child->submenu, *child);
      AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(child->submenu), text.c_str());
    } else {
      AppendMenuA(menu, flags, child->id, text.c_str());
    }
  }
}

void MenuBar::rebuild() {
  HMENU fresh = popup_ ? CreatePopupMenu() : CreateMenu();
  fill(fresh, root_);
  HMENU old = menu_;
  menu_ = fresh;
  if (window_) {
    SetMenu(window_, menu_);
    DrawMenuBar(window_);
  }
  if (old) DestroyMenu(old);
}

void MenuBar::attachTo(HWND window) {
  window_ = window;
  SetMenu(window_, menu_);
}

void MenuBar::popup(HWND owner, int x, int y) {
  UINT id = static_cast<UINT>(
      TrackPopupMenu(menu_, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr));
  if (id) handleCommand(static_cast<int>(id));
}

bool MenuBar::handleShortcut(UINT vk) {
  ShortCut pressed{vk, (GetKeyState(VK_CONTROL) & 0x8000) != 0, (GetKeyState(VK_SHIFT) & 0x8000) != 0,
                   (GetKeyState(VK_MENU) & 0x8000) != 0};
  MenuItem* hit = find(root_, [&](const MenuItem& m) { return m.visible && m.shortcut == pressed; });
  if (!hit) return false;
  if (hit->enabled && hit->onClick) hit->onClick();
  return true;
}

bool MenuBar::handleCommand(int id) {
  MenuItem* hit = find(root_, [&](const MenuItem& m) { return static_cast<int>(m.id) == id; });
  if (!hit) return false;
  if (hit->onClick) hit->onClick();
  return true;
}

void MenuBar::handleSelect(UINT idOrIndex, UINT flags, HMENU menu) {
  if (flags == 0xFFFF && !menu) {
    Application::Get().setHint("");
    return;
  }
  MenuItem* hit = nullptr;
  if (flags & MF_POPUP) {
    HMENU sub = GetSubMenu(menu, static_cast<int>(idOrIndex));
    hit = find(root_, [&](const MenuItem& m) { return sub && m.submenu == sub; });
  } else {
    hit = find(root_, [&](const MenuItem& m) { return m.id == idOrIndex; });
  }
  Application::Get().setHint(hit ? LongHint(hit->hint) : std::string());
}

}  // namespace ui
