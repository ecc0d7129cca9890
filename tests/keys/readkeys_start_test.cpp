// A key list read and a text decryption whose PGP job cannot start. The test program runs a copy
// of itself from a folder with no command.com beside it (Wine has none of its
// own), so the runner's process creation really fails there.
#include <windows.h>

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>

#include "app/Main.h"
#include "keys/KeyList.h"
#include "pgp/pgpcommand.h"
#include "settings/Settings.h"
#include "tests/support/dialogs.h"
#include "tests/support/process.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"
#include "ui/handles.h"

namespace {

using robot::Robot;

constexpr const char* kChildVariable = "SW_NO_INTERPRETER_CHILD";

// Runs in the copy only: the three boxes, in this order, and an empty list.
TEST(ReadKeysWithoutInterpreter, Child) {
  if (!std::getenv(kChildVariable)) GTEST_SKIP() << "runs only in the copy started by the test below";
  testenv::TempDir pgp;
  testenv::MakePgpFolder(pgp.path(), {"Alice Example"});
  Settings = TSettings{};
  Settings.PgpPath = pgp.path();
  Settings.Pause = false;
  PgpCommand = pgp::MakePgpCommand(Settings.PgpPath);
  TMainForm form;
  form.show();
  form.KeyList = {{"stale entry", "0DBF906D"}};
  std::string first, second, third;
  Robot r([&](Robot& rb) {
    first = testenv::AnswerBox(rb, "Error");
    second = testenv::AnswerBox(rb, "Error");
    third = testenv::AnswerBox(rb, "Error");
  });
  bool ran = ReadPublicKeys(CurrentPgpContext(), form.KeyList, form.Status());
  r.join();
  EXPECT_FALSE(ran);
  EXPECT_EQ(first, "Unable to execute : \r\n\r\n" + PgpCommand);
  EXPECT_EQ(second, "Error retreiving public keys !");
  EXPECT_EQ(third, "No public keys found !");
  EXPECT_TRUE(form.KeyList.empty());
  EXPECT_EQ(form.statusline.text(), form.StartText());

  // Text decryption: the same message, the window unchanged, no work file left.
  const std::set<std::string> before = testenv::TempFiles();
  const std::string armoured = "-----BEGIN PGP MESSAGE-----\r\nabc\r\n-----END PGP MESSAGE-----\r\n";
  form.memo1.setText(armoured);
  std::string shown;
  Robot d([&](Robot& rb) {
    testenv::TypePassPhrase(rb, "secret");
    shown = testenv::AnswerBox(rb, "Error");
  });
  form.Decrypttext1Click();
  d.join();
  EXPECT_EQ(shown, "Unable to execute : \r\n\r\n" + PgpCommand);
  EXPECT_EQ(form.memo1.text(), armoured);
  EXPECT_EQ(testenv::TempFiles(), before);
}

TEST(ReadKeysWithoutInterpreter, ShowsBothErrorsAndEmptiesTheList) {
  if (std::getenv(kChildVariable)) GTEST_SKIP();
  testenv::TempDir lonely;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string copy = lonely.file("readkeys.exe");
  ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
  ASSERT_FALSE(testenv::Exists(lonely.file("command.com")));
  SetEnvironmentVariableA(kChildVariable, "1");
  testproc::Outcome child =
      testproc::Run({.commandLine = "\"" + copy + "\" --gtest_filter=ReadKeysWithoutInterpreter.Child",
                     .directory = lonely.path(),
                     .capture = false,
                     .creationFlags = 0,
                     .timeoutMs = 120000});
  SetEnvironmentVariableA(kChildVariable, nullptr);
  ASSERT_TRUE(child.started);
  ASSERT_TRUE(child.ended);
  EXPECT_EQ(child.exitCode, 0u) << "the copy's own test failed; its output is in this test's log";
}

}  // namespace
