// End to end: sealwright95's own windows over the Maildir provider
// (sealmapi.dll behind Wine's mapi32), PGP.EXE over the host's gpg, and msmtp
// sending to a loopback SMTP server of the test's own. The other party is
// plain gpg on the host.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>

#include "app/Main.h"
#include "settings/Settings.h"
#include "tests/support/dialogs.h"
#include "tests/support/mainwindow.h"
#include "tests/support/process.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"
#include "ui/window.h"

namespace {

using robot::Robot;
using Clock = std::chrono::steady_clock;

constexpr char kClients[] = "Software\\Clients\\Mail";
constexpr char kProvider[] = "Software\\Clients\\Mail\\Sealwright Maildir";
constexpr char kProviderSettings[] = "Software\\Sealwright Maildir";
constexpr char kUser[] = "Ursula User <ursula@example.org>";
constexpr char kUserPass[] = "ursula pass";
constexpr char kIncoming[] = "Hello Ursula,\r\nmeet me at noon.\r\n";

std::string Crlf(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// mapi32 reads the registered mail client once, when it is loaded, and this
// program imports it: the provider is loaded here only when it was registered
// before the program started.
// Wine's mapi32 loads the registered provider as it loads; the program loads
// mapi32 only when it opens its mail session, so the test loads it first.
bool ProviderLoaded() { return LoadLibraryA("MAPI32.DLL") && GetModuleHandleA("sealmapi.dll") != nullptr; }

// The combo box's entries as the window holds them, in UTF-16.
std::vector<std::wstring> EntriesW(HWND combo) {
  std::vector<std::wstring> out;
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring item(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)), L'\0');
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    out.push_back(item);
  }
  return out;
}

std::wstring Wide(const std::string& utf8) {
  std::wstring out(utf8.size(), L'\0');
  out.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                                                     static_cast<int>(out.size()))));
  return out;
}

// The provider's body files in the temporary folder (other tests running
// meanwhile leave files of their own there).
std::set<std::string> BodyFiles() {
  std::set<std::string> names;
  for (const std::string& n : testenv::TempFiles())
    if (n.rfind("MAP", 0) == 0) names.insert(n);
  return names;
}

