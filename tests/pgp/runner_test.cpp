// The job runner, pass-phrase prompt, status window and output viewer
// against the real windows, command.com and the scripted PGP.
#include "pgp/runner.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Main.h"
#include "files/TextFile.h"
#include "files/workfiles.h"
#include "forms/status.h"
#include "pgp/pgpcommand.h"
#include "pgp/pgpinput.h"
#include "standins/bridge/files.h"
#include "tests/support/dialogs.h"
#include "tests/support/process.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"
#include "ui/errors.h"
#include "ui/handles.h"

namespace {

using robot::Robot;
using testenv::PumpUntil;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const char* const kListing =
    "\r\nKey ring: 'C:\\PGP\\pubring.pgp'\r\nType Bits/KeyID    Date       User ID\r\n"
    "pub  1024/0DBF906D 1996/03/04 Alice Example <alice@example.org>\r\n1 matching key found.\r\n";
const std::string kPass = "p%1%%x%PATH%&^|<>a b";

std::string ProgramFolder() {
  char path[MAX_PATH];
  std::string s(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  return s.substr(0, s.find_last_of('\\'));
}

std::string SystemTemp() {
  char path[MAX_PATH];
  return std::string(path, GetTempPathA(MAX_PATH, path));
}

// A file's bytes; "" when it cannot be read.
std::string Contents(const std::string& path) { return bridge::ReadWholeFile(path).value_or(""); }

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  ui::FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &fd));
  if (!find) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileA(find.get(), &fd));
  return names;
}

// The batch files of a folder.
std::vector<std::string> BatchFilesIn(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& name : FilesIn(folder))
    if (name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".BAT") == 0) found.push_back(folder + "\\" + name);
  return found;
}

// Files of a folder (not below it) that contain `secret`; programs skipped.
std::vector<std::string> FilesHolding(const std::string& folder, const std::string& secret) {
  std::vector<std::string> found;
  for (const auto& name : FilesIn(folder)) {
    std::string path = folder + "\\" + name;
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a) || a.nFileSizeHigh ||
        a.nFileSizeLow > (1u << 20))
      continue;
    if (Contents(path).find(secret) != std::string::npos) found.push_back(path);
  }
  return found;
}

// Sets the flag when the robot's script ends, however it ends.
struct Finished {
  std::atomic<bool>& done;
  ~Finished() { done = true; }
};

// A screenshot taken straight from the X screen, without asking the UI thread
// (which is blocked in the runner's wait).
void ScreenshotNow(HWND window, const std::string& name) {
  const char* build = std::getenv("SW_BUILD_DIR");
  if (!build) return;
  RECT r;
  GetWindowRect(window, &r);
  std::string folder = std::string(build) + "/screenshots";
  std::string command = "Z:\\bin\\sh -c \"mkdir -p '" + folder + "' && import -window root -crop " +
                        std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "+" +
                        std::to_string(r.left) + "+" + std::to_string(r.top) + " +repage '" + folder + "/" + name +
                        ".png'\"";
  testproc::Run({.commandLine = command, .capture = false, .creationFlags = 0, .timeoutMs = 10000});
}

// A PGP folder holding the scripted PGP as PGP.EXE, and a temporary folder of
// the test's own (TMP) so that what the runner leaves behind can be counted.
class Runner : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = SystemTemp() + "swrunner" + std::to_string(GetCurrentProcessId());
    testproc::RemoveTree(root_);
    pgp_ = root_ + "\\pgp";
    temp_ = root_ + "\\tmp";
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(pgp_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(temp_.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\scriptpgp.exe").c_str(), (pgp_ + "\\PGP.EXE").c_str(), FALSE));
    WriteTextFile(pgp_ + "\\listing.txt", kListing);
    char old[MAX_PATH] = {};
    hadTmp_ = GetEnvironmentVariableA("TMP", old, MAX_PATH) > 0;
    oldTmp_ = old;
    SetEnvironmentVariableA("TMP", (temp_ + "\\").c_str());
    ctx_.command = pgp::MakePgpCommand(pgp_);
    ctx_.pgpPath = pgp_;
    form_ = std::make_unique<TMainForm>();
    form_->show();
  }
  void TearDown() override {
    form_.reset();
    SetEnvironmentVariableA("TMP", hadTmp_ ? oldTmp_.c_str() : nullptr);
    testproc::RemoveTree(root_);
  }
  void scenario(const std::string& text) { WriteTextFile(pgp_ + "\\scenario.txt", text); }
  std::string log() { return Contents(pgp_ + "\\pgp.log"); }
  // The run's batch file lives in the temporary folder; none is left anywhere.
  bool noBatchFile() { return BatchFilesIn(temp_).empty() && BatchFilesIn(ProgramFolder()).empty(); }
  // Neither the program folder, nor the temporary folders hold the pass phrase.
  void expectNoPassPhraseLeft() {
    for (const auto& folder : {ProgramFolder(), temp_, SystemTemp()}) {
      auto found = FilesHolding(folder, kPass);
      EXPECT_TRUE(found.empty()) << found.front();
    }
  }

  std::string root_, pgp_, temp_, oldTmp_;
  bool hadTmp_ = false;
  pgp::Context ctx_;
  std::unique_ptr<TMainForm> form_;
};

