#include "tests/support/robot.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <type_traits>

#include "standins/bridge/codepage.h"
#include "tests/support/process.h"
#include "tests/support/testenv.h"

namespace robot {
namespace {

constexpr int kPollMs = 25;
// Screenshots run ImageMagick as a Unix process.
constexpr int kScreenshotTimeoutMs = 15000;
constexpr int kRescueMs = 5000;
// Marks the robot's own posted message; the registered message id alone could
// in theory be posted by someone else with another meaning.
constexpr WPARAM kTaskMagic = 0x5357524F;
constexpr const char* kTaskMessage = "SealwrightRobotTask";

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h) CloseHandle(h);
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct HookRemover {
  void operator()(HHOOK h) const { UnhookWindowsHookEx(h); }
};
using Hook = std::unique_ptr<std::remove_pointer_t<HHOOK>, HookRemover>;

// Thrown when the UI thread does not answer; ends the script.
struct Timeout : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct UiTask {
  std::function<void()> run;
  HANDLE done;
};

// Runs a UiTask on the thread that takes the robot's marker message from its
// queue. Every posted message before it has been dispatched by then.
LRESULT CALLBACK taskHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (msg->message == RegisterWindowMessageA(kTaskMessage) && msg->wParam == kTaskMagic && msg->lParam) {
      auto* task = reinterpret_cast<UiTask*>(msg->lParam);
      msg->message = WM_NULL;
      msg->lParam = 0;
      try {
        if (task->run) task->run();
      } catch (...) {
        // Nothing may unwind through the UI thread's message loop.
      }
      SetEvent(task->done);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string keyupSemaphoreName(DWORD thread) {
  return "SealwrightRobotKeyups-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(thread);
}

// Counts the key-ups the UI thread takes from its queue into a semaphore named
// after that thread, whichever window (a dialog the key opened, say) gets them.
LRESULT CALLBACK keyupHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP) {
      Handle sem(OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, keyupSemaphoreName(GetCurrentThreadId()).c_str()));
      if (sem) ReleaseSemaphore(sem.get(), 1, nullptr);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string className(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

bool sameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Class names compare without regard to case, as Win32 does.
bool isClass(HWND window, std::string_view name) { return sameText(className(window), name); }

bool isCombo(HWND window) { return isClass(window, "ComboBox"); }

// The stored caption, read without a message, so waiting for a window never
// blocks on a busy UI thread.
std::string caption(HWND window) {
  wchar_t wide[512] = {};
  int n = InternalGetWindowText(window, wide, 512);
  return n > 0 ? bridge::Narrow(std::wstring_view(wide, n), CP_ACP) : std::string();
}

BOOL CALLBACK collectOwnWindow(HWND window, LPARAM list) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == GetCurrentProcessId()) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> processWindows() {
  std::vector<HWND> out;
  EnumWindows(collectOwnWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

HWND findTopLevel(std::string_view text, std::string_view cls, bool shownOnly = true) {
  for (HWND window : processWindows()) {
    if (shownOnly && !IsWindowVisible(window)) continue;
    if (caption(window) != text) continue;
    if (!cls.empty() && !isClass(window, cls)) continue;
    return window;
  }
  return nullptr;
}

std::string describe(std::initializer_list<std::string_view> path) {
  std::string out;
  for (auto part : path) out += (out.empty() ? "" : " > ") + std::string(part);
  return out.empty() ? "(menu bar)" : out;
}

std::string menuItemText(HMENU menu, int pos) {
  // For an entry that opens a submenu the high byte holds the submenu's item
  // count, which could read as MF_SEPARATOR (0x800): ask the type instead.
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE;
  if (GetMenuItemInfoA(menu, static_cast<UINT>(pos), TRUE, &info) && (info.fType & MFT_SEPARATOR)) return "-";
  int n = GetMenuStringA(menu, pos, nullptr, 0, MF_BYPOSITION);
  if (n <= 0) return {};
  std::string out(n + 1, '\0');
  n = GetMenuStringA(menu, pos, out.data(), n + 1, MF_BYPOSITION);
  out.resize(std::max(n, 0));
  return out;
}

std::string withoutShortcut(const std::string& text) { return text.substr(0, text.find('\t')); }

// <build> from <build>\bin\program.exe.
std::string buildDir() {
  std::string exe(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (n == 0) return {};
    if (n < exe.size()) {
      exe.resize(n);
      break;
    }
    exe.resize(exe.size() * 2);
  }
  for (int i = 0; i < 2; ++i) {
    auto slash = exe.find_last_of("\\/");
    if (slash == std::string::npos) return {};
    exe.resize(slash);
  }
  return exe;
}

}  // namespace

Robot::Robot(std::function<void(Robot&)> script) {
  thread_ = std::thread([this, script = std::move(script)] {
    try {
      script(*this);
    } catch (const std::exception& e) {
      error_ = e.what();
      if (error_.empty()) error_ = "exception without a message";
    } catch (...) {
      error_ = "unknown exception";
    }
    if (!error_.empty() || failed_) rescue();
  });
}

Robot::~Robot() { join(); }

void Robot::join() {
  if (joined_) return;
  joined_ = true;
  if (thread_.joinable()) thread_.join();
  if (!error_.empty()) ADD_FAILURE() << "robot script: " << error_;
}

void Robot::fail(const std::string& message) {
  failed_ = true;
  ADD_FAILURE() << "robot: " << message;
}

void Robot::rescue() {
  for (DWORD start = GetTickCount(); GetTickCount() - start < kRescueMs; Sleep(100)) {
    bool any = false;
    for (HWND window : processWindows()) {
      if (IsWindowVisible(window) && IsWindowEnabled(window) && GetWindow(window, GW_OWNER)) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        any = true;
      }
    }
    if (!any) return;
  }
}

bool Robot::send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result, bool wide) {
  DWORD_PTR answer = 0;
  if ((wide ? SendMessageTimeoutW : SendMessageTimeoutA)(window, message, wParam, lParam, SMTO_BLOCK, replyTimeoutMs_,
                                                         &answer)) {
    result = static_cast<LRESULT>(answer);
    return true;
  }
  if (GetLastError() == ERROR_TIMEOUT && IsWindow(window)) {
    throw Timeout("the UI thread did not answer message 0x" + std::to_string(message) + " to \"" + caption(window) +
                  "\" (" + className(window) + ") within " + std::to_string(replyTimeoutMs_) + " ms");
  }
  return false;  // the window is gone
}