class MaildirE2e : public testenv::MainWindowTest {
 protected:
  struct Suite {
    std::string pgp, scratch;  // the PGP folder; plain gpg's side, the Maildirs, the SMTP server
  };
  static std::unique_ptr<Suite>& S() {
    static std::unique_ptr<Suite> s;
    return s;
  }
  static std::string Scratch(const std::string& name) { return S()->scratch + "\\" + name; }
  static std::string Q(const std::string& winPath) { return testproc::ShQuote(testproc::UnixPath(winPath)); }
  static std::string Src(const std::string& file) {
    return testproc::ShQuote(std::string(getenv("SW_SOURCE_DIR")) + "/standins/maildir-mapi/tests/" + file);
  }
  // sh commands on the host in the scratch folder; their output, or why they failed.
  static std::string Sh(const std::string& commands) {
    auto r = testproc::RunHostShell("PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin; cd -P " + Q(S()->scratch) +
                                        " || exit 1\n{\n" + commands + "\n} 2>err",
                                    120000);
    if (!r) return "<sh failed>";
    return r->status == 0 ? r->out
                          : r->out + "<exit " + std::to_string(r->status) + "> " + testenv::ReadFile(Scratch("err"));
  }
  static void SetUpTestSuite() {
    if (!ProviderLoaded()) {
      ASSERT_EQ(getenv("SW_MAILDIR_REGISTERED"), nullptr) << "registered, yet mapi32 did not load sealmapi.dll";
      return RunRegistered();
    }
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    S() = std::make_unique<Suite>();
    // Short names: gpg-agent's socket path in a home must stay under about 100 characters.
    S()->pgp = std::string(temp) + "mde";
    S()->scratch = std::string(temp) + "mds";
    testproc::RemoveTree(S()->pgp);
    testproc::RemoveTree(S()->scratch);
    CreateDirectoryA(S()->scratch.c_str(), nullptr);
    CreateDirectoryA(S()->pgp.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((testenv::BinDir() + "pgp26.exe").c_str(), (S()->pgp + "\\PGP.EXE").c_str(), FALSE));
    for (const char* d : {"", "\\cur", "\\new", "\\tmp", "\\.Trash", "\\.Trash\\cur", "\\.Trash\\new", "\\.Trash\\tmp"})
      CreateDirectoryA(Scratch("box" + std::string(d)).c_str(), nullptr);

    // Ursula's ring in the PGP folder, knowing Rita; Rita in a home of her own
    // writes to Ursula, and the PGP/MIME message around it goes into the Maildir.
    const std::string made = Sh("h=" + Q(S()->pgp + "\\gnupg") + " ring=" + Q(S()->pgp + "\\pubring.pgp") +
                                " user=" + testproc::ShQuote(kUser) + " pass=" + testproc::ShQuote(kUserPass) +
                                " incoming=" + testproc::ShQuote(kIncoming) + " tests=" + Src("") + R"(
mkdir -m 700 "$h" r && h=$(cd "$h" && pwd -P) || exit 1
g() { home=$1; shift; gpg --homedir "$home" --batch --yes --trust-model always --pinentry-mode loopback "$@"; }
(
  set -e
  printf 'default-cache-ttl 0\nmax-cache-ttl 0\nallow-loopback-pinentry\n' >"$h/gpg-agent.conf"
  g "$h" --passphrase "$pass" --quick-gen-key "$user" future-default default never
  g r --passphrase '' --quick-gen-key 'Rita Recipient <rita@example.org>' future-default default never
  g "$h" --export | g r --import
  g r --export rita@example.org | g "$h" --import
  g "$h" --export >"$ring"
  printf %s "$incoming" | g r -a -e -r ursula@example.org >incoming.asc
  mkdir msgs && /usr/bin/python3 "$tests/make-messages.py" msgs incoming.asc
  cp msgs/pgp-mime.eml box/new/1700000000.M1P1.e2e
  cp msgs/cjk-cyrillic.eml box/new/1700000100.M2P1.e2e
  cp msgs/subject-latin1.eml box/cur/1690000000.M1P1.e2e:2,S
) && echo ok
gpgconf --homedir "$h" --kill gpg-agent; gpgconf --homedir r --kill gpg-agent)");
    ASSERT_EQ(made, "ok\n");

    // The SMTP server ($! is the server itself, ended in TearDownTestSuite) and msmtp as the send command.
    const std::string port = Sh("/usr/bin/python3 " + Src("smtp-maildir.py") +
                                " serve srv port </dev/null >/dev/null 2>&1 & echo $! >pid; "
                                "for i in $(seq 100); do [ -s port ] && break; sleep 0.1; done; cat port");
    ASSERT_FALSE(port.empty());
    SetEnvironmentVariableA("EMAIL", "Ursula User <ursula@example.org>");
    testenv::SetRegString(
        HKEY_CURRENT_USER, kProviderSettings, "Sendmail",
        "/usr/bin/msmtp --host=127.0.0.1 --port=" + port + " --from=ursula@example.org --auth=off --tls=off -t");
  }

  static void TearDownTestSuite() {
    if (!S()) return;
    Sh("kill $(cat pid)");
    RegDeleteKeyA(HKEY_CURRENT_USER, kProviderSettings);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    testproc::RemoveTree(S()->pgp);
    testproc::RemoveTree(S()->scratch);
    S().reset();
  }

  // Registers the provider as the default mail client, runs these cases in
  // a second copy of this program and puts the old registration back.
  static void RunRegistered() {
    const std::string old = testenv::RegString(HKEY_LOCAL_MACHINE, kClients, nullptr);
    testenv::SetRegString(HKEY_LOCAL_MACHINE, kClients, nullptr, "Sealwright Maildir");
    testenv::SetRegString(HKEY_LOCAL_MACHINE, kProvider, "DLLPath", testenv::BinDir() + "sealmapi.dll");
    SetEnvironmentVariableA("SW_MAILDIR_REGISTERED", "1");
    testproc::Outcome child = testproc::Run({.commandLine = GetCommandLineA(), .timeoutMs = 160000});
    testenv::SetRegString(HKEY_LOCAL_MACHINE, kClients, nullptr, old);
    std::fputs(child.out.c_str(), stdout);
    std::fputs(child.err.c_str(), stdout);
    EXPECT_TRUE(child.ended && child.exitCode == 0) << "the registered run failed";
  }

