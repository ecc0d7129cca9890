// The mail commands of sealwright95 in real windows under Wine, against the
// scripted Simple MAPI (standins/scriptmapi), grouped by what a user does.
#include <windows.h>

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

#include "app/Main.h"
#include "settings/Settings.h"
#include "tests/support/dialogs.h"
#include "tests/support/mainwindow.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"
#include "ui/window.h"

namespace {

using robot::Robot;

const std::string kPgpBody = "-----BEGIN PGP MESSAGE-----\r\nABCDEF\r\n-----END PGP MESSAGE-----\r\n";

std::string Pgp(const std::string& id, const std::string& extra = {}) {
  return "id=" + id + "\nfrom=" + id + " sender\nsubject=" + id +
         "\nbody=-----BEGIN PGP MESSAGE-----\nbody=ABCDEF\nbody=-----END PGP MESSAGE-----\n" + extra;
}

class Mail : public testenv::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    testenv::MakePgpFolder(pgp_.path(), {"Alice Example <alice@example.org>"});
  }

  // Stores settings that start without questions, writes the mailbox script
  // and runs start-up and the message loop while `script` drives the window.
  void Run(bool readMsgs, const std::string& mailbox, const std::function<void(Robot&, TMainForm&, HWND)>& script) {
    StoreSettings(
        {.PgpPath = pgp_.path(), .Pause = false, .IdSign = "Alice Example <alice@example.org>", .ReadMsgs = readMsgs});
    // The stand-in reads a script again only under another name.
    std::string scriptFile = box_.file("script" + std::to_string(++runs_) + ".txt");
    SetEnvironmentVariableA("SW_MAPI_SCRIPT", scriptFile.c_str());
    testenv::WriteFile(scriptFile, mailbox);
    RunMain([&](Robot& rb, TMainForm& form) {
      HWND main = rb.waitWindow(kProductCaption);
      if (main && duringStart_) duringStart_(rb, main);
      main = WaitMain(rb);
      ASSERT_TRUE(main);
      script(rb, form, main);
    });
  }

  // The calls recorded so far, one line each.
  std::vector<std::string> Calls() const {
    std::vector<std::string> lines;
    std::istringstream in(testenv::ReadFile(box_.file("mapi.log")));
    for (std::string l; std::getline(in, l);) lines.push_back(l.substr(0, l.size() - (l.back() == '\r')));
    return lines;
  }
  std::vector<std::string> Calls(const std::string& name) const {
    std::vector<std::string> picked;
    for (const auto& l : Calls())
      if (l.rfind(name + " ", 0) == 0) picked.push_back(l);
    return picked;
  }
  // Every record the mail system handed out was freed exactly once.
  void ExpectRecordsFreedOnce() const {
    std::map<std::string, int> open;
    for (const auto& l : Calls()) {
      size_t at = l.find(" record=");
      if (at == std::string::npos) continue;
      std::string number = l.substr(at + 8, l.find(' ', at + 8) - at - 8);
      open[number] += l.rfind("MAPIFreeBuffer", 0) == 0 ? -1 : 1;
    }
    for (const auto& [number, count] : open) EXPECT_EQ(count, 0) << "record " << number;
  }
  // The value of `key="..."` in a recorded call.
  static std::string Field(const std::string& call, const std::string& key) {
    size_t at = call.find(" " + key + "=\"");
    if (at == std::string::npos) return "(none)";
    at += key.size() + 3;
    return call.substr(at, call.find('"', at) - at);
  }
  static std::string Hex(HWND h) {
    char b[32];
    std::snprintf(b, sizeof b, "0x%llX", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(h)));
    return b;
  }

  testenv::TempDir pgp_, box_;
  int runs_ = 0;
  // Runs on the robot while start-up is still going on.
  std::function<void(Robot&, HWND)> duringStart_;
};