std::string Robot::readString(HWND window, UINT lengthMessage, UINT textMessage, WPARAM index) {
  if (!window || !IsWindow(window)) return {};
  // Read in UTF-16: the rich edit answers WM_GETTEXTLENGTH in UTF-16 units
  // even to an ANSI caller under a UTF-8 code page, and a text is then cut.
  LRESULT length = 0;
  if (!send(window, lengthMessage, index, 0, length, true) || length < 0) return {};
  auto buffer = std::make_unique<wchar_t[]>(length + 1);
  LRESULT got = 0;
  try {
    WPARAM first = textMessage == WM_GETTEXT ? static_cast<WPARAM>(length + 1) : index;
    if (!send(window, textMessage, first, reinterpret_cast<LPARAM>(buffer.get()), got, true) || got < 0) return {};
  } catch (const Timeout&) {
    // The message stays queued and may still write into the buffer later.
    (void)buffer.release();
    throw;
  }
  return bridge::Narrow(std::wstring_view(buffer.get(), std::min<LRESULT>(got, length)), CP_ACP);
}

bool Robot::onUiThread(HWND window, std::function<void()> task) {
  DWORD thread = GetWindowThreadProcessId(window, nullptr);
  if (!thread) return false;
  if (thread == GetCurrentThreadId()) {
    if (task) task();
    return true;
  }
  Handle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  auto posted = std::make_unique<UiTask>(UiTask{std::move(task), done.get()});
  Hook hook(SetWindowsHookExA(WH_GETMESSAGE, taskHook, nullptr, thread));
  if (!done || !hook)
    throw std::runtime_error("cannot hook the UI thread (error " + std::to_string(GetLastError()) + ")");
  if (!PostMessageA(window, RegisterWindowMessageA(kTaskMessage), kTaskMagic, reinterpret_cast<LPARAM>(posted.get()))) {
    return false;
  }
  if (WaitForSingleObject(done.get(), replyTimeoutMs_) != WAIT_OBJECT_0) {
    // The marker is still queued: it keeps pointing at the task and event.
    (void)posted.release();
    (void)done.release();
    throw Timeout("the UI thread of \"" + caption(window) + "\" did not get through its queue within " +
                  std::to_string(replyTimeoutMs_) + " ms");
  }
  return true;
}

