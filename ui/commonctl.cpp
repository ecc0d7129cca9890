#include "ui/commonctl.h"

#include "ui/controls.h"

namespace ui {

ImageList LoadImageList(const char* resource, int width, COLORREF transparent) {
  return ImageList(ImageList_LoadImageA(GetModuleHandleA(nullptr), resource, width, 0, transparent, IMAGE_BITMAP,
                                        LR_CREATEDIBSECTION));
}

void CommonControl::createControl(DWORD exStyle, const char* className, DWORD style, const Rect& r) {
  create(exStyle, className, "", style, r, parent()->handle(),
         reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId())));
  SetWindowLongPtrA(handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CommonControl::Hook));
}

// The class procedure is the one the control had before the hook; using it
// needs no per-window state, so messages after the object is gone (while its
// window is destroyed) still reach the control.
LRESULT CALLBACK CommonControl::Hook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = dynamic_cast<CommonControl*>(FromHandle(hwnd));
  if (!self) {
    return CallWindowProcA(reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC)), hwnd, msg, wp, lp);
  }
  try {
    return self->handleMessage(msg, wp, lp);
  } catch (...) {
    Application::Get().handleException(std::current_exception());
    return 0;
  }
}

LRESULT CommonControl::classHandling(UINT msg, WPARAM wp, LPARAM lp) {
  return CallWindowProcA(reinterpret_cast<WNDPROC>(GetClassLongPtrA(handle(), GCLP_WNDPROC)), handle(), msg, wp, lp);
}

POINT CommonControl::keyboardMenuPoint() {
  RECT r;
  GetWindowRect(handle(), &r);
  return {r.left + 8, r.top + 8};
}

// A right click ends in NM_RCLICK; Wine's tree view sends no WM_CONTEXTMENU
// after it, so the menu opens here, and the click counts as handled.
bool CommonControl::reflectNotify(NMHDR* header, LRESULT* result) {
  if (header->code != static_cast<UINT>(NM_RCLICK) || !popupMenu) return false;
  DWORD pos = GetMessagePos();
  popupMenu->popup(handle(), static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos)));
  *result = TRUE;
  return true;
}

LRESULT CommonControl::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CONTEXTMENU && popupMenu) {
    POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (pt.x == -1 && pt.y == -1) pt = keyboardMenuPoint();
    popupMenu->popup(handle(), pt.x, pt.y);
    return 0;
  }
  return classHandling(msg, wp, lp);
}

}  // namespace ui
