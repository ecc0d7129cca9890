// End to end: the program's own windows (the mail build) with PGP.EXE over the
// host's real gpg, through command.com, the recipients dialog, the pass-phrase
// prompt and the file dialogs, with the robot answering. The other party is
// plain gpg on the host, run through Z:\bin\sh. After every case no file
// outside the user's own files may hold the plain text or the pass phrase.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Main.h"
#include "pgp/pgpcommand.h"
#include "settings/Settings.h"
#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"
#include "tests/support/dialogs.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"

namespace {

using robot::Robot;
using testenv::AnswerBox;
using testenv::BoxText;
using testenv::ChooseFile;
using testenv::ChooseRecipient;
using testenv::ConfirmFileDialog;
using testenv::RunIdle;
using testenv::TempFiles;
using testenv::TypePassPhrase;
using Clock = std::chrono::steady_clock;

const char* const kUser = "Ursula User <ursula@example.org>";
const char* const kRitaPass = "rita pass";
// User IDs in other scripts: Alice's key is the user's own, the others are
// imported.
const char* const kAlice = "Алиса Пример <alice@example.ru>";
const char* const kAlicePass = "пароль Алисы";
const char* const kEleni = "Ελένη Παπαδοπούλου <eleni@example.gr>";
const char* const kTaro = "山田太郎 <taro@example.jp>";
const char* const kSmiley = "Smiley 😀 <smiley@example.org>";

long long Ms(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

// Built at run time, so that this program's own file in the program folder
// does not hold them and the scan finds only real copies.
std::string UserPass() { return "ursula-pp-" + std::to_string(GetCurrentProcessId()) + " %TEMP% 100%"; }
std::string PassMark() { return "ursula-pp-" + std::to_string(GetCurrentProcessId()); }
std::string PlainMark() { return "Zebra lantern " + std::to_string(GetCurrentProcessId() * 7 + 3); }

// Files under `dir` (recursively) holding one of `needles`, except the paths
// in `skip` (compared case-insensitively, whole folders included).
void Scan(const std::string& dir, const std::vector<std::string>& needles, const std::vector<std::string>& skip,
          std::vector<std::string>& found) {
  auto skipped = [&](const std::string& path) {
    return std::any_of(skip.begin(), skip.end(),
                       [&](const std::string& s) { return lstrcmpiA(s.c_str(), path.c_str()) == 0; });
  };
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    const std::string full = dir + "\\" + name;
    if (skipped(full)) continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Scan(full, needles, skip, found);
      continue;
    }
    const std::string data = bridge::ReadWholeFile(full).value_or("");
    for (const std::string& n : needles) {
      if (data.find(n) != std::string::npos) found.push_back(full + " holds \"" + n + "\"");
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

class E2eGnupg : public testing::Test {
 protected:
  struct Suite {
    std::string dir;    // the PGP folder
    std::string tools;  // plain gpg's side: Rita's home, scratch files
    std::vector<keys::KeyEntry> keys;
  };
  static std::unique_ptr<Suite>& S() {
    static std::unique_ptr<Suite> s;
    return s;
  }
  static std::string In(const std::string& name) { return S()->dir + "\\" + name; }
  static std::string Tool(const std::string& name) { return S()->tools + "\\" + name; }

  // Runs sh commands on the host in the scratch folder; returns their standard output.
  static std::string Sh(const std::string& commands) {
    auto r = bridge::RunShell(S()->tools, commands, 120000);
    return r ? r->out : "<sh failed>";
  }
  // The user's GnuPG home by its physical path (gpg-agent refuses Wine's "c:").
  static std::string UserHome() { return "\"$(cd " + bridge::ShQuote(bridge::UnixPath(In("gnupg"))) + " && pwd -P)\""; }
  // Plain gpg on `home` with the pass phrase in the scratch file pf.
  static std::string Gpg(const std::string& home) {
    return "gpg --homedir " + home +
           " --batch --yes --no-tty --trust-model always --pinentry-mode loopback --passphrase-file pf ";
  }
  static std::string PassFile(const std::string& pass) { return "printf %s " + bridge::ShQuote(pass) + " >pf\n"; }
  static std::string Kill(const std::string& home) {
    return "\ngpgconf --homedir " + home + " --kill gpg-agent; rm -f pf";
  }

  static void SetUpTestSuite() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    S() = std::make_unique<Suite>();
    // Short names: gpg-agent's socket path in the home must stay under about 100 characters.
    S()->dir = std::string(temp) + "e2g";
    S()->tools = std::string(temp) + "e2s";
    CreateDirectoryA(S()->tools.c_str(), nullptr);
    Sh("rm -rf " + bridge::ShQuote(bridge::UnixPath(S()->dir)) + " r; mkdir -m 700 r");
    ASSERT_TRUE(CreateDirectoryA(S()->dir.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((testenv::BinDir() + "pgp26.exe").c_str(), In("PGP.EXE").c_str(), FALSE));
    ASSERT_TRUE(CreateDirectoryA(In("gnupg").c_str(), nullptr));
    testenv::WriteFile(In("gnupg\\gpg-agent.conf"), "default-cache-ttl 0\nmax-cache-ttl 0\nallow-loopback-pinentry\n");

    // The user's own key in the PGP folder's home, its ring as PGP.EXE keeps
    // it; Rita's in a home of her own, knowing Ursula's public key.
    const std::string home = UserHome();
    const std::string made =
        Sh("chmod 700 " + home + "\n" + PassFile(UserPass()) + Gpg(home) + "--quick-gen-key " + bridge::ShQuote(kUser) +
           " future-default default never\n" + "gpg --homedir " + home + " --export >" +
           bridge::ShQuote(bridge::UnixPath(In("pubring.pgp"))) + Kill(home) + "\n" + PassFile(kRitaPass) + Gpg("r") +
           "--quick-gen-key 'Rita Recipient <rita@example.org>' future-default default never\n" +
           "gpg --homedir r --batch --import " + bridge::ShQuote(bridge::UnixPath(In("pubring.pgp"))) +
           " 2>/dev/null\ngpg --homedir r --armor --export rita@example.org >rita.asc" + Kill("r") +
           "\ngpg --homedir r --with-colons --list-keys | grep -c '^pub'");
    ASSERT_EQ(made, "2\n") << bridge::ReadWholeFile(Tool("err")).value_or("");
  }

  static void TearDownTestSuite() {
    if (!S()) return;
    Sh("gpgconf --homedir " + UserHome() + " --kill gpg-agent; gpgconf --homedir r --kill gpg-agent; rm -rf " +
       bridge::ShQuote(bridge::UnixPath(S()->dir)) + " r o rita.asc *.out *.asc *.pgp *.txt st pf");
    for (const char* f : {"out", "err", "rc", "run.sh"}) DeleteFileA(Tool(f).c_str());
    RemoveDirectoryA(S()->tools.c_str());
    S().reset();
  }

  void SetUp() override {
    ASSERT_TRUE(S());
    Settings = TSettings{};
    Settings.PgpPath = S()->dir;
    Settings.Pause = false;
    Settings.SignFiles = true;
    Settings.IdSign = kUser;
    PgpCommand = pgp::MakePgpCommand(Settings.PgpPath);
    form_ = std::make_unique<TMainForm>();
    form_->show();
    if (S()->keys.empty()) AddRitaThroughTheWindow();
    form_->KeyList = S()->keys;
    before_ = TempFiles();
  }

  void TearDown() override {
    form_.reset();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    ExpectNoSecretsLeft();
    EXPECT_EQ(TempFiles(), before_);  // every work file removed
  }

  // Rita's public key through "Add a key" (PGP.EXE -ka, then -kv for the list).
  void AddRitaThroughTheWindow() {
    form_->OpenDialog.fileName = Tool("rita.asc");
    Robot r([&](Robot& r) { ConfirmFileDialog(r, "Choose public key file"); });
    form_->Addapublickey1Click();
    r.join();
    S()->keys = form_->KeyList;
    ASSERT_EQ(S()->keys.size(), 2u);
    const std::vector<std::string> texts = keys::KeyTexts(S()->keys);
    EXPECT_NE(std::find(texts.begin(), texts.end(), kUser), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Rita Recipient <rita@example.org>"), texts.end());
  }

  // Neither the plain text's mark nor the pass phrase in the temporary folder,
  // the program folder or the PGP folder, except the user's own files, the
  // GnuPG home's key files and plain gpg's scratch folder (the other party).
  void ExpectNoSecretsLeft() {
    const std::vector<std::string> found = Leaks(own_);
    EXPECT_TRUE(found.empty()) << [&] {
      std::string all;
      for (const std::string& f : found) all += f + "\n";
      return all;
    }();
  }

  std::vector<std::string> Leaks(const std::vector<std::string>& own) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string tempDir = temp;
    if (!tempDir.empty() && tempDir.back() == '\\') tempDir.pop_back();
    std::string bin = testenv::BinDir();
    bin.pop_back();
    std::vector<std::string> skip = own;
    skip.push_back(S()->tools);
    for (const char* key :
         {"private-keys-v1.d", "openpgp-revocs.d", "pubring.kbx", "pubring.kbx~", "trustdb.gpg", "random_seed",
          "S.gpg-agent", "S.gpg-agent.browser", "S.gpg-agent.extra", "S.gpg-agent.ssh"}) {
      skip.push_back(In("gnupg\\") + key);
    }
    const std::vector<std::string> needles = {PlainMark(), PassMark()};
    std::vector<std::string> found;
    Scan(tempDir, needles, skip, found);  // the PGP folder lies in it
    Scan(bin, needles, skip, found);
    return found;
  }

  std::unique_ptr<TMainForm> form_;
  testenv::TempDir docs_;
  std::vector<std::string> own_;  // the user's own files: plain text by choice
  std::set<std::string> before_;
};

TEST_F(E2eGnupg, TypedTextEncryptedAndSignedDecryptsWithPlainGpg) {
  const std::string plain =
      "Dear Rita,\r\n\r\n" + PlainMark() + ": müßé naïve § µæø Привет 世界\r\ntab\there  \r\nlast line";
  form_->memo1.setText(plain);
  Robot r([&](Robot& r) {
    ChooseRecipient(r, "Rita");
    TypePassPhrase(r, UserPass());
  });
  form_->Encrypttext1Click();
  r.join();
  const std::string window = form_->memo1.text();
  ASSERT_EQ(window.rfind("-----BEGIN PGP MESSAGE-----", 0), 0u) << window;
  RunIdle([&](Robot& r) { EXPECT_NE(r.screenshot(form_->handle(), "e2e_after_encryption"), ""); });

  bridge::WriteWholeFile(Tool("c1.asc"), window);
  Sh(PassFile(kRitaPass) + Gpg("r") + "--status-file st -o c1.out -d c1.asc" + Kill("r"));
  EXPECT_EQ(bridge::ReadWholeFile(Tool("c1.out")).value_or("<none>"), plain);
  const std::string status = bridge::ReadWholeFile(Tool("st")).value_or("");
  EXPECT_NE(status.find("[GNUPG:] GOODSIG "), std::string::npos) << status;
  EXPECT_NE(status.find(kUser), std::string::npos) << status;
}

TEST_F(E2eGnupg, MessageFromPlainGpgDecryptsInTheWindow) {
  const std::string plain = "Hello Ursula,\r\n" + PlainMark() + " äöü © € Ελληνικά\r\n\r\nRita";
  bridge::WriteWholeFile(Tool("c2.txt"), plain);
  Sh(PassFile(kRitaPass) + Gpg("r") + "-u rita@example.org -r ursula@example.org -a -s -e -o c2.asc c2.txt" +
     Kill("r") + "; rm -f c2.txt");
  const std::string message = bridge::ReadWholeFile(Tool("c2.asc")).value_or("");
  ASSERT_NE(message.find("-----BEGIN PGP MESSAGE-----"), std::string::npos) << message;
  // Pasted as a mail program would hand it over: CR LF line ends.
  std::string pasted;
  for (char c : message) {
    if (c == '\n') pasted += '\r';
    pasted += c;
  }
  form_->memo1.setText(pasted);
  // A wrong pass phrase leaves the message in the window.
  Robot wrong([&](Robot& r) { TypePassPhrase(r, "not " + UserPass()); });
  form_->Decrypttext1Click();
  wrong.join();
  EXPECT_EQ(form_->memo1.text(), pasted);
  Robot r([&](Robot& r) { TypePassPhrase(r, UserPass()); });
  form_->Decrypttext1Click();
  r.join();
  EXPECT_EQ(form_->memo1.text(), plain);
}

TEST_F(E2eGnupg, FileRoundTripOfOneMegabyteAndItsTime) {
  std::string data = PlainMark() + "\r\n";
  data.reserve(1 << 20);
  for (size_t i = data.size(); i < (1u << 20); ++i) data += static_cast<char>((i * 2654435761u) >> 13);
  const std::string source = docs_.file("BIG.TXT"), sealed = docs_.file("BIG.pgp"), back = docs_.file("BIG.OUT");
  own_ = {source, back};
  bridge::WriteWholeFile(source, data);

  form_->OpenDialog.fileName = source;
  std::string info;
  Clock::time_point passGiven, infoShown;
  Robot enc([&](Robot& r) {
    ConfirmFileDialog(r, "Choose file to encrypt");
    ChooseRecipient(r, "Ursula");
    TypePassPhrase(r, UserPass());
    passGiven = Clock::now();
    HWND box = r.waitWindow("Information", {}, 60000);
    infoShown = Clock::now();
    if (!box) return;
    info = BoxText(r, box);
    r.clickButton(box, "OK");
    r.waitGone(box);
  });
  const auto e0 = Clock::now();
  form_->EncryptFileItemClick();
  const auto e1 = Clock::now();
  enc.join();
  EXPECT_EQ(info, "File : " + sealed + "\r\nSuccessfuly created !");
  ASSERT_TRUE(testenv::Exists(sealed));

  form_->OpenDialog.fileName = sealed;
  form_->SaveDialog.fileName = back;
  Clock::time_point decPassGiven;
  Robot dec([&](Robot& r) {
    ConfirmFileDialog(r, "Choose file to decrypt");
    ConfirmFileDialog(r, "Choose output filename");
    TypePassPhrase(r, UserPass());
    decPassGiven = Clock::now();
  });
  const auto d0 = Clock::now();
  form_->DecryptFileItemClick();
  const auto d1 = Clock::now();
  dec.join();
  EXPECT_TRUE(bridge::ReadWholeFile(back) == data);
  // The scan sees the user's own copies when they are not excluded.
  std::vector<std::string> seen = Leaks({});
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{back + " holds \"" + PlainMark() + "\"",
                                            source + " holds \"" + PlainMark() + "\""}));

  // The same work with plain gpg in the same home, as PGP.EXE runs it.
  const std::string home = UserHome();
  const std::string src = bridge::ShQuote(bridge::UnixPath(source));
  const auto g0 = Clock::now();
  Sh(PassFile(UserPass()) + Gpg(home) + "-u ursula@example.org -r ursula@example.org -s -e -o big.pgp " + src +
     Kill(home));
  const auto g1 = Clock::now();
  const std::string same = Sh(PassFile(UserPass()) + Gpg(home) + "-o big.out -d big.pgp" + Kill(home) +
                              "; cmp -s big.out " + src + " && echo same; rm -f big.out big.pgp");
  const auto g2 = Clock::now();
  EXPECT_EQ(same, "same\n");
  std::printf(
      "1 MB file, through the window: encrypt %lld ms (PGP run after the pass phrase %lld ms), decrypt %lld ms "
      "(after the pass phrase %lld ms); plain gpg through sh: encrypt %lld ms, decrypt %lld ms\n",
      Ms(e1 - e0), Ms(infoShown - passGiven), Ms(d1 - d0), Ms(d1 - decPassGiven), Ms(g1 - g0), Ms(g2 - g1));
}

// Every script: keys whose user IDs are Cyrillic, Greek, CJK or hold an emoji
// (made by plain gpg: Alice's in the user's own ring, the others imported
// through the window) are listed exactly in the key list and the recipients
// dialog, and Alice's is stored as the signing ID and read back; a text in
// all of them goes to Alice's key and comes back byte for byte; a file in a
// Cyrillic folder goes through the file dialogs both ways; an old Latin-1
// text from plain gpg reads "café".
TEST_F(E2eGnupg, UserIdsTextsAndFileNamesInEveryScript) {
  ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the programs' manifest";
  const std::string home = UserHome();
  std::string others = "rm -rf o; mkdir -m 700 o\n";
  for (const char* uid : {kEleni, kTaro, kSmiley})
    others += Gpg("o") + "--quick-gen-key " + bridge::ShQuote(uid) + " future-default default never\n";
  const std::string made = Sh(PassFile(kAlicePass) + Gpg(home) + "--quick-gen-key " + bridge::ShQuote(kAlice) +
                              " future-default default never" + Kill(home) + "\n" + PassFile(kAlicePass) + others +
                              "gpg --homedir o --armor --export >others.asc" + Kill("o") +
                              "\ngpg --homedir o --with-colons --list-keys | grep -c '^pub'");
  ASSERT_EQ(made, "3\n") << bridge::ReadWholeFile(Tool("err")).value_or("");
  Settings.SignFiles = false;

  // The key list: read again after the import.
  form_->OpenDialog.fileName = Tool("others.asc");
  Robot add([&](Robot& r) { ConfirmFileDialog(r, "Choose public key file"); });
  form_->Addapublickey1Click();
  add.join();
  const std::vector<std::string> listed = keys::KeyTexts(form_->KeyList);
  for (const char* uid : {kAlice, kEleni, kTaro, kSmiley}) {
    EXPECT_NE(std::find(listed.begin(), listed.end(), uid), listed.end())
        << uid << " not in " << testing::PrintToString(listed);
  }
  std::vector<std::string> picked;
  Robot pick([&](Robot& r) {
    HWND picker = r.waitWindow("Choose default ID for signing messages and files");
    if (!picker) return;
    HWND list = r.findChild(picker, "", "ListBox");
    picked = r.listItems(list);
    r.screenshot(picker, "e2e_key_list_scripts");
    auto alice = std::find(picked.begin(), picked.end(), kAlice);
    if (alice == picked.end()) return r.clickButton(picker, "&Cancel");
    r.selectItem(list, static_cast<int>(alice - picked.begin()));
    r.clickButton(picker, "&Ok");
    r.waitGone(picker);
  });
  form_->DefaultIDforSigning1Click();
  pick.join();
  EXPECT_EQ(picked, listed);
  Settings = TSettings{};
  LoadSettings();
  RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
  EXPECT_EQ(Settings.IdSign, kAlice);

  // The window's text to Alice's key and back.
  const std::string text = "Привет, Ελληνικά, 世界, 😀";
  form_->memo1.setText(text);
  std::vector<std::string> offered;
  Robot enc([&](Robot& r) {
    HWND dialog = r.waitWindow("Encrypting");
    if (!dialog) return;
    offered = r.listItems(r.findChild(dialog, "", "ListBox", 0));
    r.screenshot(dialog, "e2e_recipients_scripts");
    ChooseRecipient(r, "Алиса");
  });
  form_->Encrypttext1Click();
  enc.join();
  EXPECT_EQ(offered, listed);
  ASSERT_EQ(form_->memo1.text().rfind("-----BEGIN PGP MESSAGE-----", 0), 0u) << form_->memo1.text();
  Robot dec([&](Robot& r) { TypePassPhrase(r, kAlicePass); });
  form_->Decrypttext1Click();
  dec.join();
  EXPECT_EQ(form_->memo1.text(), text);
  RunIdle([&](Robot& r) { r.screenshot(form_->handle(), "e2e_text_scripts"); });

  // A file in a Cyrillic folder, its names typed into the file dialogs.
  const std::string folder = docs_.file("Документы");
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string source = folder + "\\заметка.txt", sealed = folder + "\\заметка.pgp",
                    back = folder + "\\заметка (копия).txt";
  own_ = {source, back};
  const std::string note = "Заметка " + PlainMark() + ": 山田太郎, Ελένη\r\n";
  ASSERT_TRUE(bridge::WriteWholeFile(source, note));
  std::string info;
  Robot fileEnc([&](Robot& r) {
    ChooseFile(r, r.waitWindow("Choose file to encrypt", {}, 20000), source);
    ChooseRecipient(r, "Алиса");
    info = AnswerBox(r, "Information");
  });
  form_->EncryptFileItemClick();
  fileEnc.join();
  EXPECT_EQ(info, "File : " + sealed + "\r\nSuccessfuly created !");
  Robot fileDec([&](Robot& r) {
    ChooseFile(r, r.waitWindow("Choose file to decrypt", {}, 20000), sealed);
    ChooseFile(r, r.waitWindow("Choose output filename", {}, 20000), back);
    TypePassPhrase(r, kAlicePass);
  });
  form_->DecryptFileItemClick();
  fileDec.join();
  EXPECT_EQ(bridge::ReadWholeFile(back).value_or("<none>"), note);

  // Latin-1 text from before, from plain gpg: shown as Windows-1252.
  const std::string sent = Sh("printf 'caf\\351' >l1.txt\n" + PassFile(kRitaPass) + Gpg("r") +
                              "-r ursula@example.org -a -e -o l1.asc l1.txt" + Kill("r") + "\ncat l1.asc");
  std::string latin1;
  for (char c : sent) {
    if (c == '\n') latin1 += '\r';
    latin1 += c;
  }
  ASSERT_NE(latin1.find("-----BEGIN PGP MESSAGE-----"), std::string::npos)
      << latin1 << bridge::ReadWholeFile(Tool("err")).value_or("");
  form_->memo1.setText(latin1);
  Robot old([&](Robot& r) { TypePassPhrase(r, UserPass()); });
  form_->Decrypttext1Click();
  old.join();
  EXPECT_EQ(form_->memo1.text(), "café");
}

}  // namespace
