// The robot against plain Win32 windows made here: the test's thread owns the
// windows and pumps messages, the robot's script drives them.
#include "tests/support/robot.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

using robot::Robot;

enum : int {
  kGo = 101,
  kDisabled = 102,
  kEdit = 103,
  kCheck = 104,
  kList = 105,
  kQuietList = 106,
  kCombo = 107,
  kTool = 108,
  kInnerGo = 109,
  kOpen = 201,
  kOne = 202,
  kExit = 203,
  kToolbar = 204,
  kStatusBar = 205,
  kGrayed = 206,
  kRefresh = 207,
};

// What the frame's window procedure saw; lives in GWLP_USERDATA.
struct Frame {
  std::vector<std::pair<int, int>> commands;  // (id, notification), in order
  std::atomic<int> commandCount{0};
  bool statusBar = true;  // the check mark WM_INITMENUPOPUP sets
};

struct WindowDestroyer {
  void operator()(HWND window) const {
    if (IsWindow(window)) DestroyWindow(window);
  }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct MenuDestroyer {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using Menu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

struct AccelDestroyer {
  void operator()(HACCEL accel) const { DestroyAcceleratorTable(accel); }
};
using Accel = std::unique_ptr<std::remove_pointer_t<HACCEL>, AccelDestroyer>;

LRESULT CALLBACK frameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* frame = reinterpret_cast<Frame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrA(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
      break;
    case WM_COMMAND:
      if (frame) {
        frame->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        ++frame->commandCount;
      }
      return 0;
    case WM_INITMENUPOPUP:
      if (frame) {
        CheckMenuItem(reinterpret_cast<HMENU>(wParam), kStatusBar,
                      MF_BYCOMMAND | (frame->statusBar ? MF_CHECKED : MF_UNCHECKED));
      }
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A button of our own class: it answers BM_CLICK like the program's tool buttons.
LRESULT CALLBACK toolProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BM_CLICK) {
    SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                 reinterpret_cast<LPARAM>(window));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void registerClasses() {
  WNDCLASSA frame{};
  frame.lpfnWndProc = frameProc;
  frame.hInstance = GetModuleHandleA(nullptr);
  frame.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frame.lpszClassName = "RobotTestFrame";
  RegisterClassA(&frame);  // fails harmlessly when an earlier test registered it
  WNDCLASSA tool = frame;
  tool.lpfnWndProc = toolProc;
  tool.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1);
  tool.lpszClassName = "RobotTestTool";
  RegisterClassA(&tool);
}

HWND control(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h) {
  return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

HMENU buildMenu() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  HMENU recent = CreatePopupMenu();
  HMENU view = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, kOpen, "&Open...\tCtrl+O");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(recent, MF_STRING, kOne, "&One");
  AppendMenuA(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), "&Recent");
  AppendMenuA(file, MF_STRING, kExit, "E&xit");
  AppendMenuA(view, MF_STRING | MF_CHECKED, kToolbar, "&Toolbar");
  AppendMenuA(view, MF_STRING, kStatusBar, "&Status bar");
  AppendMenuA(view, MF_STRING | MF_GRAYED, kGrayed, "&Grayed");
  AppendMenuA(view, MF_STRING, kRefresh, "&Refresh\tF5");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), "&View");
  return bar;
}