TEST_F(Mail, ReadMsgsOffShowsTheBarAndSendLogsOnFirst) {
  Run(false, "id=m1\nfrom=A\nbody=-----BEGIN PGP MESSAGE-----\n", [&](Robot& r, TMainForm& form, HWND main) {
    EXPECT_TRUE(r.visible(form.Panel1.handle()) && r.visible(form.DelButton.handle()) &&
                r.visible(form.Button3.handle()));
    EXPECT_FALSE(r.enabled(form.ComboBox1.handle()));
    EXPECT_TRUE(r.listItems(form.ComboBox1.handle()).empty());
    EXPECT_TRUE(Calls().empty());
    r.click(form.Button3.handle());
    r.sync(main);
    std::string parent = Hex(main);
    auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0],
              "MAPILogon parent=" + parent + " profile=\"\" password=null flags=0x3 reserved=0 -> 0 session=1");
    EXPECT_EQ(calls[1].rfind("MAPISendDocuments parent=" + parent + " delimiter=\";\" paths=\"", 0), 0u) << calls[1];
    EXPECT_EQ(Field(calls[1], "names"), "PGPDOC.TXT");
    EXPECT_FALSE(testenv::Exists(Field(calls[1], "paths")));
    EXPECT_EQ(testenv::ReadFile(box_.file("sent1.txt")), "");
    // Connected now, without a scan; the next send needs no logon.
    EXPECT_TRUE(r.enabled(form.ComboBox1.handle()));
    r.setText(form.memo1.handle(), "Hello\r\nWorld");
    r.click(form.Button3.handle());
    r.sync(main);
    EXPECT_EQ(testenv::ReadFile(box_.file("sent2.txt")), "Hello\r\nWorld");
    EXPECT_EQ(Calls("MAPILogon").size(), 1u);
    EXPECT_TRUE(Calls("MAPIFindNext").empty());
    r.close(main);
  });
  ASSERT_FALSE(Calls().empty());
  EXPECT_EQ(Calls().back(), "MAPILogoff session=1 parent=0x0 flags=0x0 reserved=0 -> 0");
}

TEST_F(Mail, ScanListsThePgpMessagesAndLoadsTheFirst) {
  std::string longName(70, 'L');
  std::string mailbox =
      "loop=1\n"  // find-next starts over after the last message
      "id=m1\nfrom=Plain Sender\nsubject=Hello\nbody=no marker here\n"
      "id=m2\nfrom=" +
      longName +
      "\nsubject=Armoured\nbody=Some text first\n"
      "body=-----BEGIN PGP MESSAGE-----\nbody=ABCDEF\nbody=-----END PGP MESSAGE-----\n"
      "id=m3\nfrom=Lower Case\nsubject=lower\nbody=-----begin pgp message-----\n"
      "id=m4\nfrom=Carol\nsubject=\nbody=-----BEGIN PGP MESSAGE-----\nbody=XYZ\n"
      "id=m5\nsubject=No sender\nbody=plain\n";
  Run(true, mailbox, [&](Robot& r, TMainForm& form, HWND main) {
    HWND combo = form.ComboBox1.handle();
    EXPECT_TRUE(r.enabled(combo));
    EXPECT_EQ(r.listItems(combo), (std::vector<std::string>{"From : " + longName + " (Subject)[Armoured]",
                                                            "From : Carol" + std::string(58, ' ') + " (Subject)[]"}));
    EXPECT_EQ(form.MessageIds, (std::vector<std::string>{"m2", "m4"}));
    EXPECT_EQ(r.listSelection(combo), 0);
    EXPECT_EQ(form.memo1.text(), "Some text first\r\n" + kPgpBody);
    EXPECT_TRUE(r.enabled(form.DelButton.handle()));
    r.screenshot(main, "mail95_list_loaded");
    // Every message peeked once in find-next order; the shown one was still unread.
    auto reads = Calls("MAPIReadMail");
    ASSERT_EQ(reads.size(), 6u);
    for (int i = 0; i < 5; ++i) {
      EXPECT_NE(reads[i].find("id=\"m" + std::to_string(i + 1) + "\" flags=0x880 reserved=0 -> 0"), std::string::npos)
          << reads[i];
    }
    EXPECT_NE(reads[5].find("id=\"m2\" flags=0xA00 reserved=0 -> 0 record=6 unread=1"), std::string::npos) << reads[5];
    EXPECT_FALSE(testenv::Exists(Field(reads[5], "file")));
    auto finds = Calls("MAPIFindNext");
    ASSERT_EQ(finds.size(), 6u);  // the sixth yields m1 again and ends the scan
    EXPECT_EQ(finds[0], "MAPIFindNext session=1 parent=" + Hex(main) +
                            " type=\"\" seed=\"\" flags=0x0 reserved=0 -> 0 id=\"m1\"");
    // Picking the other entry loads it.
    r.selectItem(combo, 1);
    r.sync(main);
    EXPECT_EQ(form.memo1.text(), "-----BEGIN PGP MESSAGE-----\r\nXYZ\r\n");
    ExpectRecordsFreedOnce();
    r.close(main);
  });
}