  void SetUp() override {
    MainWindowTest::SetUp();
    if (!ProviderLoaded()) GTEST_SKIP() << "run in the registered copy above";
    ASSERT_TRUE(S());
  }

  // Starts the program over `maildir` with the mail setting on and runs its
  // message loop while `script` drives it; `duringStart` runs while start-up
  // (the scan) is still going on.
  void Run(const std::string& maildir, const std::function<void(Robot&, TMainForm&, HWND)>& duringStart,
           const std::function<void(Robot&, TMainForm&, HWND)>& script) {
    testenv::SetRegString(HKEY_CURRENT_USER, kProviderSettings, "Maildir", maildir);
    StoreSettings({.PgpPath = S()->pgp, .SignFiles = false, .Pause = false, .IdSign = kUser, .ReadMsgs = true});
    started_ = Clock::now();
    RunMain(
        [&](Robot& rb, TMainForm& form) {
          HWND main = rb.waitWindow(kProductCaption);
          if (main && duringStart) duringStart(rb, form, main);
          main = WaitMain(rb, 60000);
          ASSERT_TRUE(main);
          script(rb, form, main);
        },
        60000);
    created_ = StartUpEnded();
  }

  Clock::time_point started_, created_;
};

TEST_F(MaildirE2e, ReadDecryptReplySendAndDelete) {
  const std::set<std::string> bodyFilesBefore = BodyFiles();
  const std::string reply = "Dear Rita,\r\nnoon suits me.\r\nUrsula";
  Run(Scratch("box"), {}, [&](Robot& r, TMainForm& form, HWND main) {
    // The PGP messages are listed (the plain one is not), each script as
    // itself, and the first is loaded.
    HWND combo = form.ComboBox1.handle();
    const std::wstring cjk =
        Wide("From : Алиса Петрова" + std::string(50, ' ') + " (Subject)[山田さんへ 暗号文 – 秘密]");
    EXPECT_EQ(EntriesW(combo), (std::vector<std::wstring>{
                                   Wide("From : Doe, Jane" + std::string(54, ' ') + " (Subject)[PGP/MIME]"), cjk}));
    EXPECT_EQ(form.memo1.text(), Crlf(testenv::ReadFile(Scratch("incoming.asc"))));
    EXPECT_TRUE(r.enabled(form.DelButton.handle()));
    r.screenshot(main, "maildir_e2e_list");

    r.clickButton(main, "&Decrypt");
    testenv::TypePassPhrase(r, kUserPass);
    r.sync(main);
    EXPECT_EQ(form.memo1.text(), kIncoming);
    // Read once, the message is marked seen and still found under its name.
    r.selectItem(combo, 0);
    r.sync(main);
    EXPECT_EQ(form.memo1.text().rfind("-----BEGIN PGP MESSAGE-----", 0), 0u);

    r.setText(form.memo1.handle(), reply);
    r.clickButton(main, "&Encrypt");
    testenv::ChooseRecipient(r, "Rita");
    r.sync(main);
    EXPECT_EQ(form.memo1.text().rfind("-----BEGIN PGP MESSAGE-----", 0), 0u) << form.memo1.text();
    r.menu(main, {"&File", "&Send"});
    HWND compose = r.waitWindow("New Message - Sealwright Maildir");
    ASSERT_TRUE(compose);
    auto edits = r.children(compose, "Edit");
    ASSERT_EQ(edits.size(), 4u);
    EXPECT_FALSE(r.enabled(main));  // the dialog is modal to the program's window
    r.setText(edits[0], "Rita Recipient <rita@example.org>");
    r.setText(edits[2], "Re: PGP/MIME");
    r.setText(edits[3], "My answer is attached.");
    r.screenshot(compose, "maildir_e2e_compose");
    r.clickButton(compose, "&Send");
    r.waitGone(compose, 30000);
    r.sync(main);
    EXPECT_FALSE(r.exists("Error"));

    r.click(form.DelButton.handle());
    HWND box = r.waitWindow("Confirm");
    ASSERT_TRUE(box);
    r.clickButton(box, "&Yes");
    r.waitGone(box);
    r.sync(main);
    EXPECT_EQ(EntriesW(combo), std::vector<std::wstring>{cjk});
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    r.screenshot(main, "maildir_e2e_list_scripts");
  });
  // Read (seen), then moved to the trash; the plain message stays.
  EXPECT_TRUE(testenv::Exists(Scratch("box\\.Trash\\cur\\1700000000.M1P1.e2e:2,S")));
  EXPECT_FALSE(testenv::Exists(Scratch("box\\cur\\1700000000.M1P1.e2e:2,S")));
  EXPECT_TRUE(testenv::Exists(Scratch("box\\cur\\1690000000.M1P1.e2e:2,S")));
  // The attachment reached the server and Rita's plain gpg reads it.
  const std::string smtp = "/usr/bin/python3 " + Src("smtp-maildir.py");
  const std::string got = Sh(smtp + " show srv | head -1; " + smtp +
                             " part srv PGPDOC.TXT >got.asc && gpg --homedir r --batch -d got.asc 2>/dev/null; "
                             "gpgconf --homedir r --kill gpg-agent");
  EXPECT_EQ(got, "envelope-to: rita@example.org\n" + reply);
  EXPECT_EQ(BodyFiles(), bodyFilesBefore);  // the program removed the one it was given
}