HWND Robot::waitWindow(std::string_view caption, std::string_view className, int timeoutMs) {
  for (DWORD start = GetTickCount();; Sleep(kPollMs)) {
    if (HWND window = findTopLevel(caption, className)) return window;
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) break;
  }
  fail("no window \"" + std::string(caption) + "\"" +
       (className.empty() ? std::string() : " of class " + std::string(className)) + " within " +
       std::to_string(timeoutMs) + " ms");
  return nullptr;
}

bool Robot::waitGone(HWND window, int timeoutMs) {
  for (DWORD start = GetTickCount();; Sleep(kPollMs)) {
    if (!IsWindow(window) || !IsWindowVisible(window)) return true;
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
  }
}

bool Robot::exists(std::string_view caption) { return findTopLevel(caption, {}, false) != nullptr; }

bool Robot::waitUntil(const std::function<bool()>& condition, std::string_view what, int timeoutMs) {
  if (testenv::WaitUntil(condition, timeoutMs)) return true;
  fail("no " + std::string(what) + " within " + std::to_string(timeoutMs) + " ms");
  return false;
}

HWND Robot::findChild(HWND parent, std::string_view text, std::string_view className, int index) {
  for (HWND child : children(parent, className)) {
    if (!text.empty() && this->text(child) != text) continue;
    if (index-- == 0) return child;
  }
  return nullptr;
}

std::vector<HWND> Robot::children(HWND parent, std::string_view className) {
  std::vector<HWND> out;
  if (!parent || !IsWindow(parent)) return out;
  // Depth first; siblings in z-order, which is creation order for children.
  std::vector<HWND> stack;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) stack.push_back(c);
  std::reverse(stack.begin(), stack.end());
  while (!stack.empty()) {
    HWND window = stack.back();
    stack.pop_back();
    if (className.empty() || isClass(window, className)) out.push_back(window);
    std::vector<HWND> below;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) below.push_back(c);
    stack.insert(stack.end(), below.rbegin(), below.rend());
  }
  return out;
}

std::string Robot::text(HWND window) { return readString(window, WM_GETTEXTLENGTH, WM_GETTEXT, 0); }

bool Robot::visible(HWND window) { return window && IsWindowVisible(window); }

bool Robot::enabled(HWND window) { return window && IsWindow(window) && IsWindowEnabled(window); }

bool Robot::checked(HWND button) {
  LRESULT state = 0;
  return button && send(button, BM_GETCHECK, 0, 0, state) && state == BST_CHECKED;
}

std::vector<std::string> Robot::listItems(HWND listOrCombo) {
  std::vector<std::string> out;
  if (!listOrCombo || !IsWindow(listOrCombo)) return out;
  bool combo = isCombo(listOrCombo);
  LRESULT count = 0;
  if (!send(listOrCombo, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0, count)) return out;
  for (LRESULT i = 0; i < count; ++i) {
    out.push_back(readString(listOrCombo, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, combo ? CB_GETLBTEXT : LB_GETTEXT,
                             static_cast<WPARAM>(i)));
  }
  return out;
}

int Robot::listSelection(HWND listOrCombo) {
  LRESULT sel = -1;
  if (!listOrCombo || !send(listOrCombo, isCombo(listOrCombo) ? CB_GETCURSEL : LB_GETCURSEL, 0, 0, sel)) return -1;
  return static_cast<int>(sel);
}

RECT Robot::screenRect(HWND window) {
  RECT r{};
  if (window) GetWindowRect(window, &r);
  return r;
}

bool Robot::usable(HWND window, const char* action) {
  if (!window || !IsWindow(window)) {
    fail(std::string(action) + ": no window");
    return false;
  }
  HWND root = GetAncestor(window, GA_ROOT);
  std::string what = "\"" + caption(window) + "\" (" + className(window) + ")";
  if (!IsWindowVisible(window)) {
    fail(std::string(action) + ": " + what + " is hidden");
    return false;
  }
  if (!IsWindowEnabled(window) || !IsWindowEnabled(root)) {
    fail(std::string(action) + ": " + what + (IsWindowEnabled(window) ? " is in a disabled window" : " is disabled"));
    return false;
  }
  return true;
}

