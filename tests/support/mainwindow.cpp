#include "tests/support/mainwindow.h"

#include "ui/window.h"

namespace testenv {

void MainWindowTest::SetUp() { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey); }

void MainWindowTest::TearDown() { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey); }

void MainWindowTest::StoreSettings(const TSettings& settings) {
  Settings = settings;
  SaveSettings();
  Settings = TSettings{};
}

void MainWindowTest::RunMain(const std::function<void(robot::Robot&, TMainForm&)>& script, int replyTimeoutMs) {
  startUpDone_ = false;
  TMainForm form;
  robot::Robot r([&](robot::Robot& rb) {
    struct Closer {
      HWND window;
      ~Closer() {
        if (IsWindow(window)) PostMessageA(window, WM_CLOSE, 0, 0);
      }
    } closer{form.handle()};
    rb.setReplyTimeout(replyTimeoutMs);
    script(rb, form);
  });
  form.FormCreate();
  startUpEnded_ = std::chrono::steady_clock::now();
  startUpDone_ = true;
  ui::Application::Get().run();
  r.join();
}

HWND MainWindowTest::WaitMain(robot::Robot& r, int timeoutMs) {
  HWND main = r.waitWindow(kProductCaption, {}, timeoutMs);
  if (!main || !r.waitUntil([this] { return startUpDone_.load(); }, "end of start-up", timeoutMs)) return nullptr;
  r.sync(main);
  return main;
}

}  // namespace testenv