TEST_F(Runner, WithoutPauseNothingOfTheRunRemains) {
  ASSERT_TRUE(RunPgp(ctx_, pgp::KeyListCommand(ctx_)));
  EXPECT_EQ(log(), "\"" + pgp_ + "\\PGP.EXE\" -kv +BatchMode\r\n");
  EXPECT_TRUE(FilesIn(temp_).empty());
  EXPECT_TRUE(noBatchFile());
}

TEST_F(Runner, CallersOutputFileIsKeptWithPgpsOutput) {
  std::string out = NewWorkFileName();
  ASSERT_TRUE(RunPgp(ctx_, pgp::KeyListCommand(ctx_), out, true));
  EXPECT_EQ(Contents(out), kListing);
  EXPECT_TRUE(noBatchFile());
  EXPECT_TRUE(RemoveFile(out));
  EXPECT_TRUE(FilesIn(temp_).empty());
}

TEST_F(Runner, PauseShowsTheOutputAndDeletesTheFilesAfterTheViewerCloses) {
  ctx_.pause = true;
  Robot robot([&](Robot& r) {
    HWND viewer = r.waitWindow("PGP Output");
    if (!viewer) return;
    HWND memo = r.children(viewer, "RichEdit20A").empty() ? nullptr : r.children(viewer, "RichEdit20A")[0];
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(r.text(memo), kListing);
    EXPECT_EQ(BatchFilesIn(temp_).size(), 1u);
    EXPECT_EQ(FilesIn(temp_).size(), 2u);
    RECT rc;
    GetClientRect(viewer, &rc);
    EXPECT_EQ(rc.right, 523);
    EXPECT_EQ(rc.bottom, 324);
    r.screenshot(viewer, "pgp_output_viewer");
    r.clickButton(viewer, "&Close");
  });
  EXPECT_TRUE(RunPgp(ctx_, pgp::KeyListCommand(ctx_)));
  robot.join();
  EXPECT_TRUE(noBatchFile());
  EXPECT_TRUE(FilesIn(temp_).empty());
}

TEST_F(Runner, ViewerFailureStillWipesTheBatchFile) {
  ctx_.pause = true;
  std::string out = temp_ + "\\gone.txt";
  scenario("passphrase=x\n");
  // PGP's output cannot be redirected into a folder that does not exist, so
  // the viewer finds no file.
  EXPECT_THROW(RunPgp(ctx_, pgp::KeyListCommand(ctx_), temp_ + "\\missing\\out.txt", true, kPass), ui::Error);
  EXPECT_TRUE(noBatchFile());
  expectNoPassPhraseLeft();
}

