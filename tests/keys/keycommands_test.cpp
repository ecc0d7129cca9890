// The key commands in real windows under Wine: the scripted PGP logs each
// command line it receives, the robot answers the picker, the file dialogs
// and the message boxes.
#include <windows.h>

#include <gtest/gtest.h>
// After windows.h: it needs the platform types.
#include <dlgs.h>

#include <atomic>
#include <string>
#include <vector>

#include "app/Main.h"
#include "pgp/pgpcommand.h"
#include "settings/Settings.h"
#include "tests/support/dialogs.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"
#include "ui/window.h"

namespace {

using robot::Robot;
using testenv::AnswerBox;
using testenv::BoxText;
using testenv::ChooseFile;
using testenv::PumpUntil;

const char* const kAlice = "Alice Example";
const char* const kBob = "Bob Example <bob@example.org>";
const char* const kCarol = "Carol Example";
const char* const kRingError = "PGP Public Key Ring not found, you must generate keys before using PGP !";
const char* const kDefaultIdCaption = "Choose default ID for signing messages and files";

// Waits for a message box captioned `caption` showing exactly `text` and presses OK.
void AnswerBox(Robot& r, const char* caption, const std::string& text) {
  HWND box = r.waitWindow(caption);
  if (!box) return;
  EXPECT_TRUE(r.findChild(box, text)) << "no text \"" << text << "\" in the \"" << caption << "\" box";
  r.clickButton(box, "OK");
  r.waitGone(box);
}

// Waits for the quoting error box, checks it names `what` and presses OK.
void AnswerQuotingError(Robot& r, const std::string& what) {
  HWND box = r.waitWindow("Error");
  if (!box) return;
  EXPECT_EQ(BoxText(r, box).rfind(what + " cannot be passed to PGP", 0), 0u) << BoxText(r, box);
  r.clickButton(box, "OK");
  r.waitGone(box);
}

// The key file dialog: its file type entries.
std::vector<std::string> FileTypes(Robot& r, HWND dialog) { return r.listItems(GetDlgItem(dialog, cmb1)); }

// Picks entry `index` in the open picker and presses OK.
void PickKey(Robot& r, HWND picker, int index) {
  r.selectItem(r.findChild(picker, "", "ListBox"), index);
  r.clickButton(picker, "&Ok");
  r.waitGone(picker);
}

class KeyCommands : public testing::Test {
 protected:
  void SetUp() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    Settings = TSettings{};
    testenv::MakePgpFolder(pgp_.path(), {kAlice, kBob, kCarol});
    Settings.PgpPath = pgp_.path();
    Settings.Pause = false;
    PgpCommand = pgp::MakePgpCommand(pgp_.path());
    form_.show();
    form_.KeyList = testenv::ListedKeys({kAlice, kBob, kCarol});
  }
  void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey); }

  // What PGP received: the program's command text and the runner's switch.
  std::string Command(const std::string& options) const {
    return "\"" + pgp_.file("PGP.EXE") + "\"  " + options + " +BatchMode";
  }
  std::vector<std::string> Log() const {
    std::string text = testenv::ReadFile(pgp_.file("pgp.log"));
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find("\r\n", pos);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(pos, end - pos));
      pos = end + 2;
    }
    return lines;
  }
  std::string ListCommand() const { return "\"" + pgp_.file("PGP.EXE") + "\" -kv +BatchMode"; }
  HWND main() const { return form_.handle(); }

  static bool StoredIdSign(std::string* value) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    char buf[1024] = {};
    DWORD type = 0, size = sizeof buf - 1;
    LONG rc = RegQueryValueExA(k, "IdSign", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return false;
    *value = buf;
    return true;
  }

  testenv::TempDir pgp_;
  testenv::TempDir files_;
  TMainForm form_;
};

TEST_F(KeyCommands, WithoutKeyRingOnlyGenerateRuns) {
  DeleteFileA(pgp_.file("pubring.pgp").c_str());
  Robot r([&](Robot& r) {
    for (int i = 0; i < 4; ++i) AnswerBox(r, "Error", kRingError);
  });
  form_.Addapublickey1Click();
  form_.Extractakey1Click();
  form_.Removeakey1Click();
  form_.GetKeyFingerprint1Click();
  r.join();
  EXPECT_FALSE(testenv::Exists(pgp_.file("pgp.log")));

  // Generate needs no ring: it makes one, and the list is read afterwards.
  form_.KeyList.clear();
  form_.Generatekeys1Click();
  EXPECT_EQ(Log(), (std::vector<std::string>{Command("-kg"), ListCommand()}));
  EXPECT_TRUE(testenv::Exists(pgp_.file("pubring.pgp")));
  EXPECT_EQ(keys::KeyTexts(form_.KeyList),
            (std::vector<std::string>{kAlice, kBob, kCarol, "Generated User <gen@example.org>"}));
}

