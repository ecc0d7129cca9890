// Support for the platform's common controls that need more than reflected
// notifications: a base whose own messages pass through handleMessage (for
// mouse buttons and the pop-up menu), image lists, and the hourglass cursor.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "ui/handles.h"
#include "ui/menus.h"
#include "ui/window.h"

namespace ui {

struct ImageListTraits {
  static HIMAGELIST invalid() { return nullptr; }
  static void close(HIMAGELIST h) { ImageList_Destroy(h); }
};
using ImageList = Unique<HIMAGELIST, ImageListTraits>;

// Images `width` pixels wide, side by side in a bitmap resource; pixels of
// the `transparent` colour show the background.
ImageList LoadImageList(const char* resource, int width, COLORREF transparent);

// The hourglass from construction to scope end, then the arrow again.
class WaitCursor {
 public:
  WaitCursor() { SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  ~WaitCursor() { SetCursor(LoadCursorA(nullptr, IDC_ARROW)); }
};

enum class MouseButton { Left, Right, Middle };

// A standard control whose window procedure is subclassed: its messages reach
// handleMessage first, and what that leaves goes on to the control's class
// procedure. The pop-up menu, when set, opens on WM_CONTEXTMENU.
class CommonControl : public Window {
 public:
  MenuBar* popupMenu = nullptr;

 protected:
  explicit CommonControl(Window& parent) : Window(&parent) {}
  void createControl(DWORD exStyle, const char* className, DWORD style, const Rect& r);
  LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool reflectNotify(NMHDR* header, LRESULT* result) override;
  // The control's own handling of a message.
  LRESULT classHandling(UINT msg, WPARAM wp, LPARAM lp);
  // Where the menu opens for the keyboard's context-menu key, in screen pixels.
  virtual POINT keyboardMenuPoint();

 private:
  static LRESULT CALLBACK Hook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

}  // namespace ui