TEST_F(Runner, SlowRunShowsTheStatusWindowWithABatchFileOfItsOwn) {
  // Each run stays inside PGP until the robot has looked and lets it go on.
  const std::string goOn = root_ + "\\go-on";
  scenario("await=" + goOn + "\n");
  ctx_.runIcon = true;  // the console stays off the main window
  std::atomic<int> run{0};
  Robot robot([&](Robot& r) {
    for (int i = 1; i <= 2; ++i) {
      HWND status = nullptr;
      r.waitUntil(
          [&] {
            status = run == i ? FindWindowExA(form_->handle(), nullptr, "SwForm", nullptr) : nullptr;
            return status && IsWindowVisible(status);
          },
          "status window of run " + std::to_string(i));
      ASSERT_NE(status, nullptr) << "run " << i;
      EXPECT_EQ(GetParent(status), form_->handle());
      auto batch = BatchFilesIn(temp_);
      ASSERT_EQ(batch.size(), 1u);
      EXPECT_NE(Contents(batch[0]).find(i == 1 ? "-kv +BatchMode" : "-kvc +BatchMode"), std::string::npos);
      if (i == 1) {
        Sleep(500);  // the picture only: Wine copies the painted pixels to the screen meanwhile
        ScreenshotNow(form_->handle(), "pgp_status_over_main");
        RECT rc;
        GetClientRect(status, &rc);
        EXPECT_EQ(rc.right, 313);
        EXPECT_EQ(rc.bottom, 35);
        HWND panel = GetWindow(status, GW_CHILD);
        EXPECT_EQ(FindWindowExA(status, nullptr, "SwPanel", "Waiting for PGP to complete..."), panel);
      }
      testenv::WriteFile(goOn, "");
      // This run's window, not any status window: the next run's may follow
      // it within one poll.
      r.waitUntil([&] { return !IsWindow(status); }, "end of run " + std::to_string(i));
    }
  });
  // The main window painted, as it is when a command starts.
  RedrawWindow(form_->handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  run = 1;
  EXPECT_TRUE(RunPgp(ctx_, pgp::KeyListCommand(ctx_)));
  run = 2;
  EXPECT_TRUE(RunPgp(ctx_, ctx_.command + "-kvc"));
  robot.join();
  EXPECT_TRUE(noBatchFile());
  EXPECT_EQ(FindWindowExA(form_->handle(), nullptr, "SwForm", nullptr), nullptr);
}

TEST_F(Runner, PassPhraseReachesPgpOnlyThroughItsEnvironment) {
  // The program's own environment is left as it was.
  ASSERT_TRUE(RunPgp(ctx_, pgp::KeyListCommand(ctx_), {}, false, kPass));
  EXPECT_EQ(log(), "\"" + pgp_ + "\\PGP.EXE\" -kv +BatchMode\r\n");
  char inherited[8];
  EXPECT_EQ(GetEnvironmentVariableA("PGPPASS", inherited, sizeof inherited), 0u);
  EXPECT_TRUE(noBatchFile());
  expectNoPassPhraseLeft();
}

// The second copy of the program for the test below; does nothing on its own.
// Its PGP says when it is running and stays until the first copy's PGP runs.
TEST_F(Runner, PeerCopy) {
  const char* out = std::getenv("SW_RUNNER_PEER_OUTPUT");
  if (!out) GTEST_SKIP() << "started only by TwoCopiesRunningAtOnceEachGetTheirOwnResult";
  const std::string folder = std::string(out).substr(0, std::string(out).find_last_of('\\'));
  scenario("marker=" + folder + "\\peer-running\nawait=" + folder + "\\own-running\n");
  ASSERT_TRUE(RunPgp(ctx_, ctx_.command + "-kvc \"Alice\"", out, true));
}

TEST_F(Runner, TwoCopiesRunningAtOnceEachGetTheirOwnResult) {
  scenario("marker=" + root_ + "\\own-running\n");
  const std::string peerOut = root_ + "\\peer.txt";
  SetEnvironmentVariableA("SW_RUNNER_PEER_OUTPUT", peerOut.c_str());
  char self[MAX_PATH];
  std::string command(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
  testproc::Outcome peer;
  std::thread other(
      [&] { peer = testproc::Run({.commandLine = "\"" + command + "\" --gtest_filter=Runner.PeerCopy"}); });
  // This run starts while the other copy's PGP runs, which ends only after this one's has begun.
  EXPECT_TRUE(testenv::WaitUntil([&] { return testenv::Exists(root_ + "\\peer-running"); }, 60000));
  const std::string out = temp_ + "\\own.txt";
  EXPECT_TRUE(RunPgp(ctx_, pgp::KeyListCommand(ctx_), out, true));
  other.join();
  SetEnvironmentVariableA("SW_RUNNER_PEER_OUTPUT", nullptr);
  EXPECT_TRUE(peer.ended);
  EXPECT_EQ(peer.exitCode, 0u) << peer.out << peer.err;
  EXPECT_EQ(Contents(out), kListing);
  const std::string peerListing = Contents(peerOut);
  EXPECT_NE(peerListing.find("Key fingerprint"), std::string::npos) << peerListing << peer.out;
  EXPECT_NE(peerListing, kListing);
  EXPECT_EQ(log(), "\"" + pgp_ + "\\PGP.EXE\" -kv +BatchMode\r\n");
  RemoveFile(out);
  EXPECT_TRUE(noBatchFile());
}

TEST_F(Runner, StartFailureNamesThePgpCommandAndLeavesNothing) {
  Robot robot([&](Robot& r) {
    HWND box = r.waitWindow("Error");
    if (!box) return;
    EXPECT_NE(r.findChild(box, "Unable to execute : \r\n\r\n" + ctx_.command), nullptr);
    EXPECT_EQ(FindWindowExA(form_->handle(), nullptr, "SwForm", nullptr), nullptr);
    EXPECT_TRUE(noBatchFile());
    r.clickButton(box, "OK");
  });
  EXPECT_FALSE(pgp::RunPgpWith("no-such-interpreter.com /c", ctx_, pgp::KeyListCommand(ctx_), {}, false, kPass));
  robot.join();
  EXPECT_EQ(log(), "");
  EXPECT_TRUE(noBatchFile());
  EXPECT_TRUE(FilesIn(temp_).empty());
  expectNoPassPhraseLeft();
}

TEST(StartupRecord, ShowsTheConsoleMinimisedOnlyWithRunIcon) {
  STARTUPINFOA icon = pgp::StartupRecord(true);
  STARTUPINFOA normal = pgp::StartupRecord(false);
  EXPECT_EQ(icon.cb, sizeof(STARTUPINFOA));
  EXPECT_EQ(icon.dwFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW));
  EXPECT_EQ(icon.wShowWindow, SW_SHOWMINIMIZED);
  EXPECT_EQ(normal.wShowWindow, SW_SHOWNORMAL);
  normal.wShowWindow = icon.wShowWindow;
  EXPECT_EQ(std::memcmp(&icon, &normal, sizeof icon), 0);
  STARTUPINFOA zero{};
  zero.cb = icon.cb;
  zero.dwFlags = icon.dwFlags;
  zero.wShowWindow = icon.wShowWindow;
  EXPECT_EQ(std::memcmp(&icon, &zero, sizeof icon), 0);
}

class PassPhrase : public Runner {};

TEST_F(PassPhrase, OkReturnsExactlyWhatWasTyped) {
  std::string phrase = "old";
  Robot robot([](Robot& r) {
    HWND dlg = r.waitWindow("PGP pass phrase");
    if (!dlg) return;
    EXPECT_NE(r.findChild(dlg, "Type in your secret password phrase :"), nullptr);
    HWND edit = r.findChild(dlg, "", "Edit");
    EXPECT_EQ(GetWindowLongA(edit, GWL_STYLE) & ES_PASSWORD, ES_PASSWORD);
    EXPECT_EQ(SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0), '*');
    RECT rc;
    GetClientRect(dlg, &rc);
    EXPECT_EQ(rc.right, 434);
    EXPECT_EQ(rc.bottom, 65);
    r.setText(edit, " a%b \"c\" ");
    r.screenshot(dlg, "pgp_pass_phrase");
    r.clickButton(dlg, "&Ok");
  });
  EXPECT_TRUE(AskPassPhrase(phrase));
  robot.join();
  EXPECT_EQ(phrase, " a%b \"c\" ");
}

