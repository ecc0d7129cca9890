#include "ui/dialog.h"

#include <cderr.h>
#include <commctrl.h>
#include <commdlg.h>
#include <winspool.h>

#include <vector>

#include "ui/controls.h"
#include "ui/errors.h"
#include "ui/menus.h"
#include "ui/placement.h"

namespace ui {

namespace {

// The file and print dialogs and the printer list come from libraries loaded
// at their first use: imported, Wine loads them at every start-up, which
// they slow by over 20 ms.
template <class Function>
Function* Comdlg(const char* name) {
  return Application::Get().lateEntry<Function>("comdlg32.dll", name);
}

}  // namespace

Font MakeFont(const FontSpec& font) {
  return Font(CreateFontA(font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                          font.face));
}

Form::Form(const Args& args) : Window(nullptr), font_(MakeFont(args.font)), dialogKeys_(args.dialogKeys) {
  DWORD style = WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  switch (args.border) {
    case Border::Sizeable:
      style |= WS_OVERLAPPEDWINDOW;
      break;
    case Border::Dialog:
      style |= WS_POPUP | WS_CAPTION | (args.systemMenu ? WS_SYSMENU : 0);
      exStyle |= WS_EX_DLGMODALFRAME;
      break;
    case Border::None:
      style |= args.insideOf ? WS_CHILD | WS_CLIPSIBLINGS : WS_POPUP;
      break;
  }
  RECT r{0, 0, args.clientWidth, args.clientHeight};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  Rect outer{args.left, args.top, r.right - r.left, r.bottom - r.top};
  if (args.screenCenter) {
    outer.left = (GetSystemMetrics(SM_CXSCREEN) - outer.width) / 2;
    outer.top = (GetSystemMetrics(SM_CYSCREEN) - outer.height) / 2;
  }
  if (args.insideOf) {
    // Made a child from the start: a top-level window made a child later
    // costs Wine a window of the display's own, made and dropped again.
    RECT client{};
    GetClientRect(args.insideOf, &client);
    outer.left = (client.right - outer.width) / 2;
    outer.top = (client.bottom - outer.height) / 2;
  }
  HWND owner = args.insideOf ? args.insideOf : args.owner;
  if (!owner && !args.mainWindow) {
    if (Form* main = Application::Get().mainForm()) owner = main->handle();
  }
  create(exStyle, OwnClass("SwForm", CS_DBLCLKS, COLOR_BTNFACE, nullptr), args.caption, style, outer, owner, nullptr);
  setFont(font_.get());
}

Form::~Form() {
  if (tooltip_) DestroyWindow(tooltip_);
}

void Form::setClientSize(int width, int height) {
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, GetWindowLongA(handle(), GWL_STYLE), GetMenu(handle()) != nullptr,
                     GetWindowLongA(handle(), GWL_EXSTYLE));
  Rect b = bounds();
  setBounds({b.left, b.top, r.right - r.left, r.bottom - r.top});
}

namespace {

bool HasTips(const Window* w) {
  for (const Window* child : w->children())
    if (!ShortHint(child->hint).empty() || HasTips(child)) return true;
  return false;
}

void AddTools(HWND tooltip, Window* w) {
  for (Window* child : w->children()) {
    std::string tip = ShortHint(child->hint);
    if (!tip.empty()) {
      TOOLINFOA ti{};
      ti.cbSize = sizeof ti;
      ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      ti.hwnd = w->handle();
      ti.uId = reinterpret_cast<UINT_PTR>(child->handle());
      ti.lpszText = tip.data();
      SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    AddTools(tooltip, child);
  }
}

}  // namespace

void Form::installTooltips() {
  if (tooltipsInstalled_) return;
  tooltipsInstalled_ = true;
  // A form without tips has no tooltip window to make.
  if (!HasTips(this)) return;
  tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                             0, handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
  if (tooltip_) AddTools(tooltip_, this);
}

void Form::show() {
  realign();
  ShowWindow(handle(), SW_SHOW);
  UpdateWindow(handle());
  // After the paint: no tip shows before the pointer rests on a control.
  installTooltips();
}

void Form::close() { SendMessageA(handle(), WM_CLOSE, 0, 0); }

namespace {

struct DisabledWindows {
  HWND self;
  std::vector<HWND> windows;
};

// A named callback: on 32-bit Windows it must be stdcall, which a lambda is not.
BOOL CALLBACK DisableOther(HWND h, LPARAM p) {
  auto* c = reinterpret_cast<DisabledWindows*>(p);
  if (h != c->self && IsWindowVisible(h) && IsWindowEnabled(h)) {
    EnableWindow(h, FALSE);
    c->windows.push_back(h);
  }
  return TRUE;
}

}  // namespace

ModalResult Form::showModal() {
  HWND active = GetActiveWindow();
  DisabledWindows collect{handle(), {}};
  EnumThreadWindows(GetCurrentThreadId(), &DisableOther, reinterpret_cast<LPARAM>(&collect));
  modal_ = true;
  modalResult_ = ModalResult::None;
  show();
  SetForegroundWindow(handle());
  if (HWND first = GetNextDlgTabItem(handle(), nullptr, FALSE)) SetFocus(first);
  MSG msg;
  auto& app = Application::Get();
  while (modalResult_ == ModalResult::None) {
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      modalResult_ = ModalResult::Cancel;
      break;
    }
    app.processMessage(msg);
  }
  for (HWND h : collect.windows) EnableWindow(h, TRUE);
  if (handle()) ShowWindow(handle(), SW_HIDE);
  if (active && IsWindow(active)) SetActiveWindow(active);
  modal_ = false;
  return modalResult_;
}