// A top-level window with one control of each kind the robot reads.
Window makeFrame(Frame& frame, const char* caption) {
  registerClasses();
  HWND w = CreateWindowExA(0, "RobotTestFrame", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 420, 320, nullptr,
                           buildMenu(), GetModuleHandleA(nullptr), &frame);
  control(w, "Button", "&Go", BS_PUSHBUTTON, kGo, 10, 10, 80, 24);
  control(w, "Button", "&Disabled", BS_PUSHBUTTON | WS_DISABLED, kDisabled, 100, 10, 80, 24);
  control(w, "Edit", "hello", WS_BORDER | ES_AUTOHSCROLL, kEdit, 10, 44, 170, 22);
  HWND check = control(w, "Button", "&Check", BS_AUTOCHECKBOX, kCheck, 10, 74, 100, 20);
  SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
  HWND list = control(w, "ListBox", "", WS_BORDER | LBS_NOTIFY, kList, 10, 100, 120, 80);
  for (const char* item : {"alpha", "beta", "gamma"})
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  HWND quiet = control(w, "ListBox", "", WS_BORDER, kQuietList, 140, 100, 120, 80);
  for (const char* item : {"one", "two"}) SendMessageA(quiet, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  HWND combo = control(w, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, kCombo, 270, 100, 120, 120);
  for (const char* item : {"red", "green", "blue"})
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendMessageA(combo, CB_SETCURSEL, 1, 0);
  control(w, "RobotTestTool", "Tool", 0, kTool, 200, 10, 60, 24);
  HWND panel = control(w, "Static", "", SS_GRAYFRAME, 0, 10, 190, 200, 50);
  control(panel, "Button", "&Go", BS_PUSHBUTTON, kInnerGo, 10, 10, 80, 24);
  return Window(w);
}

// Pumps the test thread's messages until `done()` or `ms` pass; a broken robot
// must not hang the test.
template <typename Done>
bool pumpUntil(Done done, int ms = 20000, HWND accelWindow = nullptr, HACCEL accel = nullptr) {
  DWORD start = GetTickCount();
  while (!done()) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (accel && TranslateAcceleratorA(accelWindow, accel, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) break;
    if (static_cast<int>(GetTickCount() - start) > ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

bool pumpUntilGone(HWND window, int ms = 20000) {
  return pumpUntil([window] { return !IsWindow(window); }, ms);
}

using Commands = std::vector<std::pair<int, int>>;

// Runs `body` and returns the failures it recorded on any thread, instead of
// failing this test with them.
template <typename Body>
std::vector<std::string> failuresOf(Body body) {
  testing::TestPartResultArray results;
  {
    testing::ScopedFakeTestPartResultReporter reporter(testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS,
                                                       &results);
    body();
  }
  std::vector<std::string> out;
  for (int i = 0; i < results.size(); ++i) out.push_back(results.GetTestPartResult(i).message());
  return out;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\n";
  return out;
}

bool mentions(const std::vector<std::string>& failures, const std::string& text) {
  for (const auto& f : failures) {
    if (f.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(Robot, FindsAndReadsWindowsAndControls) {
  Frame frame;
  Window w = makeFrame(frame, "Robot reads");
  Robot robot([](Robot& r) {
    HWND frameWindow = r.waitWindow("Robot reads", "robottestframe");
    ASSERT_NE(frameWindow, nullptr);
    EXPECT_FALSE(r.exists("Robot read")) << "captions must match exactly";
    EXPECT_EQ(r.text(frameWindow), "Robot reads");

    HWND go = r.findChild(frameWindow, "&Go");
    HWND innerGo = r.findChild(frameWindow, "&Go", "Button", 1);
    ASSERT_NE(go, nullptr);
    ASSERT_NE(innerGo, nullptr);
    EXPECT_EQ(GetDlgCtrlID(go), kGo) << "creation order comes first";
    EXPECT_EQ(GetDlgCtrlID(innerGo), kInnerGo) << "children of children are found";
    EXPECT_EQ(r.findChild(frameWindow, "&Go", "Button", 2), nullptr);
    EXPECT_EQ(r.findChild(frameWindow, "&Go", "Edit"), nullptr);
    EXPECT_EQ(r.children(frameWindow, "Button").size(), 4u);
    EXPECT_EQ(r.children(frameWindow, "").size(), 10u);

    HWND edit = r.findChild(frameWindow, "", "Edit");
    EXPECT_EQ(r.text(edit), "hello");
    EXPECT_TRUE(r.checked(r.findChild(frameWindow, "&Check")));
    EXPECT_FALSE(r.checked(go));
    EXPECT_TRUE(r.enabled(go));
    EXPECT_FALSE(r.enabled(r.findChild(frameWindow, "&Disabled")));
    EXPECT_TRUE(r.visible(go));

    HWND list = r.findChild(frameWindow, "", "ListBox");
    HWND combo = r.findChild(frameWindow, "", "ComboBox");
    EXPECT_EQ(r.listItems(list), (std::vector<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_EQ(r.listSelection(list), -1);
    EXPECT_EQ(r.listItems(combo), (std::vector<std::string>{"red", "green", "blue"}));
    EXPECT_EQ(r.listSelection(combo), 1);
    EXPECT_EQ(r.text(combo), "green");

    RECT rect = r.screenRect(frameWindow);
    EXPECT_EQ(rect.right - rect.left, 420);
    EXPECT_EQ(rect.bottom - rect.top, 320);
    r.close(frameWindow);
    EXPECT_TRUE(r.waitGone(frameWindow));
  });
  EXPECT_TRUE(pumpUntilGone(w.get()));
  robot.join();
}

TEST(Robot, ClicksButtonsOfEveryKind) {
  Frame frame;
  Window w = makeFrame(frame, "Robot clicks");
  bool checkAfter = true;
  Robot robot([&checkAfter](Robot& r) {
    HWND frameWindow = r.waitWindow("Robot clicks");
    ASSERT_NE(frameWindow, nullptr);
    r.clickButton(frameWindow, "&Go");
    r.click(r.findChild(frameWindow, "Tool", "RobotTestTool"));
    r.click(r.findChild(frameWindow, "&Check"));
    r.sync(frameWindow);
    checkAfter = r.checked(r.findChild(frameWindow, "&Check"));
    r.close(frameWindow);
  });
  EXPECT_TRUE(pumpUntilGone(w.get()));
  robot.join();
  EXPECT_FALSE(checkAfter);
  EXPECT_EQ(frame.commands, (Commands{{kGo, BN_CLICKED}, {kTool, BN_CLICKED}, {kCheck, BN_CLICKED}}));
}

TEST(Robot, RefusesWhatAUserCouldNotDo) {
  Frame frame;
  Window w = makeFrame(frame, "Robot refuses");
  auto failures = failuresOf([&w] {
    Robot robot([](Robot& r) {
      HWND frameWindow = r.waitWindow("Robot refuses");
      if (!frameWindow) return;
      r.clickButton(frameWindow, "&Disabled");
      r.clickButton(frameWindow, "&Missing");
      r.doubleClickItem(r.findChild(frameWindow, "", "ListBox", 1), 0);
      r.selectItem(r.findChild(frameWindow, "", "ListBox"), 3);
      r.menu(frameWindow, {"&View", "&Grayed"});
      r.menu(frameWindow, {"&File", "&Recent"});
      r.menu(frameWindow, {"&File", "Nothing"});
      r.menuChecked(frameWindow, {});
      r.close(frameWindow);
    });
    pumpUntilGone(w.get());
    robot.join();
  });
  EXPECT_EQ(failures.size(), 8u) << joined(failures);
  EXPECT_TRUE(mentions(failures, "\"&Disabled\" (Button) is disabled")) << joined(failures);
  EXPECT_TRUE(mentions(failures, "no control \"&Missing\"")) << joined(failures);
  EXPECT_TRUE(mentions(failures, "no LBS_NOTIFY")) << joined(failures);
  EXPECT_TRUE(mentions(failures, "no entry 3 (there are 3)")) << joined(failures);
  EXPECT_TRUE(mentions(failures, "&View > &Grayed is disabled")) << joined(failures);
  EXPECT_TRUE(mentions(failures, "&File > &Recent opens a submenu")) << joined(failures);
  EXPECT_TRUE(mentions(failures, "no entry \"Nothing\"")) << joined(failures);
  EXPECT_TRUE(mentions(failures, "an empty path")) << joined(failures);
  EXPECT_TRUE(frame.commands.empty());
}

TEST(Robot, EditsAndSelects) {
  Frame frame;
  Window w = makeFrame(frame, "Robot edits");
  std::string edited;
  int listSel = -1, quietSel = -1, comboSel = -1;
  Robot robot([&](Robot& r) {
    HWND frameWindow = r.waitWindow("Robot edits");
    ASSERT_NE(frameWindow, nullptr);
    HWND edit = r.findChild(frameWindow, "", "Edit");
    r.setText(edit, "new text");
    r.selectItem(r.findChild(frameWindow, "", "ListBox"), 2);
    r.selectItem(r.findChild(frameWindow, "", "ListBox", 1), 1);
    r.selectItem(r.findChild(frameWindow, "", "ComboBox"), 0);
    r.doubleClickItem(r.findChild(frameWindow, "", "ListBox"), 1);
    r.sync(frameWindow);
    edited = r.text(edit);
    listSel = r.listSelection(r.findChild(frameWindow, "", "ListBox"));
    quietSel = r.listSelection(r.findChild(frameWindow, "", "ListBox", 1));
    comboSel = r.listSelection(r.findChild(frameWindow, "", "ComboBox"));
    r.close(frameWindow);
  });
  EXPECT_TRUE(pumpUntilGone(w.get()));
  robot.join();
  EXPECT_EQ(edited, "new text");
  EXPECT_EQ(listSel, 1);
  EXPECT_EQ(quietSel, 1);
  EXPECT_EQ(comboSel, 0);
  // The list without LBS_NOTIFY reports nothing, as with a real click.
  EXPECT_EQ(frame.commands, (Commands{{kEdit, EN_UPDATE},
                                      {kEdit, EN_CHANGE},
                                      {kList, LBN_SELCHANGE},
                                      {kCombo, CBN_SELCHANGE},
                                      {kList, LBN_SELCHANGE},
                                      {kList, LBN_DBLCLK}}));
}

TEST(Robot, ReadsAndChoosesMenuEntries) {
  Frame frame;
  Window w = makeFrame(frame, "Robot menus");
  Robot robot([&frame](Robot& r) {
    HWND frameWindow = r.waitWindow("Robot menus");
    ASSERT_NE(frameWindow, nullptr);
    EXPECT_EQ(r.menuCaptions(frameWindow, {}), (std::vector<std::string>{"&File", "&View"}));
    EXPECT_EQ(r.menuCaptions(frameWindow, {"&File"}), (std::vector<std::string>{"&Open...", "-", "&Recent", "E&xit"}));
    EXPECT_EQ(r.menuTexts(frameWindow, {"&File"})[0], "&Open...\tCtrl+O");
    EXPECT_EQ(r.menuCaptions(frameWindow, {"&File", "&Recent"}), (std::vector<std::string>{"&One"}));
    EXPECT_TRUE(r.menuChecked(frameWindow, {"&View", "&Toolbar"}));
    // The check mark the window sets as the menu opens.
    EXPECT_TRUE(r.menuChecked(frameWindow, {"&View", "&Status bar"}));
    frame.statusBar = false;  // read on the UI thread only while the robot sends WM_INITMENUPOPUP
    EXPECT_FALSE(r.menuChecked(frameWindow, {"&View", "&Status bar"}));
    r.menu(frameWindow, {"&File", "&Open..."});
    r.menu(frameWindow, {"&File", "&Recent", "&One"});
    r.close(frameWindow);
  });
  EXPECT_TRUE(pumpUntilGone(w.get()));
  robot.join();
  EXPECT_EQ(frame.commands, (Commands{{kOpen, 0}, {kOne, 0}}));
}

TEST(Robot, TypesKeysThatReachAccelerators) {
  Frame frame;
  Window w = makeFrame(frame, "Robot keys");
  ACCEL table[] = {
      {FVIRTKEY | FCONTROL, 'O', kOpen}, {FVIRTKEY, VK_F5, kRefresh}, {FVIRTKEY | FSHIFT | FALT, 'X', kExit}};
  Accel accel(CreateAcceleratorTableA(table, 3));
  Frame otherFrame;
  Window other = makeFrame(otherFrame, "Robot keys elsewhere");  // takes the foreground
  Robot robot([](Robot& r) {
    HWND frameWindow = r.waitWindow("Robot keys");
    ASSERT_NE(frameWindow, nullptr);
    EXPECT_NE(GetForegroundWindow(), frameWindow);
    r.key(frameWindow, 'O', true);
    r.key(frameWindow, VK_F5);
    r.key(frameWindow, 'O');  // no accelerator without Ctrl
    r.key(frameWindow, 'X', false, true, true);
    r.close(frameWindow);
  });
  EXPECT_TRUE(pumpUntil([&w] { return !IsWindow(w.get()); }, 20000, w.get(), accel.get()));
  robot.join();
  Commands accelerators;
  for (auto c : frame.commands) {
    if (c.second == 1) accelerators.push_back(c);
  }
  EXPECT_EQ(accelerators, (Commands{{kOpen, 1}, {kRefresh, 1}, {kExit, 1}}));
  EXPECT_TRUE(otherFrame.commands.empty());
}

TEST(Robot, EndsAModalLoopByClickingItsButton) {
  Frame frame;
  Window w = makeFrame(frame, "Robot owner");
  bool gone = false;
  int answer = 0;
  auto failures = failuresOf([&] {
    Robot robot([&gone](Robot& r) {
      HWND box = r.waitWindow("Robot question", "#32770");
      ASSERT_NE(box, nullptr);
      EXPECT_NE(r.findChild(box, "Do it?", "Static"), nullptr);
      HWND owner = r.waitWindow("Robot owner");
      EXPECT_FALSE(r.enabled(owner)) << "the owner is disabled while the box is up";
      r.clickButton(owner, "&Go");
      r.clickButton(box, "&No");
      gone = r.waitGone(box);
    });
    answer = MessageBoxA(w.get(), "Do it?", "Robot question", MB_YESNOCANCEL);
    robot.join();
  });
  EXPECT_EQ(answer, IDNO);
  EXPECT_TRUE(gone);
  ASSERT_EQ(failures.size(), 1u) << joined(failures);
  EXPECT_TRUE(mentions(failures, "\"&Go\" (Button) is in a disabled window")) << joined(failures);
  EXPECT_TRUE(frame.commands.empty());
}

TEST(Robot, ReportsMissingWindowsAndScriptExceptions) {
  auto failures = failuresOf([] {
    Robot robot([](Robot& r) {
      EXPECT_FALSE(r.exists("Robot nowhere"));
      EXPECT_EQ(r.waitWindow("Robot nowhere", {}, 100), nullptr);
      throw std::runtime_error("script broke");
    });
    robot.join();
  });
  ASSERT_EQ(failures.size(), 2u) << joined(failures);
  EXPECT_TRUE(mentions(failures, "no window \"Robot nowhere\" within 100 ms")) << joined(failures);
  EXPECT_TRUE(mentions(failures, "robot script: script broke")) << joined(failures);
}

TEST(Robot, ClosesModalBoxesAfterAFailedScript) {
  Frame frame;
  Window w = makeFrame(frame, "Robot rescue");
  int answer = 0;
  auto failures = failuresOf([&] {
    Robot robot([](Robot& r) {
      r.waitWindow("Robot rescue box");
      throw std::runtime_error("gave up");
    });
    answer = MessageBoxA(w.get(), "Stuck?", "Robot rescue box", MB_OKCANCEL);
    robot.join();
  });
  EXPECT_EQ(answer, IDCANCEL);
  EXPECT_TRUE(IsWindow(w.get())) << "windows without an owner stay";
  EXPECT_EQ(failures.size(), 1u) << joined(failures);
}

TEST(Robot, FailsInsteadOfHangingOnABusyUiThread) {
  Frame frame;
  Window w = makeFrame(frame, "Robot busy");
  auto failures = failuresOf([&] {
    Robot robot([](Robot& r) {
      r.setReplyTimeout(300);
      HWND frameWindow = r.waitWindow("Robot busy");
      r.text(r.findChild(frameWindow, "", "Edit"));
    });
    robot.join();  // the test's thread handles no messages meanwhile
  });
  ASSERT_EQ(failures.size(), 1u) << joined(failures);
  EXPECT_TRUE(mentions(failures, "did not answer")) << joined(failures);
  pumpUntil([] { return false; }, 100);
}

TEST(Robot, SyncWaitsForEverythingPostedBefore) {
  Frame frame;
  Window w = makeFrame(frame, "Robot sync");
  int seen = -1;
  Robot robot([&](Robot& r) {
    HWND frameWindow = r.waitWindow("Robot sync");
    ASSERT_NE(frameWindow, nullptr);
    for (int i = 0; i < 50; ++i) r.clickButton(frameWindow, "&Go");
    r.sync(frameWindow);
    seen = frame.commandCount;
    r.close(frameWindow);
  });
  EXPECT_TRUE(pumpUntilGone(w.get()));
  robot.join();
  EXPECT_EQ(seen, 50);
}

// The PNG's size from its IHDR chunk.
std::pair<int, int> pngSize(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {0, 0};
  unsigned char header[24] = {};
  size_t got = std::fread(header, 1, sizeof header, f);
  std::fclose(f);
  if (got != sizeof header || header[1] != 'P' || header[2] != 'N' || header[3] != 'G') return {0, 0};
  auto be = [&header](int at) {
    return header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3];
  };
  return {be(16), be(20)};
}

TEST(Robot, SavesAScreenshotOfTheWindow) {
  Frame frame;
  Window w = makeFrame(frame, "Robot screenshot");
  std::string path;
  Robot robot([&path](Robot& r) {
    HWND frameWindow = r.waitWindow("Robot screenshot");
    ASSERT_NE(frameWindow, nullptr);
    path = r.screenshot(frameWindow, "robot frame");
    r.close(frameWindow);
  });
  EXPECT_TRUE(pumpUntilGone(w.get(), 40000));
  robot.join();
  ASSERT_FALSE(path.empty());
  EXPECT_NE(path.find("\\screenshots\\robot_frame.png"), std::string::npos) << path;
  EXPECT_EQ(pngSize(path), std::make_pair(420, 320));
}

}  // namespace
