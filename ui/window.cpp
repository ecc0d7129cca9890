#include "ui/window.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "ui/codepage.h"
#include "ui/dialog.h"
#include "ui/errors.h"
#include "ui/msgbox.h"

namespace ui {

std::string ShortHint(std::string_view hint) {
  auto bar = hint.find('|');
  return std::string(bar == std::string_view::npos ? hint : hint.substr(0, bar));
}

std::string LongHint(std::string_view hint) {
  auto bar = hint.find('|');
  return std::string(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

Rect WorkArea() {
  RECT r{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0))
    r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Window::Window(Window* parent) : parent_(parent) {
  if (parent_) parent_->children_.push_back(this);
}

Window::~Window() {
  if (parent_) std::erase(parent_->children_, this);
  for (Window* child : children_) child->parent_ = nullptr;
  destroyHandle();
}

void Window::destroyHandle() {
  if (!hwnd_) return;
  HWND h = std::exchange(hwnd_, nullptr);
  if (GetWindowLongPtrA(h, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this)) {
    SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    DestroyWindow(h);
  }
}

std::string Window::longHint() const {
  const Window* w = this;
  while (w && w->hint.empty()) w = w->parent();
  return w ? LongHint(w->hint) : std::string();
}

Window* Window::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto* w = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (w && w->magic_ == kMagic && w->hwnd_ == hwnd) return w;
  return nullptr;
}

const char* Window::OwnClass(const char* name, UINT style, int background, HCURSOR cursor) {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc)) return name;
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = &Window::Dispatch;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = cursor ? cursor : LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = background >= 0 ? reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1)) : nullptr;
  wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
  wc.lpszClassName = name;
  if (!RegisterClassExA(&wc)) throw Error("Cannot register window class");
  return name;
}

void Window::create(DWORD exStyle, const char* className, std::string_view text, DWORD style, const Rect& r,
                    HWND parentOrOwner, HMENU menuOrId) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  ownClass_ = GetClassInfoExA(GetModuleHandleA(nullptr), className, &wc) && wc.lpfnWndProc == &Window::Dispatch;
  std::string caption(text);
  HWND h = CreateWindowExA(exStyle, className, caption.c_str(), style, r.left, r.top, r.width, r.height, parentOrOwner,
                           menuOrId, GetModuleHandleA(nullptr), this);
  if (!h) throw Error("Cannot create window of class " + std::string(className));
  if (!ownClass_) attach(h);
  if (parent_ && parent_->font()) setFont(parent_->font());
}

OwnedWindow Window::releaseHandle() {
  HWND h = std::exchange(hwnd_, nullptr);
  if (h && GetWindowLongPtrA(h, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this))
    SetWindowLongPtrA(h, GWLP_USERDATA, 0);
  return OwnedWindow(h);
}

void Window::attach(HWND hwnd) {
  hwnd_ = hwnd;
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK Window::Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    if (self) self->attach(hwnd);
  } else {
    self = FromHandle(hwnd);
  }
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  try {
    if (msg == WM_COMMAND && lp) {
      Window* child = FromHandle(reinterpret_cast<HWND>(lp));
      if (child && child != self && child->reflectCommand(HIWORD(wp))) return 0;
    } else if (msg == WM_NOTIFY) {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      Window* child = FromHandle(header->hwndFrom);
      LRESULT result = 0;
      if (child && child != self && child->reflectNotify(header, &result)) return result;
    }
    LRESULT result = self->handleMessage(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  } catch (...) {
    Application::Get().handleException(std::current_exception());
    return 0;
  }
}

LRESULT Window::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SIZE) realign();
  return defaultHandling(msg, wp, lp);
}

LRESULT Window::defaultHandling(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(hwnd_, msg, wp, lp); }

void Window::realign() {
  if (!hwnd_) return;
  RECT rc;
  GetClientRect(hwnd_, &rc);
  for (Align pass : {Align::Top, Align::Bottom, Align::Client}) {
    for (Window* child : children_) {
      if (child->align != pass || !child->hwnd_ || !child->visible()) continue;
      Rect r = child->bounds();
      switch (pass) {
        case Align::Top:
          child->setBounds({rc.left, rc.top, rc.right - rc.left, r.height});
          rc.top += r.height;
          break;
        case Align::Bottom:
          child->setBounds({rc.left, rc.bottom - r.height, rc.right - rc.left, r.height});
          rc.bottom -= r.height;
          break;
        default:
          child->setBounds({rc.left, rc.top, rc.right - rc.left, std::max(0L, rc.bottom - rc.top)});
          break;
      }
    }
  }
}

// Read as UTF-16: an ANSI length query is answered in UTF-16 units by some
// classes under a UTF-8 code page, and a buffer of that size cuts the text.
std::string Window::text() const {
  int n = GetWindowTextLengthW(hwnd_);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(hwnd_, s.data(), n + 1);
  s.resize(static_cast<size_t>(std::max(n, 0)));
  return Narrow(s);
}

void Window::setText(std::string_view text) { SetWindowTextA(hwnd_, std::string(text).c_str()); }

