// The program's main window as a start runs it: start-up (FormCreate) and the
// message loop on the test's thread while the robot drives the window. Built
// into each test program with the program's objects (its TMainForm is the
// one of that build, with or without mail).
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>

#include "app/Main.h"
#include "settings/Settings.h"
#include "tests/support/robot.h"

namespace testenv {

// A case of the main window; the settings key is empty before and after it.
class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Stores `settings` as an earlier run would have left them; the program's
  // record is left empty for start-up to load.
  static void StoreSettings(const TSettings& settings);

  // Runs start-up and the message loop while `script` drives the window from
  // the robot (whose reads wait `replyTimeoutMs` for the window). However the
  // script ends, the window is closed, so the loop ends and what went wrong
  // is reported instead of the test hanging.
  void RunMain(const std::function<void(robot::Robot&, TMainForm&)>& script, int replyTimeoutMs = 5000);

  // For the script: the main window once start-up has returned and the loop
  // runs, synced; nullptr with a failure recorded when that does not come.
  HWND WaitMain(robot::Robot& r, int timeoutMs = 30000);

  // When the last start-up returned.
  std::chrono::steady_clock::time_point StartUpEnded() const { return startUpEnded_; }

 private:
  std::atomic<bool> startUpDone_{false};
  std::chrono::steady_clock::time_point startUpEnded_;
};

}  // namespace testenv