TEST_F(KeyCommands, AddOffersKeyFilesAndReadsTheListAgain) {
  std::string keyFile = files_.file("FRIEND.KEY");
  testenv::WriteFile(keyFile, "pub  1024/00DD00DD 1999/01/01 Dave Friend <dave@example.org>\r\n");
  Robot r([&](Robot& r) {
    HWND dialog = r.waitWindow("Choose public key file");
    if (!dialog) return;
    EXPECT_EQ(FileTypes(r, dialog),
              (std::vector<std::string>{"Key files (*.key)", "Ascii files (*.asc)", "All files (*.*)"}));
    ChooseFile(r, dialog, keyFile);
  });
  form_.Addapublickey1Click();
  r.join();
  EXPECT_EQ(Log(), (std::vector<std::string>{Command("-ka \"" + keyFile + "\""), ListCommand()}));
  EXPECT_EQ(keys::KeyTexts(form_.KeyList),
            (std::vector<std::string>{kAlice, kBob, kCarol, "Dave Friend <dave@example.org>"}));

  // Cancelling the file dialog runs nothing.
  Robot cancel([&](Robot& r) {
    HWND dialog = r.waitWindow("Choose public key file");
    if (dialog) r.click(GetDlgItem(dialog, IDCANCEL));
  });
  form_.Addapublickey1Click();
  cancel.join();
  EXPECT_EQ(Log().size(), 2u);
}

TEST_F(KeyCommands, ExtractAsAsciiWithDefaultExtensionKey) {
  std::string target = files_.file("ALICE");
  Robot r([&](Robot& r) {
    HWND picker = r.waitWindow("Public Keys");
    if (!picker) return;
    HWND ascii = r.findChild(picker, "Save as ASCII file");
    EXPECT_TRUE(r.visible(ascii));
    EXPECT_TRUE(r.checked(ascii));
    EXPECT_EQ(r.listItems(r.findChild(picker, "", "ListBox")), (std::vector<std::string>{kAlice, kBob, kCarol}));
    r.screenshot(picker, "pubkey_extract");
    PickKey(r, picker, 0);
    HWND dialog = r.waitWindow("Choose public key file");
    if (!dialog) return;
    EXPECT_EQ(FileTypes(r, dialog), (std::vector<std::string>{"Ascii files (*.asc)", "All files (*.*)"}));
    // With "All files" the dialog adds the default extension to a bare name.
    HWND types = GetDlgItem(dialog, cmb1);
    r.selectItem(types, 1);
    // Wine's file dialog takes the new file type on CBN_SELENDOK only.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
    ChooseFile(r, dialog, target);
  });
  form_.Extractakey1Click();
  r.join();
  EXPECT_EQ(Log(), (std::vector<std::string>{Command("-kxa \"0x00001000\" \"" + target + ".key\"")}));
  EXPECT_EQ(testenv::ReadFile(target + ".key").rfind("-----BEGIN PGP PUBLIC KEY BLOCK-----", 0), 0u);
  EXPECT_EQ(keys::KeyTexts(form_.KeyList), (std::vector<std::string>{kAlice, kBob, kCarol}));
  // The other commands of the shared save dialog add no extension.
  EXPECT_EQ(form_.SaveDialog.defaultExt, "");
}

TEST_F(KeyCommands, ExtractBinaryThenTheAsciiBoxIsCheckedAgain) {
  std::string target = files_.file("BOB");
  Robot r([&](Robot& r) {
    HWND picker = r.waitWindow("Public Keys");
    if (!picker) return;
    r.click(r.findChild(picker, "Save as ASCII file"));
    r.sync(picker);
    PickKey(r, picker, 1);
    HWND dialog = r.waitWindow("Choose public key file");
    if (!dialog) return;
    EXPECT_EQ(FileTypes(r, dialog), (std::vector<std::string>{"Key files (*.key)", "All files (*.*)"}));
    ChooseFile(r, dialog, target);
  });
  form_.Extractakey1Click();
  r.join();
  EXPECT_EQ(Log(), (std::vector<std::string>{Command("-kx \"0x00001001\" \"" + target + ".key\"")}));
  EXPECT_TRUE(testenv::Exists(target + ".key"));

  // Next time the box starts checked; cancelling the save dialog runs nothing.
  Robot again([&](Robot& r) {
    HWND picker = r.waitWindow("Public Keys");
    if (!picker) return;
    EXPECT_TRUE(r.checked(r.findChild(picker, "Save as ASCII file")));
    PickKey(r, picker, 0);
    HWND dialog = r.waitWindow("Choose public key file");
    if (dialog) r.click(GetDlgItem(dialog, IDCANCEL));
  });
  form_.Extractakey1Click();
  again.join();
  EXPECT_EQ(Log().size(), 1u);
}