void Robot::click(HWND button) {
  if (!usable(button, "click")) return;
  bool posted;
  LONG_PTR type = GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK;
  bool toggles = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_3STATE ||
                 type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
  if (isClass(button, "Button") && !toggles) {
    posted = PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                          reinterpret_cast<LPARAM>(button));
  } else {
    // The button itself flips its check and notifies the parent.
    posted = PostMessageA(button, BM_CLICK, 0, 0);
  }
  if (!posted) fail("click: cannot post to \"" + caption(button) + "\"");
}

void Robot::clickButton(HWND window, std::string_view caption) {
  if (!window) {
    fail("clickButton \"" + std::string(caption) + "\": no window");
    return;
  }
  HWND button = findChild(window, caption);
  if (!button) {
    fail("no control \"" + std::string(caption) + "\" in \"" + text(window) + "\"");
    return;
  }
  click(button);
}

void Robot::setText(HWND edit, std::string_view text) {
  if (!usable(edit, "setText")) return;
  auto copy = std::make_unique<std::wstring>(bridge::Widen(text, CP_ACP));
  LRESULT ignored = 0;
  try {
    send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy->c_str()), ignored, true);
  } catch (const Timeout&) {
    (void)copy.release();  // still queued; the UI thread may read it later
    throw;
  }
}

void Robot::selectItem(HWND listOrCombo, int index) {
  if (!usable(listOrCombo, "selectItem")) return;
  bool combo = isCombo(listOrCombo);
  LRESULT count = 0;
  send(listOrCombo, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0, count);
  if (index < 0 || index >= count) {
    fail("selectItem: no entry " + std::to_string(index) + " (there are " + std::to_string(count) + ")");
    return;
  }
  LRESULT ignored = 0;
  HWND parent = GetParent(listOrCombo);
  int id = GetDlgCtrlID(listOrCombo);
  LPARAM from = reinterpret_cast<LPARAM>(listOrCombo);
  if (combo) {
    send(listOrCombo, CB_SETCURSEL, index, 0, ignored);
    PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), from);
    return;
  }
  LONG_PTR style = GetWindowLongPtrA(listOrCombo, GWL_STYLE);
  if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
    send(listOrCombo, LB_SETSEL, FALSE, -1, ignored);
    send(listOrCombo, LB_SETSEL, TRUE, index, ignored);
    send(listOrCombo, LB_SETCARETINDEX, index, FALSE, ignored);
  } else {
    send(listOrCombo, LB_SETCURSEL, index, 0, ignored);
  }
  if (style & LBS_NOTIFY) PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), from);
}

void Robot::doubleClickItem(HWND list, int index) {
  if (!usable(list, "doubleClickItem")) return;
  if (isCombo(list)) {
    fail("doubleClickItem: needs a list box, not a combo box");
    return;
  }
  if (!(GetWindowLongPtrA(list, GWL_STYLE) & LBS_NOTIFY)) {
    fail("doubleClickItem: the list box has no LBS_NOTIFY, so it never reports double clicks");
    return;
  }
  LRESULT count = 0;
  send(list, LB_GETCOUNT, 0, 0, count);
  if (index < 0 || index >= count) {
    fail("doubleClickItem: no entry " + std::to_string(index) + " (there are " + std::to_string(count) + ")");
    return;
  }
  selectItem(list, index);
  PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
}