// A loaded message decrypted shows what PGP said of its signature; loading
// another takes the bar away.
TEST_F(Mail, DecryptingALoadedMessageShowsTheVerdictUntilAnotherIsLoaded) {
  const std::string signedBody =
      "body=-----BEGIN PGP MESSAGE-----\nbody=Version: scripted\nbody=Recipients: Alice\nbody=Signer: Grace\n"
      "body=6869\nbody=-----END PGP MESSAGE-----\n";
  Run(true, "id=m1\nfrom=Grace\nsubject=Signed\n" + signedBody + Pgp("m2"), [&](Robot& r, TMainForm& form, HWND main) {
    HWND bar = form.VerdictBar.handle();
    EXPECT_FALSE(r.visible(bar));
    r.click(form.Button2.handle());
    testenv::TypePassPhrase(r, "secret");
    r.waitUntil([&] { return r.visible(bar); }, "the verdict bar");
    r.sync(main);
    EXPECT_EQ(form.memo1.text(), "hi");
    EXPECT_EQ(r.text(bar), "Good signature from Grace");
    r.selectItem(form.ComboBox1.handle(), 1);
    r.sync(main);
    EXPECT_FALSE(r.visible(bar));
    r.close(main);
  });
}

TEST_F(Mail, EscapeStopsALongScanAndKeepsWhatWasFound) {
  duringStart_ = [&](Robot& r, HWND main) {
    HWND panel = nullptr;
    ASSERT_TRUE(r.waitUntil(
        [&] { return (panel = r.findChild(main, "Connecting to MAPI ...(press ESC to cancel)")) != nullptr; },
        "status window", 20000));
    ASSERT_TRUE(r.waitUntil([&] { return Calls("MAPIReadMail").size() >= 4; }, "fourth read", 20000));
    r.key(GetParent(panel), VK_ESCAPE);
    // Loading entry 0 finds no body file: the error box, then start-up goes on.
    EXPECT_EQ(testenv::AnswerBox(r, "Sealwright 32"), "File not found.");
  };
  Run(true, "delay=15\n" + Pgp("p1", "badfile=1\n") + Pgp("p2") + "filler=400\n",
      [&](Robot& r, TMainForm& form, HWND main) {
        // Start-up is over: the scan was stopped by the script above.
        EXPECT_EQ(form.MessageIds, (std::vector<std::string>{"p1", "p2"}));
        EXPECT_EQ(form.memo1.text(), "");
        EXPECT_FALSE(r.enabled(form.DelButton.handle()));
        size_t finds = Calls("MAPIFindNext").size();
        EXPECT_GT(finds, 4u);
        EXPECT_LT(finds, 402u);
        // The message in hand when Escape came was the last one read.
        EXPECT_EQ(Calls("MAPIReadMail").size(), finds + 1);
        r.selectItem(form.ComboBox1.handle(), 1);
        r.sync(main);
        EXPECT_EQ(form.memo1.text(), kPgpBody);
        ExpectRecordsFreedOnce();
        r.close(main);
      });
  // Closing the window during the scan ends the scan there, logged off.
  testenv::WriteFile(box_.file("mapi.log"), "");
  duringStart_ = [&](Robot& r, HWND main) {
    r.waitUntil([&] { return Calls("MAPIReadMail").size() >= 4; }, "fourth read", 20000);
    r.close(main);
  };
  Run(true, "delay=15\nfiller=400\n", [](Robot&, TMainForm&, HWND) {});
  EXPECT_LT(Calls("MAPIFindNext").size(), 402u);
  ASSERT_FALSE(Calls().empty());
  EXPECT_EQ(Calls().back(), "MAPILogoff session=1 parent=0x0 flags=0x0 reserved=0 -> 0");
}