Rect Window::bounds() const {
  RECT r;
  GetWindowRect(hwnd_, &r);
  if (HWND p = GetParent(hwnd_); p && (GetWindowLongA(hwnd_, GWL_STYLE) & WS_CHILD)) {
    MapWindowPoints(nullptr, p, reinterpret_cast<POINT*>(&r), 2);
  }
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Rect Window::normalBounds() const {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(hwnd_, &wp)) return bounds();
  RECT r = wp.rcNormalPosition;
  // The placement is in work-area coordinates: they differ from the screen's
  // by the task bar when it sits at the left or top.
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!(GetWindowLongA(hwnd_, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) &&
      GetMonitorInfoA(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &mi)) {
    OffsetRect(&r, mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top);
  }
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Window::setBounds(const Rect& r) {
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int Window::clientWidth() const {
  RECT r;
  GetClientRect(hwnd_, &r);
  return r.right;
}

int Window::clientHeight() const {
  RECT r;
  GetClientRect(hwnd_, &r);
  return r.bottom;
}

void Window::setVisible(bool visible) {
  ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
  if (parent_) parent_->realign();
}

void Window::hideWithoutRedraw(bool repaintBehind) {
  HWND parent = GetParent(hwnd_);
  const bool child = parent && (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_CHILD);
  RECT covered{};
  GetWindowRect(hwnd_, &covered);
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOREDRAW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (repaintBehind && child) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&covered), 2);
    RedrawWindow(parent, &covered, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

bool Window::visible() const { return (GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Window::setEnabled(bool enabled) { EnableWindow(hwnd_, enabled); }

bool Window::enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }

void Window::setFont(HFONT font) {
  font_ = font;
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

HFONT Window::font() const { return font_; }

void Window::repaint() {
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Window::setFocus() { SetFocus(hwnd_); }

// ---------------------------------------------------------------------------

namespace {
Application* theApplication = nullptr;
}

Application::Application(std::string title, std::string helpFile)
    : title_(std::move(title)), helpFile_(std::move(helpFile)) {
  theApplication = this;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  // From the system folder by its full path: a bare name is looked for in the
  // program's and the current folder first.
  char system[MAX_PATH];
  UINT n = GetSystemDirectoryA(system, MAX_PATH);
  if (n > 0 && n < MAX_PATH) LoadLibraryA((std::string(system, n) + "\\riched20.dll").c_str());
}

Application::~Application() { theApplication = nullptr; }

FARPROC Application::lateAddress(const char* dll, const char* name) {
  auto loaded = std::find_if(lateLibraries_.begin(), lateLibraries_.end(),
                             [dll](const auto& library) { return library.first == dll; });
  if (loaded == lateLibraries_.end()) {
    char system[MAX_PATH];
    const UINT n = GetSystemDirectoryA(system, MAX_PATH);
    Module module(n > 0 && n < MAX_PATH ? LoadLibraryA((std::string(system, n) + "\\" + dll).c_str()) : nullptr);
    if (!module) throw Error(std::string("Cannot load ") + dll);
    lateLibraries_.emplace_back(dll, std::move(module));
    loaded = std::prev(lateLibraries_.end());
  }
  FARPROC address = GetProcAddress(loaded->second.get(), name);
  if (!address) throw Error(std::string("Cannot find ") + name + " in " + dll);
  return address;
}

Application& Application::Get() {
  if (!theApplication) throw std::logic_error("no application object");
  return *theApplication;
}

void Application::setHint(const std::string& longHint) {
  if (longHint == hint_) return;
  hint_ = longHint;
  if (onHint) onHint(hint_);
}

void Application::handleException(std::exception_ptr error) {
  std::string text;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "Unknown error";
  }
  try {
    ShowDefaultError(text);
  } catch (...) {
    MessageBoxA(nullptr, (text + ".").c_str(), title_.c_str(), MB_ICONSTOP | MB_OK);
  }
}

void Application::runHandled(const std::function<void()>& step) {
  try {
    step();
  } catch (...) {
    handleException(std::current_exception());
  }
}

void Application::trackMouse(const MSG& msg) {
  if (msg.hwnd == lastHintWindow_) return;
  lastHintWindow_ = msg.hwnd;
  HWND h = msg.hwnd;
  Window* w = nullptr;
  while (h && !(w = Window::FromHandle(h))) h = GetParent(h);
  setHint(w ? w->longHint() : std::string());
}

bool Application::processMessage(MSG& msg) {
  if (msg.message == WM_QUIT) return false;
  if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) trackMouse(msg);
  if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && msg.hwnd) {
    if (auto* form = dynamic_cast<Form*>(Window::FromHandle(GetAncestor(msg.hwnd, GA_ROOT)))) {
      try {
        if (form->preTranslateKey(msg)) return true;
      } catch (...) {
        handleException(std::current_exception());
        return true;
      }
    }
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

void Application::processMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!processMessage(msg)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
  }
}

int Application::run() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) processMessage(msg);
  return static_cast<int>(msg.wParam);
}

// ---------------------------------------------------------------------------

std::string InOutErrorText(unsigned long code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return "File not found";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return "Invalid filename";
    case ERROR_TOO_MANY_OPEN_FILES:
      return "Too many open files";
    case ERROR_ACCESS_DENIED:
      return "File access denied";
    case ERROR_HANDLE_EOF:
      return "Read beyond end of file";
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
      return "Disk full";
    default:
      return "I/O error " + std::to_string(code);
  }
}

void ThrowInOutError(unsigned long code) { throw Error(InOutErrorText(code)); }

}  // namespace ui
