// Main and pop-up menus built from tables, with shortcuts, check marks,
// hiding and hints.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct ShortCut {
  UINT vk = 0;
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
  explicit operator bool() const { return vk != 0; }
  bool operator==(const ShortCut&) const = default;
  std::string text() const;  // "Ctrl+O", "F2"
};

constexpr ShortCut Ctrl(char letter) { return {static_cast<UINT>(letter), true, false, false}; }
constexpr ShortCut Key(UINT vk) { return {vk, false, false, false}; }

class MenuItem {
 public:
  std::string name;
  std::string caption;  // "-" is a separator
  ShortCut shortcut;
  std::string hint;
  std::function<void()> onClick;
  bool checked = false;
  bool visible = true;
  bool enabled = true;
  MenuItem* parent = nullptr;
  std::vector<std::unique_ptr<MenuItem>> items;
  UINT id = 0;
  HMENU submenu = nullptr;
};

// One row of a menu table: level 0 entries are the menu bar's titles (or the
// pop-up's entries), level 1 their entries, and so on.
template <class Owner>
struct MenuRow {
  int level;
  const char* name;
  const char* caption;
  ShortCut key;
  const char* hint;
  void (Owner::*handler)();
};

class MenuBar {
 public:
  explicit MenuBar(bool popup);
  MenuBar(const MenuBar&) = delete;
  MenuBar& operator=(const MenuBar&) = delete;
  ~MenuBar();

  template <class Owner, size_t N>
  void build(Owner* owner, const MenuRow<Owner> (&rows)[N]) {
    for (const auto& row : rows) {
      MenuItem& item = addRow(row.level, row.name, row.caption, row.key, row.hint ? row.hint : "");
      if (row.handler) {
        auto handler = row.handler;
        item.onClick = [owner, handler] { (owner->*handler)(); };
      }
    }
    rebuild();
  }

  // The entry of that design name; throws when there is none.
  MenuItem& item(std::string_view name);
  void setChecked(std::string_view name, bool checked);
  void setVisible(std::string_view name, bool visible);

  HMENU handle() const { return menu_; }
  // Makes this the menu bar of `window`.
  void attachTo(HWND window);
  // Shows the pop-up menu at a screen position and runs the chosen entry.
  void popup(HWND owner, int x, int y);

  // Runs the entry of a key: the first entry carrying it, searching depth
  // first in display order, a menu's title before its entries. True when an
  // entry took the key, even one without a command of its own.
  bool handleShortcut(UINT vk);
  bool handleCommand(int id);
  // WM_MENUSELECT: the highlighted entry's hint becomes the current hint.
  void handleSelect(UINT idOrIndex, UINT flags, HMENU menu);

 private:
  MenuItem& addRow(int level, const char* name, const char* caption, ShortCut key, const char* hint);
  void rebuild();
  void fill(HMENU menu, MenuItem& parent);
  MenuItem* find(MenuItem& from, const std::function<bool(const MenuItem&)>& pred);
  bool popup_;
  MenuItem root_;
  HMENU menu_ = nullptr;
  HWND window_ = nullptr;
  // Menu ids lie above the controls' ids (from 1001) and below 65536, since a
  // WM_COMMAND carries the id in its low word.
  static constexpr UINT kFirstId = 40000;
  UINT nextId_ = kFirstId;
};

}  // namespace ui