TEST_F(KeyCommands, RemoveNeedsASelectionAndReadsTheListAgain) {
  Robot r([&](Robot& r) {
    HWND picker = r.waitWindow("Public Keys");
    if (!picker) return;
    EXPECT_FALSE(r.visible(r.findChild(picker, "Save as ASCII file")));
    EXPECT_EQ(r.listSelection(r.findChild(picker, "", "ListBox")), -1);
    r.screenshot(picker, "pubkey_plain");
    r.clickButton(picker, "&Ok");
    AnswerBox(r, "Error", "You must select a public key !");
    EXPECT_TRUE(r.visible(picker));
    PickKey(r, picker, 1);
  });
  form_.Removeakey1Click();
  r.join();
  EXPECT_EQ(Log(), (std::vector<std::string>{Command("-kr \"0x00001001\""), ListCommand()}));
  EXPECT_EQ(keys::KeyTexts(form_.KeyList), (std::vector<std::string>{kAlice, kCarol}));

  // Cancel and the title bar both cancel without running PGP.
  Robot cancel([&](Robot& r) {
    HWND picker = r.waitWindow("Public Keys");
    if (!picker) return;
    r.clickButton(picker, "&Cancel");
    r.waitGone(picker);
    picker = r.waitWindow("Public Keys");
    if (!picker) return;
    r.close(picker);
  });
  form_.Removeakey1Click();
  form_.Removeakey1Click();
  cancel.join();
  EXPECT_EQ(Log().size(), 2u);
}

TEST_F(KeyCommands, FingerprintShowsTheFirstFingerprintLine) {
  testenv::WriteFile(pgp_.file("fingerprint.txt"),
                     "pub  1024/00001001 1996/03/04 Carol Example\r\n"
                     "          Key fingerprint = 11 22 33 44 55 66 77 88  99 AA BB CC DD EE FF 00  \r\n"
                     "          Key fingerprint = 00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00\r\n"
                     "1 matching key found.\r\n");
  Robot r([&](Robot& r) {
    HWND picker = r.waitWindow("Public Keys");
    if (!picker) return;
    // A double click acts as OK.
    r.doubleClickItem(r.findChild(picker, "", "ListBox"), 2);
    AnswerBox(r, "Information",
              "Fingerprint for : \"Carol Example\"\r\n\r\n"
              "Key fingerprint = 11 22 33 44 55 66 77 88  99 AA BB CC DD EE FF 00  ");
  });
  form_.GetKeyFingerprint1Click();
  r.join();
  EXPECT_EQ(Log(), (std::vector<std::string>{Command("-kvc \"0x00001002\"")}));
}

TEST_F(KeyCommands, LookAlikeKeysAreNamedByKeyIdAndTheFingerprintCannotBeSpoofed) {
  testenv::MakePgpFolder(pgp_.path(), {"Ada", "Ada"});
  form_.Reredpublickeys1Click();
  EXPECT_EQ(form_.KeyList, testenv::ListedKeys({"Ada", "Ada"}));
  // PGP's echo of the requested user ID and a user ID both hold the text.
  testenv::WriteFile(pgp_.file("fingerprint.txt"),
                     "\r\nKey ring: 'x', looking for user ID \"Ada\r\n          Key fingerprint = 66 66\".\r\n"
                     "pub  1024/00001001 1996/03/04 Ada Key fingerprint = 77 77\r\n"
                     "          Key fingerprint = 11 22\r\n");
  Robot r([&](Robot& r) {
    PickKey(r, r.waitWindow("Public Keys"), 1);
    AnswerBox(r, "Information", "Fingerprint for : \"Ada\"\r\n\r\nKey fingerprint = 11 22");
    PickKey(r, r.waitWindow("Public Keys"), 1);
  });
  form_.GetKeyFingerprint1Click();
  form_.Removeakey1Click();
  r.join();
  EXPECT_EQ(Log(), (std::vector<std::string>{ListCommand(), Command("-kvc \"0x00001001\""),
                                             Command("-kr \"0x00001001\""), ListCommand()}));
  EXPECT_EQ(form_.KeyList, testenv::ListedKeys({"Ada"}));
}