// The scan of a big Maildir through the window: its time, and Escape in the
// status window stops it with what was found. SW_MAILDIR_SCAN sets the
// number of messages (every tenth a PGP message).
TEST_F(MaildirE2e, BigMaildirScanTimedAndStoppedByEscape) {
  const char* env = getenv("SW_MAILDIR_SCAN");
  const int count = env ? std::atoi(env) : 10000;
  const std::string big = Scratch("big");
  const std::string filled =
      Sh("mkdir -p big/cur big/new big/tmp && /usr/bin/python3 -c 'import shutil, sys\n"
         "for i in range(int(sys.argv[1])):\n"
         "  shutil.copyfile(\"msgs/\" + (\"pgp-mime\" if i % 10 == 0 else \"subject-latin1\") + \".eml\", "
         "\"big/new/%d.M%dP1.big\" % (1600000000 + i, i))' " +
         std::to_string(count) + " && ls big/new | wc -l");
  ASSERT_EQ(filled, std::to_string(count) + "\n");
  auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };

  Run(big, {},
      [&](Robot& r, TMainForm& form, HWND) { EXPECT_EQ(r.listItems(form.ComboBox1.handle()).size(), count / 10u); });
  std::printf("%d messages: start-up with the scan through the window %.2f s\n", count, seconds(created_ - started_));

  // Once three are listed Escape is typed from the UI thread itself, at one
  // of the scan's looks at the queue: the scan runs faster than a robot
  // asking the window from outside (one look per question) could type.
  Clock::time_point escaped;
  size_t listed = 0;
  Run(
      big,
      [&](Robot& r, TMainForm& form, HWND main) {
        const HWND combo = form.ComboBox1.handle();
        r.waitUntil(
            [&] {
              bool typed = false;
              r.onUiThread(main, [&] {
                HWND status = r.findChild(main, "Connecting to MAPI ...(press ESC to cancel)");
                if (!status || SendMessageA(combo, CB_GETCOUNT, 0, 0) < 3) return;
                SetForegroundWindow(main);
                SetFocus(GetParent(status));
                INPUT keys[2]{};
                for (INPUT& k : keys) {
                  k.type = INPUT_KEYBOARD;
                  k.ki.wVk = VK_ESCAPE;
                  k.ki.wScan = static_cast<WORD>(MapVirtualKeyA(VK_ESCAPE, MAPVK_VK_TO_VSC));
                }
                keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
                typed = SendInput(2, keys, sizeof(INPUT)) == 2;
                escaped = Clock::now();
              });
              return typed;
            },
            "Escape typed with three messages listed", 20000);
      },
      [&](Robot& r, TMainForm& form, HWND) {
        listed = r.listItems(form.ComboBox1.handle()).size();
        EXPECT_GE(listed, 3u);
        EXPECT_LT(listed, count / 10u);
        EXPECT_EQ(form.memo1.text().rfind("-----BEGIN PGP MESSAGE-----", 0), 0u);
      });
  std::printf("Escape %.2f s into start-up: %zu of %d listed, start-up over %.3f s later\n",
              seconds(escaped - started_), listed, count / 10, seconds(created_ - escaped));
}

}  // namespace
