// The test robot: drives this process's real windows from a second thread
// while the test's own thread runs the windows (and their modal loops).
// Actions that could open a modal window are posted, never sent, so the robot
// never waits on a loop it started itself.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace robot {

class Robot {
 public:
  // Starts `script` on a second thread at once.
  explicit Robot(std::function<void(Robot&)> script);
  Robot(const Robot&) = delete;
  Robot& operator=(const Robot&) = delete;
  ~Robot();  // joins

  // Waits for the script to end. An exception thrown by the script becomes a
  // test failure here, on the test's own thread. When the script threw or the
  // robot recorded a failure, the robot first closes this process's owned
  // top-level windows (the modal boxes) so the test's own thread is not left
  // waiting in a modal loop nobody will end.
  void join();

  // How long a read (or sync) waits for the UI thread to answer before the
  // script fails with an exception (default 5000 ms).
  void setReplyTimeout(int ms) { replyTimeoutMs_ = ms; }

  // A visible top-level window of this process whose caption is exactly
  // `caption` (and whose class is `className`, when given). Records a test
  // failure and returns nullptr after `timeoutMs`.
  HWND waitWindow(std::string_view caption, std::string_view className = {}, int timeoutMs = 10000);
  // Waits until `window` is gone or hidden; false on timeout.
  bool waitGone(HWND window, int timeoutMs = 10000);
  // Whether a top-level window of this process is captioned `caption`, shown
  // or not yet shown (a modal dialog shows itself once its loop first goes
  // idle). For negative checks: sync with the window whose command would
  // open it first.
  bool exists(std::string_view caption);
  // Waits until `condition` holds; records a failure naming `what` and
  // returns false after `timeoutMs`.
  bool waitUntil(const std::function<bool()>& condition, std::string_view what, int timeoutMs = 10000);

  // Descendant of `parent` (depth first, creation order) whose text is exactly
  // `text` (any text when empty) and class is `className` (any when empty);
  // the index-th such window. nullptr when there is none.
  HWND findChild(HWND parent, std::string_view text, std::string_view className = {}, int index = 0);
  std::vector<HWND> children(HWND parent, std::string_view className);

  std::string text(HWND window);
  bool visible(HWND window);
  bool enabled(HWND window);
  bool checked(HWND button);
  std::vector<std::string> listItems(HWND listOrCombo);
  int listSelection(HWND listOrCombo);
  RECT screenRect(HWND window);

  // Posts a click (the parent's BN_CLICKED notification for standard push
  // buttons, BM_CLICK for check boxes, radio buttons and other classes).
  // Controls a user could not click (hidden, disabled, or in a disabled
  // top-level window) record a failure instead; so do setText, selectItem,
  // doubleClickItem and menu.
  void click(HWND button);
  // findChild(window, caption) and click it; records a failure when missing.
  void clickButton(HWND window, std::string_view caption);
  void setText(HWND edit, std::string_view text);
  // Selects the entry and notifies the parent (LBN_SELCHANGE / CBN_SELCHANGE;
  // list boxes notify only with LBS_NOTIFY, as a real click would).
  void selectItem(HWND listOrCombo, int index);
  // Records a failure for a list box without LBS_NOTIFY (it never reports
  // double clicks).
  void doubleClickItem(HWND list, int index);
  // Chooses a menu entry by the captions along its path, compared without the
  // shortcut text after a tab: {"&File", "&Open..."}.
  void menu(HWND window, std::initializer_list<std::string_view> path);
  // Captions (with "&", without the shortcut part) of the entries under
  // `path`; {} gives the menu bar. Separators appear as "-".
  std::vector<std::string> menuCaptions(HWND window, std::initializer_list<std::string_view> path);
  // Full texts of the entries under `path`, shortcut part included ("&Open...\tCtrl+O").
  std::vector<std::string> menuTexts(HWND window, std::initializer_list<std::string_view> path);
  bool menuChecked(HWND window, std::initializer_list<std::string_view> path);
  // Real key strokes through SendInput, after bringing `window` to the front.
  // Returns once the UI thread has taken the last key-up from its queue.
  void key(HWND window, UINT vk, bool ctrl = false, bool shift = false, bool alt = false);
  // Posts WM_CLOSE.
  void close(HWND window);
  // Saves `window` as <build>/screenshots/<name>.png with ImageMagick's import
  // and returns the Windows path of the file ("" when it failed).
  std::string screenshot(HWND window, std::string_view name);
  // Lets the UI thread go idle: returns once it has handled everything posted before.
  void sync(HWND window);
  // Runs `task` on `window`'s thread when it next looks at its queue, and
  // returns once it has run.
  bool onUiThread(HWND window, std::function<void()> task);

 private:
  void fail(const std::string& message);
  bool usable(HWND window, const char* action);
  // `wide`: as a W message, for texts (UTF-16 both ways, whatever the
  // control's class and this process's code page).
  bool send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result, bool wide = false);
  std::string readString(HWND window, UINT lengthMessage, UINT textMessage, WPARAM index);
  bool findMenuItem(HWND window, std::initializer_list<std::string_view> path, HMENU& menu, int& pos);
  HMENU openMenu(HWND window, std::initializer_list<std::string_view> path);
  std::vector<std::string> menuStrings(HWND window, std::initializer_list<std::string_view> path, bool full);
  void rescue();

  std::thread thread_;
  std::string error_;
  bool joined_ = false;
  std::atomic<bool> failed_{false};
  std::atomic<int> replyTimeoutMs_{5000};
};

// The first visible top-level window of another process, waited for while
// the process runs (benchmarks timing a program's start); nullptr when it
// ended without one.
HWND WaitShownWindow(HANDLE process, DWORD pid);

}  // namespace robot