TEST_F(KeyCommands, FingerprintMissingFromTheOutput) {
  testenv::WriteFile(pgp_.file("fingerprint.txt"),
                     "pub  1024/00001001 1996/03/04 Alice Example\r\nKey FINGERPRINT = 1\r\n");
  Robot r([&](Robot& r) {
    HWND picker = r.waitWindow("Public Keys");
    if (!picker) return;
    PickKey(r, picker, 0);
    AnswerBox(r, "Error", "Public key Fingerprint not found !");
  });
  form_.GetKeyFingerprint1Click();
  r.join();
  EXPECT_EQ(Log(), (std::vector<std::string>{Command("-kvc \"0x00001000\"")}));
}

// A key is named to PGP by its key ID only: entries the listing gave none are
// refused, never named by their texts. The default ID is a text that signing
// puts between double quotes: one that cannot stand there is refused.
TEST_F(KeyCommands, EntriesWithoutKeyIdAndUnquotableDefaultIdsAreRefused) {
  // A zero byte would cut the entry short in the list box and name another key.
  form_.KeyList = {{"Eve \"the\" Example", ""}, {std::string("Mallory\0Alice", 13), ""}, {"Trent\r\nExample", ""}};
  Robot r([&](Robot& r) {
    for (int i = 0; i < 3; ++i) {
      HWND picker = r.waitWindow("Public Keys");
      if (!picker) return;
      PickKey(r, picker, i);
      AnswerBox(r, "Error", "PGP's key listing gave no key ID for this key, it cannot be named to PGP !");
    }
    HWND picker = r.waitWindow(kDefaultIdCaption);
    if (!picker) return;
    PickKey(r, picker, 0);
    AnswerQuotingError(r, "The user ID");
  });
  form_.Removeakey1Click();
  form_.Extractakey1Click();
  form_.GetKeyFingerprint1Click();
  Settings.IdSign = "Alice Example";
  form_.DefaultIDforSigning1Click();
  r.join();
  EXPECT_FALSE(testenv::Exists(pgp_.file("pgp.log")));
  EXPECT_EQ(Settings.IdSign, "Alice Example");
  std::string stored;
  EXPECT_FALSE(StoredIdSign(&stored));
}

// Two listed keys share one key ID: "0x" + that ID could select either, so
// neither is named to PGP for any command, and PGP is never asked.
TEST_F(KeyCommands, KeysSharingAKeyIdAreRefusedEverywhere) {
  testenv::WriteFile(pgp_.file("listing.txt"),
                     "\r\nKey ring: 'x'\r\nType Bits/KeyID    Date       User ID\r\n"
                     "pub  2048/0DBF906D 2024/01/02 Grace Hopper <grace@example.org>\r\n"
                     "pub  2048/1234ABCD 2024/01/02 Bob Example\r\n"
                     "pub  2048/0DBF906D 2024/03/04 Mallory <grace@example.org>\r\n"
                     "3 matching keys found.\r\n");
  form_.Reredpublickeys1Click();
  ASSERT_EQ(form_.KeyList.size(), 3u);
  DeleteFileA(pgp_.file("pgp.log").c_str());
  const std::string clash =
      "These listed keys share the key ID 0x0DBF906D, so PGP could take either :\r\n\r\n%1\r\n%2\r\n\r\nThe key "
      "cannot be named to PGP by its key ID !";
  auto named = [&](const char* first, const char* second) {
    std::string text = clash;
    text.replace(text.find("%1"), 2, first);
    text.replace(text.find("%2"), 2, second);
    return text;
  };
  const char* grace = "Grace Hopper <grace@example.org>";
  const char* mallory = "Mallory <grace@example.org>";
  form_.memo1.setText("text");
  Robot r([&](Robot& r) {
    HWND dlg = r.waitWindow("Encrypting");
    if (!dlg) return;
    r.selectItem(r.findChild(dlg, "", "ListBox", 0), 0);
    r.clickButton(dlg, "&Add");
    r.sync(dlg);
    r.clickButton(dlg, "&Ok");
    r.waitGone(dlg);
    AnswerBox(r, "Error", named(grace, mallory));
    for (const char* caption : {"Public Keys", "Public Keys", "Public Keys", kDefaultIdCaption}) {
      HWND picker = r.waitWindow(caption);
      if (!picker) return;
      PickKey(r, picker, 2);
      AnswerBox(r, "Error", named(mallory, grace));
    }
  });
  form_.Encrypttext1Click();
  form_.Extractakey1Click();
  form_.Removeakey1Click();
  form_.GetKeyFingerprint1Click();
  Settings.IdSign = "Bob Example";
  form_.DefaultIDforSigning1Click();
  r.join();
  EXPECT_FALSE(testenv::Exists(pgp_.file("pgp.log")));
  EXPECT_EQ(form_.memo1.text(), "text");
  EXPECT_EQ(Settings.IdSign, "Bob Example");
}