bool Form::preTranslateKey(MSG& msg) {
  if (menuBar && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) &&
      menuBar->handleShortcut(static_cast<UINT>(msg.wParam))) {
    return true;
  }
  return dialogKeys_ && IsDialogMessageA(handle(), &msg);
}

void Form::onClose() {
  if (modal_) modalResult_ = ModalResult::Cancel;
}

LRESULT Form::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      onClose();
      return 0;
    case DM_GETDEFID:
      if (defaultButton && defaultButton->handle()) {
        return MAKELRESULT(GetDlgCtrlID(defaultButton->handle()), DC_HASDEFID);
      }
      return 0;
    case WM_COMMAND:
      if (HIWORD(wp) == 0 || HIWORD(wp) == BN_CLICKED) {
        int id = LOWORD(wp);
        auto usable = [](Button* b) { return b && b->handle() && b->enabled() && b->visible(); };
        if (usable(defaultButton) && id == GetDlgCtrlID(defaultButton->handle())) {
          defaultButton->click();
          return 0;
        }
        if (id == IDCANCEL && usable(cancelButton)) {
          cancelButton->click();
          return 0;
        }
        if (menuBar && menuBar->handleCommand(id)) return 0;
      }
      break;
    case WM_MENUSELECT:
      if (menuBar) menuBar->handleSelect(LOWORD(wp), HIWORD(wp), reinterpret_cast<HMENU>(lp));
      break;
    case WM_KEYUP:
      onKeyUp(wp);
      break;
    default:
      break;
  }
  return Window::handleMessage(msg, wp, lp);
}

// ---------------------------------------------------------------------------

void CenterOverMainForm(Form& dialog) {
  Form* main = Application::Get().mainForm();
  if (!main) return;
  Rect m = main->bounds();
  Rect d = dialog.bounds();
  Placement p = CenterOver(m.left, m.top, m.width, m.height, d.width, d.height, GetSystemMetrics(SM_CXSCREEN),
                           GetSystemMetrics(SM_CYSCREEN));
  dialog.setBounds({p.setLeft ? p.left : d.left, p.setTop ? p.top : d.top, d.width, d.height});
}

bool FileDialog::execute(HWND owner) {
  std::string filterZ = filter;
  for (char& c : filterZ) {
    if (c == '|') c = '\0';
  }
  filterZ.append(2, '\0');
  std::vector<char> name(4096, '\0');
  fileName.copy(name.data(), name.size() - 1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filterZ.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(filterIndex);
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER |
              (kind_ == Kind::Open ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
  BOOL ok = kind_ == Kind::Open ? Comdlg<decltype(GetOpenFileNameA)>("GetOpenFileNameA")(&ofn)
                                : Comdlg<decltype(GetSaveFileNameA)>("GetSaveFileNameA")(&ofn);
  if (!ok) return false;
  fileName = name.data();
  filterIndex = static_cast<int>(ofn.nFilterIndex);
  return true;
}

Dc PrintDialog::execute(HWND owner) {
  // Without any printer Wine's dialog shows a box of its own and then
  // reports a plain cancel: ask first, so the error is never lost.
  DWORD needed = 0, count = 0;
  Application::Get().lateEntry<decltype(EnumPrintersA)>("winspool.drv", "EnumPrintersA")(
      PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
  if (needed == 0) throw Error("No printers are installed");
  PRINTDLGA pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = owner;
  pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS;
  BOOL ok = Comdlg<decltype(PrintDlgA)>("PrintDlgA")(&pd);
  if (pd.hDevMode) GlobalFree(pd.hDevMode);
  if (pd.hDevNames) GlobalFree(pd.hDevNames);
  Dc printer(pd.hDC);
  if (ok) return printer;
  switch (DWORD error = Comdlg<decltype(CommDlgExtendedError)>("CommDlgExtendedError")()) {
    case 0:
      return {};
    case PDERR_NODEFAULTPRN:
      throw Error("There is no default printer currently selected");
    default:
      throw Error("Printing failed (error " + std::to_string(error) + ")");
  }
}

}  // namespace ui
