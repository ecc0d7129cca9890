// Encrypting and decrypting the text window and files in a real main window
// under Wine, through command.com and the scripted PGP, with the robot
// answering the recipients dialog, the pass-phrase prompt and the boxes.
#include "pgp/Crypt.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/Main.h"
#include "files/workfiles.h"
#include "keys/KeyList.h"
#include "pgp/pgpcommand.h"
#include "settings/Settings.h"
#include "standins/bridge/files.h"
#include "standins/scriptpgp/scriptmsg.h"
#include "tests/support/dialogs.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"

namespace {

using robot::Robot;
using testenv::AnswerBox;
using testenv::ConfirmFileDialog;
using testenv::RunIdle;
using testenv::TempFiles;
using testenv::TypePassPhrase;

// The scripted PGP's pass phrase: percent signs must reach PGP unchanged.
const char* const kPass = "my %TEMP% 100% secret";
const char* const kPlain = "Dear Bob,\r\n\r\nmüßé naïve § Ελληνικά tab\there\r\nlast line";

// Chooses the entries at `picks` in the recipients dialog and confirms.
void ChooseKeys(Robot& r, std::initializer_list<int> picks) {
  HWND dlg = r.waitWindow("Encrypting");
  ASSERT_TRUE(dlg);
  HWND all = r.findChild(dlg, "", "ListBox", 0);
  for (int i : picks) {
    r.selectItem(all, i);
    r.clickButton(dlg, "&Add");
    r.sync(dlg);  // the posted click before the next (sent) selection
  }
  r.clickButton(dlg, "&Ok");
  r.waitGone(dlg);
}

// Confirms the save dialog on an existing file, answering Wine's overwrite question.
void ConfirmOverwrite(Robot& r) {
  HWND save = r.waitWindow("Choose output filename");
  r.key(save, VK_RETURN);
  HWND ask = r.waitWindow("Choose output filename", "#32770", 5000);
  if (ask && ask != save) r.key(ask, 'Y');
  r.waitGone(save);
}

// The first megabyte of a file; "" when it cannot be read.
std::string ReadShared(const std::string& path) { return bridge::ReadWholeFile(path, 1u << 20).value_or(""); }

// Calls `each` with the full name of every file below `folder`; the links
// of a Wine prefix to the host's file system and the Windows folder skipped.
void ForEachFileBelow(const std::string& folder, const std::function<void(const std::string&)>& each) {
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == ".." || name == "dosdevices" || name == "windows" || name == "Program Files" ||
        name == "Program Files (x86)" || name == "ProgramData")
      continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ForEachFileBelow(folder + "\\" + name, each);
    else
      each(folder + "\\" + name);
  } while (FindNextFileA(find, &fd));
  FindClose(find);
}

// Watches, until destroyed, every process title on the machine (Wine: a
// Windows process's command line is its Linux process title) and every file
// of the Wine prefix for `secret`. Each run of `program` it sees (one that
// waits for the file `goOn`) is counted and let go on once everything was
// looked at; other tests' PGP runs on the machine are not counted.
class SecretWatch {
 public:
  SecretWatch(std::string secret, std::vector<std::string> folders, std::string program, std::string goOn)
      : secret_(std::move(secret)),
        folders_(std::move(folders)),
        program_(std::move(program)),
        goOn_(std::move(goOn)),
        thread_([this] { run(); }) {}
  ~SecretWatch() { stop(); }
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // One more look at the files only, once everything has ended.
  void scanFiles() {
    for (const auto& folder : folders_)
      ForEachFileBelow(folder, [&](const std::string& file) {
        if (file.ends_with("\\scenario.txt")) return;  // the scripted PGP's own copy
        if (ReadShared(file).find(secret_) != std::string::npos) found_.insert(file);
      });
  }
  std::set<std::string> found_;
  std::set<std::string> pgpRuns_;  // process IDs