TEST_F(KeyCommands, DefaultIdSelectsTheEqualEntryAndIsSavedAtOnce) {
  form_.KeyList = testenv::ListedKeys({kAlice, kBob, kCarol, kBob});
  Settings.IdSign = kBob;
  Robot r([&](Robot& r) {
    HWND picker = r.waitWindow(kDefaultIdCaption);
    if (!picker) return;
    EXPECT_FALSE(r.visible(r.findChild(picker, "Save as ASCII file")));
    EXPECT_EQ(r.listSelection(r.findChild(picker, "", "ListBox")), 1);
    r.screenshot(picker, "pubkey_defaultid");
    PickKey(r, picker, 2);
  });
  form_.DefaultIDforSigning1Click();
  r.join();
  EXPECT_EQ(Settings.IdSign, kCarol);
  std::string stored;
  ASSERT_TRUE(StoredIdSign(&stored));
  EXPECT_EQ(stored, kCarol);
  EXPECT_FALSE(testenv::Exists(pgp_.file("pgp.log")));
}

TEST_F(KeyCommands, DefaultIdDifferingInCaseSelectsNothing) {
  Settings.IdSign = "bob example <bob@example.org>";
  std::atomic<bool> done{false};
  Robot r([&](Robot& r) {
    HWND picker = r.waitWindow(kDefaultIdCaption);
    if (picker) {
      EXPECT_EQ(r.listSelection(r.findChild(picker, "", "ListBox")), -1);
      r.key(picker, VK_ESCAPE);
      r.waitGone(picker);
    }
    done = true;
  });
  form_.DefaultIDforSigning1Click();
  // Escape closes the picker on its key-down; the robot waits for the key-up.
  PumpUntil(done);
  r.join();
  EXPECT_EQ(Settings.IdSign, "bob example <bob@example.org>");
  std::string stored;
  EXPECT_FALSE(StoredIdSign(&stored));
}

TEST_F(KeyCommands, DefaultIdWithEmptyListClosesOnlyByCancel) {
  DeleteFileA(pgp_.file("pubring.pgp").c_str());
  form_.KeyList.clear();
  Robot r([&](Robot& r) {
    // No key ring check for this command: the picker opens at once.
    HWND picker = r.waitWindow(kDefaultIdCaption);
    if (!picker) return;
    for (int i = 0; i < 2; ++i) {
      r.key(picker, VK_RETURN);
      AnswerBox(r, "Error", "You must select a public key !");
      EXPECT_TRUE(r.visible(picker));
    }
    r.clickButton(picker, "&Cancel");
    r.waitGone(picker);
  });
  form_.DefaultIDforSigning1Click();
  r.join();
  EXPECT_EQ(Settings.IdSign, "");
  std::string stored;
  EXPECT_FALSE(StoredIdSign(&stored));
}

TEST(StartUp, AsksForTheDefaultIdEvenWithoutKeys) {
  testenv::TempDir pgp;
  testenv::MakePgpFolder(pgp.path(), {kAlice}, false);
  RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
  Settings = TSettings{};
  Settings.PgpPath = pgp.path();
  Settings.Pause = false;
  SaveSettings();
  {
    TMainForm form;
    Robot r([&](Robot& r) {
      AnswerBox(r, "Error", kRingError);
      HWND picker = r.waitWindow(kDefaultIdCaption);
      if (!picker) return;
      EXPECT_TRUE(r.listItems(r.findChild(picker, "", "ListBox")).empty());
      r.clickButton(picker, "&Cancel");
      r.waitGone(picker);
      r.close(form.handle());
    });
    form.FormCreate();
    ui::Application::Get().run();
    r.join();
  }
  EXPECT_EQ(Settings.IdSign, "");
  EXPECT_FALSE(testenv::Exists(pgp.file("pgp.log")));
  RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}

}  // namespace