TEST_F(PassPhrase, OkWithAnEmptyBoxGivesAnEmptyPassPhrase) {
  std::string phrase = "old";
  std::atomic<bool> done{false};
  Robot robot([&](Robot& r) {
    Finished finished{done};
    if (HWND dlg = r.waitWindow("PGP pass phrase")) r.key(dlg, VK_RETURN);
  });
  EXPECT_TRUE(AskPassPhrase(phrase));
  // The key-up comes after the dialog has closed.
  PumpUntil(done);
  robot.join();
  EXPECT_EQ(phrase, "");
}

TEST_F(PassPhrase, CancelEscapeAndCloseBoxLeaveTheTextUntouched) {
  for (int way = 0; way < 3; ++way) {
    std::string phrase = "old";
    std::atomic<bool> done{false};
    Robot robot([way, &done](Robot& r) {
      Finished finished{done};
      HWND dlg = r.waitWindow("PGP pass phrase");
      if (!dlg) return;
      r.setText(r.findChild(dlg, "", "Edit"), "typed");
      if (way == 0) r.clickButton(dlg, "&Cancel");
      if (way == 1) r.key(dlg, VK_ESCAPE);
      if (way == 2) r.close(dlg);
    });
    EXPECT_FALSE(AskPassPhrase(phrase)) << way;
    PumpUntil(done);
    robot.join();
    EXPECT_EQ(phrase, "old") << way;
  }
}

class StatusWindow : public Runner {};

TEST_F(StatusWindow, IsAChildOfTheMainWindowAndEscapeSetsScanCancelled) {
  std::unique_ptr<TStatusFrm> status;
  ShowStatusWindow(true, status, "Connecting ...");
  ASSERT_TRUE(status);
  EXPECT_FALSE(status->ScanCancelled);
  EXPECT_EQ(GetParent(status->handle()), form_->handle());
  EXPECT_EQ(status->Panel1.text(), "Connecting ...");
  std::atomic<bool> done{false};
  HWND h = status->handle();
  Robot robot([&](Robot& r) {
    Finished finished{done};
    r.sync(form_->handle());
    Sleep(300);  // the picture only, as above
    ScreenshotNow(form_->handle(), "pgp_status_window");
    r.key(h, VK_ESCAPE);
  });
  PumpUntil(done);
  robot.join();
  EXPECT_TRUE(status->ScanCancelled);
  ShowStatusWindow(false, status, {});
  EXPECT_FALSE(status);
  EXPECT_FALSE(IsWindow(h));
}

}  // namespace
