// Move-only owners of Win32 handles: each handle has exactly one owner that
// releases it.
#pragma once

#include <windows.h>

#include <utility>

namespace ui {

template <class H, class Traits>
class Unique {
 public:
  Unique() = default;
  explicit Unique(H h) : h_(h) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
  Unique& operator=(Unique&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Traits::invalid()));
    return *this;
  }
  ~Unique() { reset(); }
  H get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::invalid(); }
  H release() { return std::exchange(h_, Traits::invalid()); }
  void reset(H h = Traits::invalid()) {
    if (h_ != Traits::invalid()) Traits::close(h_);
    h_ = h;
  }

 private:
  H h_ = Traits::invalid();
};

template <class H>
struct GdiOf {
  static H invalid() { return nullptr; }
  static void close(H h) { DeleteObject(h); }
};
struct WindowTraits {
  static HWND invalid() { return nullptr; }
  static void close(HWND h) { DestroyWindow(h); }
};
struct ModuleTraits {
  static HMODULE invalid() { return nullptr; }
  static void close(HMODULE h) { FreeLibrary(h); }
};
struct KernelTraits {
  static HANDLE invalid() { return nullptr; }
  static void close(HANDLE h) { CloseHandle(h); }
};
struct FindTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { FindClose(h); }
};
struct ChangeTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { FindCloseChangeNotification(h); }
};
struct KeyTraits {
  static HKEY invalid() { return nullptr; }
  static void close(HKEY h) { RegCloseKey(h); }
};
struct IconTraits {
  static HICON invalid() { return nullptr; }
  static void close(HICON h) { DestroyIcon(h); }
};
struct DcTraits {
  static HDC invalid() { return nullptr; }
  static void close(HDC h) { DeleteDC(h); }
};
struct MenuTraits {
  static HMENU invalid() { return nullptr; }
  static void close(HMENU h) { DestroyMenu(h); }
};

using Font = Unique<HFONT, GdiOf<HFONT>>;
using Bitmap = Unique<HBITMAP, GdiOf<HBITMAP>>;
using Brush = Unique<HBRUSH, GdiOf<HBRUSH>>;
// A kernel handle (file, process, thread, event). Calls report failure as
// null or as INVALID_HANDLE_VALUE; both are held as null, so `if (!h)` tests
// either.
class Handle : public Unique<HANDLE, KernelTraits> {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : Unique(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
};
using FindHandle = Unique<HANDLE, FindTraits>;
// A folder change notification (FindFirstChangeNotification).
using ChangeWatch = Unique<HANDLE, ChangeTraits>;
using RegKey = Unique<HKEY, KeyTraits>;
using Icon = Unique<HICON, IconTraits>;
using Menu = Unique<HMENU, MenuTraits>;
using Module = Unique<HMODULE, ModuleTraits>;
// A window no Window object stands for any more.
using OwnedWindow = Unique<HWND, WindowTraits>;
// A device context made by CreateDC or CreateCompatibleDC (printer, memory).
using Dc = Unique<HDC, DcTraits>;

// A window's device context from GetDC, released at scope end.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint and EndPaint around one WM_PAINT.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &ps_)) {}
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  ~PaintScope() { EndPaint(window_, &ps_); }
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// Selects a GDI object into a device context for one scope.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;
  ~SelectObjectScope() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace ui