TEST_F(Mail, DeleteAsksAndKeepsTheListsPaired) {
  std::string mailbox = Pgp("d1") + Pgp("d2", "delete=2\n") + Pgp("d3", "delete=5\n") + Pgp("d4", "delete=17\n") +
                        Pgp("d5", "delete=19\n") + Pgp("d6", "delete=99\n") +
                        "id=d7\nsubject=no sender, no body file\nnofile=1\nbody=-----BEGIN PGP MESSAGE-----\n" +
                        Pgp("overlong", "idlength=5000\n") + Pgp("d8");
  Run(true, mailbox, [&](Robot& r, TMainForm& form, HWND main) {
    HWND combo = form.ComboBox1.handle(), del = form.DelButton.handle();
    // The overlong identifier ends the scan: d8 is never reached.
    EXPECT_EQ(form.MessageIds, (std::vector<std::string>{"d1", "d2", "d3", "d4", "d5", "d6", "d7"}));
    EXPECT_EQ(r.listItems(combo).back(), "From : " + std::string(63, ' ') + " (Subject)[no sender, no body file]");
    auto pressDelete = [&](const char* answer) {
      r.click(del);
      HWND box = r.waitWindow("Confirm");
      ASSERT_TRUE(box);
      EXPECT_EQ(testenv::BoxText(r, box), "Are you sure you want to delete this message ?");
      r.clickButton(box, answer);
      r.waitGone(box);
    };
    pressDelete("&No");
    r.sync(main);
    EXPECT_FALSE(r.enabled(del));
    EXPECT_TRUE(Calls("MAPIDeleteMail").empty());
    EXPECT_EQ(form.MessageIds.size(), 7u);

    r.selectItem(combo, 0);
    r.sync(main);
    pressDelete("&Yes");
    r.sync(main);
    EXPECT_EQ(Calls("MAPIDeleteMail").back(),
              "MAPIDeleteMail session=1 parent=" + Hex(main) + " id=\"d1\" flags=0x0 reserved=0 -> 0");
    EXPECT_EQ(form.MessageIds, (std::vector<std::string>{"d2", "d3", "d4", "d5", "d6", "d7"}));
    auto items = r.listItems(combo);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_NE(items[0].find("d2 sender"), std::string::npos);
    EXPECT_FALSE(r.enabled(del));
    EXPECT_EQ(form.memo1.text(), kPgpBody);  // the deleted message's text stays

    const char* texts[] = {
        "One or more unspecified errors occurred while deleting the message. No message was deleted.",
        "Insufficient memory to proceed !",
        "An invalid message identifier was passed in for the lpszMessageID parameter !",
        "An invalid session handle was passed in for the lhSession parameter !", ""};
    for (int i = 0; i < 5; ++i) {
      r.selectItem(combo, i);
      r.sync(main);
      ASSERT_TRUE(r.enabled(del));
      r.click(del);
      HWND box = r.waitWindow("Confirm");
      ASSERT_TRUE(box);
      r.clickButton(box, "&Yes");
      EXPECT_EQ(testenv::AnswerBox(r, "Error"), texts[i]) << i;
      r.sync(main);
      EXPECT_FALSE(r.enabled(del));
    }
    EXPECT_EQ(form.MessageIds.size(), 6u);
    EXPECT_EQ(r.listItems(combo).size(), 6u);

    // A read without a body file leaves the window and the Delete button as they were.
    r.setText(form.memo1.handle(), "kept");
    r.selectItem(combo, 5);
    r.sync(main);
    EXPECT_EQ(form.memo1.text(), "kept");
    EXPECT_FALSE(r.enabled(del));
    ExpectRecordsFreedOnce();
    r.close(main);
  });
}

TEST_F(Mail, FailedSendsSayUnableAndNeverLeaveTheText) {
  Run(true, "send=1\nsend=2\nsend=0x10000\n", [&](Robot& r, TMainForm& form, HWND main) {
    r.setText(form.memo1.handle(), "plain secret");
    for (int i = 0; i < 3; ++i) {
      r.click(form.Button3.handle());
      if (i < 2) {
        HWND box = r.waitWindow("Error");
        ASSERT_TRUE(box);
        EXPECT_EQ(testenv::BoxText(r, box), "Unable to send message !");
        // Already wiped while the box shows.
        EXPECT_FALSE(testenv::Exists(Field(Calls("MAPISendDocuments").back(), "paths")));
        r.clickButton(box, "OK");
        r.waitGone(box);
      } else {
        // A result whose low 16 bits are 0 is a success.
        r.sync(main);
        EXPECT_FALSE(r.exists("Error"));
      }
      r.sync(main);
    }
    auto sends = Calls("MAPISendDocuments");
    ASSERT_EQ(sends.size(), 3u);
    for (const auto& s : sends) EXPECT_FALSE(testenv::Exists(Field(s, "paths")));
    EXPECT_EQ(testenv::ReadFile(box_.file("sent3.txt")), "plain secret");
    r.close(main);
  });
}

TEST_F(Mail, LogonFailingAtStartIsSilentAndSendTriesAgain) {
  Run(true, "logon=1\nlogon=3\nlogon=0\n" + Pgp("m1"), [&](Robot& r, TMainForm& form, HWND main) {
    EXPECT_FALSE(r.exists("Error"));  // WaitMain synced
    EXPECT_FALSE(r.enabled(form.ComboBox1.handle()));
    EXPECT_TRUE(r.listItems(form.ComboBox1.handle()).empty());
    EXPECT_EQ(Calls().size(), 1u);
    // The second logon fails too: the send ends silently.
    r.click(form.Button3.handle());
    r.sync(main);
    EXPECT_FALSE(r.exists("Error"));
    EXPECT_TRUE(Calls("MAPISendDocuments").empty());
    r.click(form.Button3.handle());
    r.sync(main);
    auto logons = Calls("MAPILogon");
    ASSERT_EQ(logons.size(), 3u);
    EXPECT_NE(logons[2].find("-> 0 session=1"), std::string::npos);
    EXPECT_EQ(Calls("MAPISendDocuments").size(), 1u);
    EXPECT_TRUE(Calls("MAPIFindNext").empty());  // no scan after the send's logon
    EXPECT_TRUE(r.enabled(form.ComboBox1.handle()));
    r.close(main);
  });
}

}  // namespace