// Walks the menu bar to the entry at the end of `path`, sending the messages a
// real menu sends as it opens (programs set check marks and grays there).
bool Robot::findMenuItem(HWND window, std::initializer_list<std::string_view> path, HMENU& menu, int& pos) {
  if (path.size() == 0) {
    fail("menu: an empty path names no entry");
    return false;
  }
  HMENU current = window ? GetMenu(window) : nullptr;
  if (!current) {
    fail("menu " + describe(path) + ": the window has no menu bar");
    return false;
  }
  LRESULT ignored = 0;
  send(window, WM_INITMENU, reinterpret_cast<WPARAM>(current), 0, ignored);
  size_t depth = 0;
  for (auto part : path) {
    int count = GetMenuItemCount(current), found = -1;
    for (int i = 0; i < count && found < 0; ++i) {
      if (withoutShortcut(menuItemText(current, i)) == part) found = i;
    }
    if (found < 0) {
      fail("menu " + describe(path) + ": no entry \"" + std::string(part) + "\"");
      return false;
    }
    if (++depth == path.size()) {
      menu = current;
      pos = found;
      return true;
    }
    HMENU sub = GetSubMenu(current, found);
    if (!sub) {
      fail("menu " + describe(path) + ": \"" + std::string(part) + "\" opens no submenu");
      return false;
    }
    if (GetMenuState(current, found, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) {
      fail("menu " + describe(path) + ": \"" + std::string(part) + "\" is disabled");
      return false;
    }
    send(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(found, FALSE), ignored);
    current = sub;
  }
  return false;
}

HMENU Robot::openMenu(HWND window, std::initializer_list<std::string_view> path) {
  if (path.size() == 0) {
    HMENU bar = window ? GetMenu(window) : nullptr;
    if (!bar) {
      fail("menu bar: the window has none");
      return nullptr;
    }
    LRESULT ignored = 0;
    send(window, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0, ignored);
    return bar;
  }
  HMENU menu = nullptr;
  int pos = 0;
  if (!findMenuItem(window, path, menu, pos)) return nullptr;
  HMENU sub = GetSubMenu(menu, pos);
  if (!sub) {
    fail("menu " + describe(path) + " opens no submenu");
    return nullptr;
  }
  LRESULT ignored = 0;
  send(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(pos, FALSE), ignored);
  return sub;
}

void Robot::menu(HWND window, std::initializer_list<std::string_view> path) {
  if (!usable(window, "menu")) return;
  HMENU menu = nullptr;
  int pos = 0;
  if (!findMenuItem(window, path, menu, pos)) return;
  if (GetSubMenu(menu, pos)) {
    fail("menu " + describe(path) + " opens a submenu, it has no command");
    return;
  }
  if (GetMenuState(menu, pos, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) {
    fail("menu " + describe(path) + " is disabled");
    return;
  }
  UINT id = GetMenuItemID(menu, pos);
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

std::vector<std::string> Robot::menuStrings(HWND window, std::initializer_list<std::string_view> path, bool full) {
  std::vector<std::string> out;
  HMENU menu = openMenu(window, path);
  if (!menu) return out;
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    std::string text = menuItemText(menu, i);
    out.push_back(full ? text : withoutShortcut(text));
  }
  return out;
}

std::vector<std::string> Robot::menuCaptions(HWND window, std::initializer_list<std::string_view> path) {
  return menuStrings(window, path, false);
}

std::vector<std::string> Robot::menuTexts(HWND window, std::initializer_list<std::string_view> path) {
  return menuStrings(window, path, true);
}

bool Robot::menuChecked(HWND window, std::initializer_list<std::string_view> path) {
  HMENU menu = nullptr;
  int pos = 0;
  if (!findMenuItem(window, path, menu, pos)) return false;
  return (GetMenuState(menu, pos, MF_BYPOSITION) & MF_CHECKED) != 0;
}

void Robot::key(HWND window, UINT vk, bool ctrl, bool shift, bool alt) {
  if (!usable(window, "key")) return;
  HWND root = GetAncestor(window, GA_ROOT);
  DWORD thread = GetWindowThreadProcessId(root, nullptr);
  // The UI thread brings its own window forward: a thread of the foreground
  // application may always do that.
  onUiThread(root, [root] { SetForegroundWindow(root); });
  for (DWORD start = GetTickCount(); GetForegroundWindow() != root; Sleep(kPollMs)) {
    if (static_cast<int>(GetTickCount() - start) >= replyTimeoutMs_) {
      fail("key: \"" + caption(root) + "\" does not come to the front");
      return;
    }
  }

  std::vector<WORD> keys;
  if (ctrl) keys.push_back(VK_CONTROL);
  if (shift) keys.push_back(VK_SHIFT);
  if (alt) keys.push_back(VK_MENU);
  keys.push_back(static_cast<WORD>(vk));
  std::vector<INPUT> inputs;
  auto add = [&inputs](WORD key, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    bool extended = (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE || key == VK_DIVIDE ||
                    key == VK_NUMLOCK;
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    inputs.push_back(in);
  };
  for (WORD k : keys) add(k, false);
  for (auto k = keys.rbegin(); k != keys.rend(); ++k) add(*k, true);

  Handle keyups(CreateSemaphoreA(nullptr, 0, 64, keyupSemaphoreName(thread).c_str()));
  Hook hook(SetWindowsHookExA(WH_GETMESSAGE, keyupHook, nullptr, thread));
  if (!keyups || !hook) throw std::runtime_error("key: cannot watch the UI thread's input");
  UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size())
    throw std::runtime_error("key: SendInput failed (error " + std::to_string(GetLastError()) + ")");
  for (size_t i = 0; i < keys.size(); ++i) {
    if (WaitForSingleObject(keyups.get(), replyTimeoutMs_) != WAIT_OBJECT_0) {
      throw Timeout("key: the UI thread did not take the key strokes within " + std::to_string(replyTimeoutMs_) +
                    " ms");
    }
  }
}

void Robot::close(HWND window) {
  if (!window || !PostMessageA(window, WM_CLOSE, 0, 0)) fail("close: no window");
}

std::string Robot::screenshot(HWND window, std::string_view name) {
  if (!window || !IsWindow(window)) {
    fail("screenshot: no window");
    return {};
  }
  // Another process's window (a console's) is painted by its own thread.
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  const bool ours = owner == GetCurrentProcessId();
  const auto redraw = [window] {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  };
  if (ours)
    onUiThread(window, redraw);
  else
    redraw();
  // Wine copies painted pixels to the X window when the UI thread next waits
  // for messages.
  Sleep(300);
  if (ours) sync(window);

  RECT r = screenRect(window);
  int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  RECT screen{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  RECT shown{};
  if (!IntersectRect(&shown, &r, &screen)) {
    fail("screenshot: the window is off the screen");
    return {};
  }

  std::string safe;
  for (char c : name) safe += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' ? c : '_';
  if (safe.empty()) safe = "screenshot";
  std::string build = buildDir();
  std::string folder = build + "\\screenshots";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string png = folder + "\\" + safe + ".png";
  DeleteFileA(png.c_str());
  std::string unixFolder = testproc::UnixPath(folder);
  if (build.empty() || unixFolder.empty()) {
    fail("screenshot: no Unix path for \"" + folder + "\" (screenshots need Wine)");
    return {};
  }
  std::string geometry = std::to_string(shown.right - shown.left) + "x" + std::to_string(shown.bottom - shown.top) +
                         "+" + std::to_string(shown.left - screen.left) + "+" + std::to_string(shown.top - screen.top);
  auto outcome = testproc::RunHostShell(
      "import -window root -crop " + geometry + " +repage " + testproc::ShQuote(unixFolder + "/" + safe + ".png"),
      kScreenshotTimeoutMs);
  if (!outcome) {
    fail("screenshot: import could not run or did not finish within " + std::to_string(kScreenshotTimeoutMs) + " ms");
    return {};
  }
  if (outcome->status != 0 || GetFileAttributesA(png.c_str()) == INVALID_FILE_ATTRIBUTES) {
    fail("screenshot: import failed with status " + std::to_string(outcome->status) + ": " + outcome->out);
    return {};
  }
  return png;
}

void Robot::sync(HWND window) {
  if (window && IsWindow(window)) onUiThread(window, {});
}

namespace {

struct ShownWindowSearch {
  DWORD pid;
  HWND window = nullptr;
};

BOOL CALLBACK FindShownWindow(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<ShownWindowSearch*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  if (owner != s->pid || !IsWindowVisible(w)) return TRUE;
  s->window = w;
  return FALSE;
}

}  // namespace

HWND WaitShownWindow(HANDLE process, DWORD pid) {
  ShownWindowSearch search{pid};
  while (!search.window && WaitForSingleObject(process, 1) == WAIT_TIMEOUT)
    EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&search));
  return search.window;
}

}  // namespace robot
