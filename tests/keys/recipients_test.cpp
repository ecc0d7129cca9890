// The recipients dialog and the key list read, in real windows under Wine
// with the scripted PGP.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "keys/Encrypt.h"
#include "keys/KeyList.h"
#include "pgp/pgpcommand.h"
#include "tests/support/dialogs.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"

namespace {

using robot::Robot;
using testenv::AnswerBox;
using List = std::vector<std::string>;

class Recipients : public testing::Test {
 protected:
  void SetUp() override {
    testenv::MakePgpFolder(pgp_.path(), {"Alice Example", "Bob Example", "Carol Example"});
    ctx_.pgpPath = pgp_.path();
    ctx_.command = pgp::MakePgpCommand(ctx_.pgpPath);
    form_ = std::make_unique<TMainForm>();
    form_->show();
    form_->KeyList = testenv::ListedKeys({"Alice Example", "Bob Example", "Carol Example"});
  }
  void TearDown() override {
    form_.reset();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  testenv::TempDir pgp_;
  pgp::Context ctx_;
  std::unique_ptr<TMainForm> form_;
};

TEST_F(Recipients, ChosenOrderTwiceAddedAndRemovedEntries) {
  std::string text;
  bool ok = false;
  List shown;
  Robot r([&](Robot& r) {
    HWND dlg = r.waitWindow("Encrypting");
    ASSERT_TRUE(dlg);
    HWND all = r.findChild(dlg, "", "ListBox", 0);
    HWND chosen = r.findChild(dlg, "", "ListBox", 1);
    shown = r.listItems(all);
    // Clicks are posted and selections sent: sync after each click keeps their order.
    r.clickButton(dlg, "&Add");  // nothing selected: nothing added
    r.sync(dlg);
    r.selectItem(all, 1);
    r.clickButton(dlg, "&Add");
    r.sync(dlg);
    r.doubleClickItem(all, 0);
    r.sync(dlg);
    r.selectItem(all, 2);
    r.clickButton(dlg, "&Add");
    r.sync(dlg);
    r.selectItem(all, 1);
    r.clickButton(dlg, "&Add");
    r.sync(dlg);
    r.selectItem(chosen, 2);
    r.clickButton(dlg, "&Remove");
    r.sync(dlg);
    EXPECT_EQ(r.listItems(chosen), (List{"Bob Example", "Alice Example", "Bob Example"}));
    r.clickButton(dlg, "&Ok");
  });
  ok = ChooseRecipients(ctx_, form_->KeyList, text);
  r.join();
  EXPECT_EQ(shown, keys::KeyTexts(form_->KeyList));
  EXPECT_TRUE(ok);
  EXPECT_EQ(text, "\"0x00001001\" \"0x00001000\" \"0x00001001\" ");
}

TEST_F(Recipients, OkWithNothingChosenKeepsTheDialogOpen) {
  std::string text;
  std::string error;
  Robot r([&](Robot& r) {
    HWND dlg = r.waitWindow("Encrypting");
    ASSERT_TRUE(dlg);
    r.selectItem(r.findChild(dlg, "", "ListBox", 0), 0);
    r.clickButton(dlg, "&Ok");
    error = AnswerBox(r, "Error");
    EXPECT_TRUE(r.visible(dlg));
    r.doubleClickItem(r.findChild(dlg, "", "ListBox", 0), 0);
    r.sync(dlg);
    r.doubleClickItem(r.findChild(dlg, "", "ListBox", 1), 0);  // removes it again
    r.sync(dlg);
    r.clickButton(dlg, "&Cancel");
  });
  EXPECT_FALSE(ChooseRecipients(ctx_, form_->KeyList, text));
  r.join();
  EXPECT_EQ(error, "You must select one or more public key(s) to encrypt the message !");
  EXPECT_EQ(text, "");
}

TEST_F(Recipients, ListFileOneEntryPerLine) {
  ctx_.useList = true;
  std::string name;
  Robot r([&](Robot& r) {
    HWND dlg = r.waitWindow("Encrypting");
    ASSERT_TRUE(dlg);
    HWND all = r.findChild(dlg, "", "ListBox", 0);
    r.doubleClickItem(all, 0);
    r.sync(dlg);
    r.doubleClickItem(all, 1);
    r.sync(dlg);
    r.doubleClickItem(all, 0);
    r.sync(dlg);
    r.clickButton(dlg, "&Ok");
  });
  EXPECT_TRUE(ChooseRecipients(ctx_, form_->KeyList, name));
  r.join();
  EXPECT_EQ(testenv::ReadFile(name), "0x00001000\r\n0x00001001\r\n0x00001000\r\n");
  EXPECT_TRUE(DeleteFileA(name.c_str()));
}

TEST_F(Recipients, NoKeyRingNoDialog) {
  DeleteFileA(pgp_.file("pubring.pgp").c_str());
  std::string text, error;
  std::atomic<bool> returned{false};
  Robot r([&](Robot& r) {
    error = AnswerBox(r, "Error");
    // A dialog opened after the box would keep the call from returning.
    r.waitUntil([&] { return returned.load(); }, "return without a dialog");
  });
  EXPECT_FALSE(ChooseRecipients(ctx_, form_->KeyList, text));
  returned = true;
  r.join();
  EXPECT_EQ(error, "PGP Public Key Ring not found, you must generate keys before using PGP !");
}

TEST_F(Recipients, TenThousandKeysFillAtOnce) {
  form_->KeyList.clear();
  for (int i = 0; i < 10000; ++i)
    form_->KeyList.push_back(
        {"User " + std::to_string(i) + " <user" + std::to_string(i) + "@example.org>", std::to_string(10000000 + i)});
  std::string text;
  Robot r([&](Robot& r) {
    HWND dlg = r.waitWindow("Encrypting");
    ASSERT_TRUE(dlg);
    HWND all = r.findChild(dlg, "", "ListBox", 0);
    r.selectItem(all, 9999);
    r.clickButton(dlg, "&Add");
    r.sync(dlg);
    EXPECT_NE(r.screenshot(dlg, "recipients_10000_keys"), "");
    r.clickButton(dlg, "&Ok");
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(ChooseRecipients(ctx_, form_->KeyList, text));
  r.join();
  EXPECT_EQ(text, "\"0x10009999\" ");
  std::printf(
      "dialog with 10000 keys, open to close: %lld ms\n",
      static_cast<long long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count()));
}

TEST_F(Recipients, ReadPublicKeysThroughPgp) {
  testenv::WriteFile(pgp_.file("listing.txt"),
                     "\r\nKey ring: 'x'\r\n"
                     "pub  1024/0DBF906D 1996/03/04 Alice Example  \r\n"
                     "                              Alice at work\r\n"
                     " pub 1024/0DBF906D 1996/03/04 Indented\r\n"
                     "Pub  1024/0DBF906D 1996/03/04 Capital\r\n"
                     "pub  1024/0DBF906D 1996/03/04 \r\n"
                     "pub  1024/1234ABCD 1997/01/02 Alice Example  \r\n"
                     "3 matching keys found.\r\n");
  form_->KeyList = {{"old", "0"}};
  EXPECT_TRUE(ReadPublicKeys(ctx_, form_->KeyList, form_->Status()));
  EXPECT_EQ(form_->KeyList, (std::vector<keys::KeyEntry>{
                                {"Alice Example  ", "0DBF906D"}, {"", "0DBF906D"}, {"Alice Example  ", "1234ABCD"}}));
  EXPECT_EQ(form_->statusline.text(), form_->StartText());
  EXPECT_NE(testenv::ReadFile(pgp_.file("pgp.log")).find("PGP.EXE\" -kv +BatchMode"), std::string::npos);
}

TEST_F(Recipients, NoKeysFound) {
  testenv::WriteFile(pgp_.file("listing.txt"), "\r\n0 matching keys found.\r\n");
  std::string error;
  std::atomic<bool> returned{false};
  Robot r([&](Robot& r) {
    error = AnswerBox(r, "Error");
    r.waitUntil([&] { return returned.load(); }, "return without a second box");
  });
  EXPECT_TRUE(ReadPublicKeys(ctx_, form_->KeyList));
  returned = true;
  r.join();
  EXPECT_EQ(error, "No public keys found !");
  EXPECT_TRUE(form_->KeyList.empty());
}

}  // namespace