 private:
  void run() {
    while (!stop_) {
      WIN32_FIND_DATAA fd;
      HANDLE find = FindFirstFileA("Z:\\proc\\*", &fd);
      bool newRun = false;
      if (find != INVALID_HANDLE_VALUE) {
        do {
          if (fd.cFileName[0] < '1' || fd.cFileName[0] > '9') continue;
          const std::string title = ReadShared(std::string("Z:\\proc\\") + fd.cFileName + "\\cmdline");
          if (title.find(secret_) != std::string::npos) found_.insert(std::string("process title: ") + title);
          if (title.find(program_) != std::string::npos && pgpRuns_.insert(fd.cFileName).second) newRun = true;
        } while (FindNextFileA(find, &fd));
        FindClose(find);
      }
      scanFiles();
      if (newRun) testenv::WriteFile(goOn_, "");
      Sleep(20);  // the pace of the watch, not a wait for anything
    }
  }
  std::string secret_;
  std::vector<std::string> folders_;
  std::string program_;
  std::string goOn_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class Crypt : public testing::Test {
 protected:
  void SetUp() override {
    testenv::MakePgpFolder(pgp_.path(), {"Alice Example", "Bob Example", "Carol Example"});
    testenv::WriteFile(pgp_.file("scenario.txt"), std::string("passphrase=") + kPass + "\r\n");
    Settings = TSettings{};
    Settings.PgpPath = pgp_.path();
    Settings.Pause = false;
    Settings.SignFiles = true;
    Settings.IdSign = "Carol Example";
    PgpCommand = pgp::MakePgpCommand(Settings.PgpPath);
    form_ = std::make_unique<TMainForm>();
    form_->show();
    form_->KeyList = testenv::ListedKeys({"Alice Example", "Bob Example", "Carol Example"});
    before_ = TempFiles();
  }
  void TearDown() override {
    form_.reset();
    // The main window's destruction posts WM_QUIT; it must not end the next test's dialogs.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  std::string Log() { return testenv::ReadFile(pgp_.file("pgp.log")); }
  // Whether a folder of a PGP run is still beside the user's files.
  bool RunFolderLeft() {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(docs_.file("*.run").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
  }
  std::string Exe() { return "\"" + pgp_.file("PGP.EXE") + "\" "; }

  // Encrypts kPlain for Alice and Bob with the robot answering.
  void EncryptText(bool sign) {
    Settings.SignFiles = sign;
    form_->memo1.setText(kPlain);
    Robot r([&](Robot& r) {
      ChooseKeys(r, {0, 1});
      if (sign) TypePassPhrase(r, kPass);
    });
    form_->Encrypttext1Click();
    r.join();
  }

  testenv::TempDir pgp_;
  testenv::TempDir docs_;
  std::unique_ptr<TMainForm> form_;
  std::set<std::string> before_;
};

TEST_F(Crypt, TextEncryptionSignedForTwoRecipients) {
  EncryptText(true);
  const std::string log = Log();
  const size_t work = log.find("-esa \"");
  ASSERT_NE(work, std::string::npos) << log;
  const std::string workFile = log.substr(work + 6, log.find('"', work + 6) - work - 6);
  EXPECT_EQ(log, Exe() + "-esa \"" + workFile + "\" \"0x00001000\" \"0x00001001\"  -u\"Carol Example\" +BatchMode\r\n");
  const std::string window = form_->memo1.text();
  EXPECT_EQ(window.rfind("-----BEGIN PGP MESSAGE-----", 0), 0u) << window;
  auto message = scriptpgp::ParseScriptMessage(window);
  ASSERT_TRUE(message);
  EXPECT_EQ(message->plainBytes, kPlain);
  EXPECT_EQ(message->recipients, (std::vector<std::string>{"0x00001000", "0x00001001"}));
  EXPECT_EQ(message->signer, "Carol Example");
  EXPECT_EQ(TempFiles(), before_);
  RunIdle([&](Robot& r) { EXPECT_NE(r.screenshot(form_->handle(), "crypt_after_encryption"), ""); });
}

TEST_F(Crypt, PassPhraseNeverInAProcessTitleOrAFile) {
  // PGP waits until the watch has seen it running.
  testenv::WriteFile(pgp_.file("scenario.txt"),
                     std::string("passphrase=") + kPass + "\r\nawait=" + pgp_.file("go-on") + "\r\n");
  std::string prefix = std::getenv("WINEPREFIX") ? std::getenv("WINEPREFIX") : "";
  std::replace(prefix.begin(), prefix.end(), '/', '\\');
  SecretWatch watch(kPass, {"Z:" + prefix, docs_.path(), pgp_.path()}, pgp_.file("PGP.EXE"), pgp_.file("go-on"));
  EncryptText(true);
  ASSERT_NE(form_->memo1.text(), kPlain);
  Robot r([&](Robot& r) { TypePassPhrase(r, kPass); });
  form_->Decrypttext1Click();
  r.join();
  watch.stop();
  watch.scanFiles();
  EXPECT_EQ(form_->memo1.text(), kPlain);  // the pass phrase reached PGP both times
  // Both runs were watched (Wine may show one run under two process IDs
  // while it starts it, so more may be counted).
  EXPECT_GE(watch.pgpRuns_.size(), 2u);
  EXPECT_TRUE(watch.found_.empty()) << *watch.found_.begin();
  EXPECT_EQ(Log().find(kPass), std::string::npos);
}

TEST_F(Crypt, TextEncryptionUnsignedAsksNoPassPhrase) {
  EncryptText(false);
  EXPECT_NE(Log().find("PGP.EXE\" -ea \""), std::string::npos) << Log();
  EXPECT_EQ(Log().find("-u"), std::string::npos);
  EXPECT_EQ(Log().find("-z"), std::string::npos);
  auto message = scriptpgp::ParseScriptMessage(form_->memo1.text());
  ASSERT_TRUE(message);
  EXPECT_EQ(message->signer, "");
  EXPECT_EQ(TempFiles(), before_);
}

// PGP wrote no armoured file: the file error reaches the default error box,
// the window keeps its text and the plain-text copy is wiped; an armoured
// file left from an earlier run under the work file's name is not taken for
// the result. With signing on and no default ID chosen, PGP is asked to sign
// with an empty ID.
TEST_F(Crypt, TextEncryptionWithoutResultAndWithAnEmptySigningId) {
  testenv::WriteFile(pgp_.file("scenario.txt"), std::string("passphrase=") + kPass + "\r\nmode=nothing\r\n");
  Settings.IdSign.clear();
  form_->setText("Crypt test window");  // not taken for the error box
  form_->memo1.setText(kPlain);
  // The work files get names of the test's own, each with an armoured
  // leftover beside it: the text's copy first, then PGP's output.
  const std::string stale = "-----BEGIN PGP MESSAGE-----\r\nstale\r\n";
  for (const char* name : {"work1.asc", "work2.asc"}) testenv::WriteFile(docs_.file(name), stale);
  int named = 0;
  WorkFileNamer namer([&] { return docs_.file("work" + std::to_string(++named) + ".tmp"); });
  std::string shown;
  Robot r([&](Robot& r) {
    ChooseKeys(r, {0});
    TypePassPhrase(r, kPass);
    shown = AnswerBox(r, "Sealwright 32");
  });
  // As from the menu: what the command throws goes to the default handler.
  ui::Application::Get().runHandled([&] { form_->Encrypttext1Click(); });
  r.join();
  EXPECT_EQ(shown, "File not found.");
  EXPECT_NE(Log().find("\"0x00001000\"  -u\"\""), std::string::npos) << Log();
  EXPECT_EQ(form_->memo1.text(), kPlain);
  // The text's leftover went before PGP ran; the other is none of its business.
  EXPECT_EQ(named, 2);
  EXPECT_FALSE(testenv::Exists(docs_.file("work1.asc")));
  EXPECT_EQ(testenv::ReadFile(docs_.file("work2.asc")), stale);
  EXPECT_FALSE(testenv::Exists(docs_.file("work1.tmp")));
  EXPECT_FALSE(testenv::Exists(docs_.file("work2.tmp")));
  EXPECT_EQ(TempFiles(), before_);
}

TEST_F(Crypt, TheSecondOfTwoLookAlikeKeysIsNamedByItsKeyId) {
  testenv::MakePgpFolder(pgp_.path(), {"Ada", "Ada"});
  ASSERT_TRUE(ReadPublicKeys(CurrentPgpContext(), form_->KeyList));
  for (bool useList : {false, true}) {
    Settings.UseList = useList;
    form_->memo1.setText(kPlain);
    Robot r([&](Robot& r) { ChooseKeys(r, {1}); });
    Settings.SignFiles = false;
    form_->Encrypttext1Click();
    r.join();
    auto message = scriptpgp::ParseScriptMessage(form_->memo1.text());
    ASSERT_TRUE(message) << form_->memo1.text();
    EXPECT_EQ(message->recipients, (std::vector<std::string>{"0x00001001"}));
  }
  EXPECT_NE(Log().find("-ea \""), std::string::npos);
  EXPECT_NE(Log().find("\" \"0x00001001\" "), std::string::npos) << Log();
}

TEST_F(Crypt, TextEncryptionThroughRecipientsListFile) {
  Settings.UseList = true;
  EncryptText(false);
  const std::string log = Log();
  EXPECT_NE(log.find("\" -@ \""), std::string::npos) << log;
  auto message = scriptpgp::ParseScriptMessage(form_->memo1.text());
  ASSERT_TRUE(message);
  EXPECT_EQ(message->recipients, (std::vector<std::string>{"0x00001000", "0x00001001"}));
  EXPECT_EQ(TempFiles(), before_);
}

TEST_F(Crypt, ListFileRemovedWhenPromptCancelled) {
  Settings.UseList = true;
  form_->memo1.setText(kPlain);
  Robot r([&](Robot& r) {
    ChooseKeys(r, {2});
    HWND prompt = r.waitWindow("PGP pass phrase");
    r.clickButton(prompt, "&Cancel");
  });
  form_->Encrypttext1Click();
  r.join();
  EXPECT_EQ(form_->memo1.text(), kPlain);
  EXPECT_FALSE(testenv::Exists(pgp_.file("pgp.log")));
  EXPECT_EQ(TempFiles(), before_);
}

TEST_F(Crypt, DecryptionRestoresTheTextByteForByte) {
  EncryptText(true);
  const std::string armoured = form_->memo1.text();
  ASSERT_NE(armoured, kPlain);
  // Text before the armour line and another letter case are accepted.
  form_->memo1.setText("Forwarded:\r\n" + armoured);
  Robot r([&](Robot& r) { TypePassPhrase(r, kPass); });
  form_->Decrypttext1Click();
  r.join();
  EXPECT_EQ(form_->memo1.text(), kPlain);
  EXPECT_EQ(TempFiles(), before_);
}

TEST_F(Crypt, WrongPassPhraseLeavesTheWindowAndNoWorkFile) {
  EncryptText(false);
  const std::string armoured = form_->memo1.text();
  Robot r([&](Robot& r) { TypePassPhrase(r, "wrong"); });
  form_->Decrypttext1Click();
  r.join();
  EXPECT_EQ(form_->memo1.text(), armoured);
  EXPECT_EQ(TempFiles(), before_);
}

TEST_F(Crypt, NotAPgpMessage) {
  for (const char* text : {"", "just text\r\n-----BEGIN PGP SIGNATURE-----\r\n"}) {
    form_->memo1.setText(text);
    std::string shown;
    Robot r([&](Robot& r) { shown = AnswerBox(r, "Error"); });
    form_->Decrypttext1Click();
    r.join();
    EXPECT_EQ(shown, "Not a PGP cyphered message !");
  }
  // The armour line in another letter case starts a decryption (prompt cancelled).
  form_->memo1.setText("x -----begin pgp message-----\r\n");
  Robot r([&](Robot& r) { r.clickButton(r.waitWindow("PGP pass phrase"), "&Cancel"); });
  form_->Decrypttext1Click();
  r.join();
  EXPECT_FALSE(testenv::Exists(pgp_.file("pgp.log")));
}

// A key is named to PGP by its key ID only: an entry the listing gave none is
// refused, its text never used.
TEST_F(Crypt, KeyWithoutKeyIdRefusedBeforeAnythingRuns) {
  const std::string hostile = "Eve \" & echo x > pwned.txt & \"";
  form_->KeyList = {testenv::ListedKeys({"Alice Example"})[0], {hostile, ""}};
  form_->memo1.setText(kPlain);
  for (bool useList : {false, true}) {
    Settings.UseList = useList;
    std::string shown;
    std::atomic<bool> returned{false};
    Robot r([&](Robot& r) {
      ChooseKeys(r, {0, 1});
      shown = AnswerBox(r, "Error");
      // A pass-phrase prompt after the box would keep the command from returning.
      r.waitUntil([&] { return returned.load(); }, "end of the command without a prompt");
    });
    form_->Encrypttext1Click();
    returned = true;
    r.join();
    EXPECT_EQ(shown, "PGP's key listing gave no key ID for this key, it cannot be named to PGP !");
  }
  EXPECT_FALSE(testenv::Exists(pgp_.file("pgp.log")));
  EXPECT_EQ(form_->memo1.text(), kPlain);
  EXPECT_EQ(TempFiles(), before_);
}

TEST_F(Crypt, HostilePassPhraseRefused) {
  form_->memo1.setText(kPlain);
  Settings.UseList = true;
  std::string shown;
  Robot r([&](Robot& r) {
    ChooseKeys(r, {0});
    TypePassPhrase(r, "pass\" & echo x");
    shown = AnswerBox(r, "Error");
  });
  form_->Encrypttext1Click();
  r.join();
  EXPECT_NE(shown.find("The pass phrase cannot be passed to PGP"), std::string::npos) << shown;
  EXPECT_FALSE(testenv::Exists(pgp_.file("pgp.log")));
  EXPECT_EQ(TempFiles(), before_);
}

TEST_F(Crypt, FileEncryptionSignedWithAutoDeleteWipesTheSource) {
  Settings.AutoDelete = true;
  const std::string source = docs_.file("LETTER.TXT");
  testenv::WriteFile(source, kPlain);
  form_->OpenDialog.fileName = source;
  std::string info;
  Robot r([&](Robot& r) {
    ConfirmFileDialog(r, "Choose file to encrypt");
    ChooseKeys(r, {1});
    TypePassPhrase(r, kPass);
    info = AnswerBox(r, "Information");
  });
  form_->EncryptFileItemClick();
  r.join();
  const std::string out = docs_.file("LETTER.pgp");
  EXPECT_EQ(info, "File : " + out + "\r\nSuccessfuly created !");
  // PGP wrote into a folder of the run's own beside the output.
  const std::string log = Log();
  const std::string start =
      Exe() + "-es \"" + source + "\" \"0x00001001\"  -u\"Carol Example\" -o \"" + docs_.path() + "\\SW";
  EXPECT_EQ(log.rfind(start, 0), 0u) << log;
  EXPECT_TRUE(log.ends_with(".run\\LETTER.pgp\" +BatchMode\r\n")) << log;
  EXPECT_FALSE(RunFolderLeft());
  EXPECT_FALSE(testenv::Exists(source));
  auto message = scriptpgp::ParseScriptMessage(testenv::ReadFile(out));
  ASSERT_TRUE(message);
  EXPECT_EQ(message->plainBytes, kPlain);
  EXPECT_EQ(form_->OpenDialog.filter, "Text files (*.txt)|*.txt|Ascii files (*.asc)|*.asc|All files (*.*)|*.*");
}

TEST_F(Crypt, FileEncryptionWithoutExtensionAndListFileKeepsTheSource) {
  Settings.SignFiles = false;
  Settings.UseList = true;
  const std::string dotted = docs_.file("DIR.X");
  CreateDirectoryA(dotted.c_str(), nullptr);
  const std::string source = dotted + "\\FILE";
  testenv::WriteFile(source, "data");
  form_->OpenDialog.fileName = source;
  std::string info;
  Robot r([&](Robot& r) {
    ConfirmFileDialog(r, "Choose file to encrypt");
    ChooseKeys(r, {0});
    info = AnswerBox(r, "Information");
  });
  form_->EncryptFileItemClick();
  r.join();
  EXPECT_EQ(info, "File : " + source + ".pgp\r\nSuccessfuly created !");
  EXPECT_EQ(Log().find("-ea"), std::string::npos);
  EXPECT_NE(Log().find("PGP.EXE\" -e \"" + source + "\" -@ \""), std::string::npos) << Log();
  EXPECT_TRUE(testenv::Exists(source));
  EXPECT_EQ(TempFiles(), before_);
}

TEST_F(Crypt, FileEncryptionRefusesAStaleOutputAndOutputOntoTheInput) {
  Settings.AutoDelete = true;
  const std::string source = docs_.file("LETTER.TXT");
  testenv::WriteFile(source, kPlain);
  testenv::WriteFile(docs_.file("LETTER.pgp"), "stale");
  const std::string notes = docs_.file("NOTES.pgp");
  testenv::WriteFile(notes, "notes");
  for (const std::string& file : {source, notes}) {
    form_->OpenDialog.fileName = file;
    std::string error;
    std::atomic<bool> returned{false};
    Robot r([&](Robot& r) {
      ConfirmFileDialog(r, "Choose file to encrypt");
      error = AnswerBox(r, "Error");
      r.waitUntil([&] { return returned.load(); }, "end of the command without the recipients dialog");
    });
    form_->EncryptFileItemClick();
    returned = true;
    r.join();
    EXPECT_EQ(error, file == source ? "Output file already exists : \r\n\r\n" + docs_.file("LETTER.pgp")
                                    : "The output file is the input file : \r\n\r\n" + notes);
  }
  EXPECT_EQ(testenv::ReadFile(source), kPlain);
  EXPECT_EQ(testenv::ReadFile(docs_.file("LETTER.pgp")), "stale");
  EXPECT_EQ(testenv::ReadFile(notes), "notes");
  EXPECT_FALSE(testenv::Exists(pgp_.file("pgp.log")));
}

TEST_F(Crypt, FileEncryptionWithoutOutputReportsIt) {
  Settings.SignFiles = false;
  testenv::WriteFile(pgp_.file("scenario.txt"), "mode=nothing\r\n");
  const std::string source = docs_.file("LETTER.TXT");
  testenv::WriteFile(source, kPlain);
  form_->OpenDialog.fileName = source;
  std::string error;
  Robot r([&](Robot& r) {
    ConfirmFileDialog(r, "Choose file to encrypt");
    ChooseKeys(r, {0});
    error = AnswerBox(r, "Error");
  });
  form_->EncryptFileItemClick();
  r.join();
  EXPECT_EQ(error, "Output file not found : \r\n\r\n" + docs_.file("LETTER.pgp") + "\r\n");
  EXPECT_TRUE(testenv::Exists(source));
}

TEST_F(Crypt, FileDecryptionReplacesTheOutputAndWipesTheInputOnlyOnSuccess) {
  Settings.AutoDelete = true;
  const std::string input = docs_.file("LETTER.pgp");
  scriptpgp::ScriptMessage m{kPlain, {"Alice Example"}, ""};
  testenv::WriteFile(input, scriptpgp::FormatScriptMessage(m));
  const std::string output = docs_.file("PLAIN.TXT");
  testenv::WriteFile(output, "old output");
  // Output onto the input is refused before the pass phrase is asked.
  std::string refused;
  form_->OpenDialog.fileName = input;
  form_->SaveDialog.fileName = docs_.file("letter.PGP");
  Robot same([&](Robot& r) {
    ConfirmFileDialog(r, "Choose file to decrypt");
    ConfirmOverwrite(r);
    refused = AnswerBox(r, "Error");
  });
  form_->DecryptFileItemClick();
  same.join();
  EXPECT_EQ(refused.find("The output file is the input file"), 0u) << refused;
  for (const char* pass : {"wrong", kPass}) {
    form_->OpenDialog.fileName = input;
    form_->SaveDialog.fileName = output;
    Robot r([&](Robot& r) {
      ConfirmFileDialog(r, "Choose file to decrypt");
      ConfirmOverwrite(r);
      TypePassPhrase(r, pass);
    });
    form_->DecryptFileItemClick();
    r.join();
    if (std::string(pass) == "wrong") {
      EXPECT_TRUE(testenv::Exists(input));
      EXPECT_EQ(testenv::ReadFile(output), "old output");
    }
  }
  EXPECT_EQ(testenv::ReadFile(output), kPlain);
  EXPECT_FALSE(testenv::Exists(input));
  // PGP wrote a new file beside the output each time; no pass phrase on its command line.
  const std::string log = Log();
  const std::string start = Exe() + "\"" + input + "\" -o \"" + docs_.path() + "\\SW";
  EXPECT_EQ(log.find(start), 0u) << log;
  EXPECT_NE(log.find("\r\n" + start), std::string::npos) << log;
  EXPECT_FALSE(RunFolderLeft());
  EXPECT_EQ(log.find("-z"), std::string::npos) << log;
  EXPECT_EQ(log.find(kPass), std::string::npos) << log;
  EXPECT_EQ(form_->OpenDialog.filter, "PGP files (*.pgp)|*.pgp|All files (*.*)|*.*");
}

// A file that takes the output's name while PGP runs (a synchronised folder,
// another copy of the program) is left as it is and the user is told; the
// source is kept although Auto delete is on.
TEST_F(Crypt, AFileTakingTheOutputsNameDuringTheRunIsLeftAlone) {
  Settings.AutoDelete = true;
  testenv::WriteFile(pgp_.file("scenario.txt"), std::string("passphrase=") + kPass + "\r\nmarker=" +
                                                    pgp_.file("running") + "\r\nawait=" + pgp_.file("go-on") + "\r\n");
  const std::string source = docs_.file("LETTER.TXT"), sealed = docs_.file("LETTER.pgp");
  const std::string output = docs_.file("PLAIN.TXT");
  testenv::WriteFile(source, kPlain);
  testenv::WriteFile(output, "old output");  // the user agrees to replace it
  // Plants `file` once PGP runs, by renaming a finished file onto its name.
  auto plantDuringTheRun = [&](Robot& r, const std::string& file) {
    r.waitUntil([&] { return testenv::Exists(pgp_.file("running")); }, "PGP running");
    testenv::WriteFile(docs_.file("planting"), "planted");
    MoveFileExA(docs_.file("planting").c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
    DeleteFileA(pgp_.file("running").c_str());
    testenv::WriteFile(pgp_.file("go-on"), "");
  };
  const std::string taken =
      "Another file took the name of the output while PGP was running. It was left as it is, and PGP's result was "
      "dropped : \r\n\r\n";
  form_->OpenDialog.fileName = source;
  std::string error;
  Robot enc([&](Robot& r) {
    ConfirmFileDialog(r, "Choose file to encrypt");
    ChooseKeys(r, {0});
    TypePassPhrase(r, kPass);
    plantDuringTheRun(r, sealed);
    error = AnswerBox(r, "Error");
  });
  form_->EncryptFileItemClick();
  enc.join();
  EXPECT_EQ(error, taken + sealed);
  EXPECT_EQ(testenv::ReadFile(sealed), "planted");
  EXPECT_EQ(testenv::ReadFile(source), kPlain);

  testenv::WriteFile(sealed, scriptpgp::FormatScriptMessage({kPlain, {"Alice Example"}, ""}));
  form_->OpenDialog.fileName = sealed;
  form_->SaveDialog.fileName = output;
  Robot dec([&](Robot& r) {
    ConfirmFileDialog(r, "Choose file to decrypt");
    ConfirmOverwrite(r);
    TypePassPhrase(r, kPass);
    plantDuringTheRun(r, output);
    error = AnswerBox(r, "Error");
  });
  form_->DecryptFileItemClick();
  dec.join();
  EXPECT_EQ(error, taken + output);
  EXPECT_EQ(testenv::ReadFile(output), "planted");
  EXPECT_TRUE(testenv::Exists(sealed));
  EXPECT_FALSE(RunFolderLeft());
  EXPECT_EQ(TempFiles(), before_);
}

TEST_F(Crypt, FileDecryptionCancelledAtThePromptKeepsTheOldOutput) {
  const std::string input = docs_.file("LETTER.pgp");
  testenv::WriteFile(input, scriptpgp::FormatScriptMessage({kPlain, {"Alice Example"}, ""}));
  const std::string output = docs_.file("OLD.TXT");
  testenv::WriteFile(output, "keep me");
  form_->OpenDialog.fileName = input;
  form_->SaveDialog.fileName = output;
  Robot r([&](Robot& r) {
    ConfirmFileDialog(r, "Choose file to decrypt");
    HWND save = r.waitWindow("Choose output filename");
    r.key(save, VK_RETURN);
    // Wine's overwrite question: answer Yes.
    HWND ask = r.waitWindow("Choose output filename", "#32770", 5000);
    if (ask && ask != save) r.key(ask, 'Y');
    r.waitGone(save);
    HWND prompt = r.waitWindow("PGP pass phrase");
    r.clickButton(prompt, "&Cancel");
  });
  form_->DecryptFileItemClick();
  r.join();
  EXPECT_EQ(testenv::ReadFile(output), "keep me");
  EXPECT_FALSE(testenv::Exists(pgp_.file("pgp.log")));
}

}  // namespace
