// sealmapi.dll behind Wine's own mapi32: registered as the default mail
// client of the test prefix, over a Maildir of messages made by gpg, Python's
// email library and mutt (make-messages.sh), sending through msmtp to a
// loopback SMTP server of the test's own.
#include <windows.h>

#include <gtest/gtest.h>
// windows.h first: the mail header needs its types.
#include <mapi.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"
#include "tests/support/process.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"
#include "ui/handles.h"

namespace {

constexpr char kClients[] = "Software\\Clients\\Mail";
constexpr char kClient[] = "Software\\Clients\\Mail\\Sealwright Maildir";
constexpr char kSettings[] = "Software\\Sealwright Maildir";
constexpr char kCompose[] = "New Message - Sealwright Maildir";

// What the provider leaves in the temporary folder: a session's private
// folder ("mapi-*", its body files and pack inside) and send folders
// ("run-*"); other tests' files there are no concern here.
std::set<std::string> ProviderTempFiles() {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::set<std::string> names;
  for (const char* pattern : {"MAP*", "mapi-*", "run-*"}) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((std::string(temp) + pattern).c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) continue;
    do names.insert(fd.cFileName);
    while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  return names;
}

struct Mapi {
  LPMAPILOGON logon;
  LPMAPILOGOFF logoff;
  LPMAPIFINDNEXT findNext;
  LPMAPIREADMAIL readMail;
  LPMAPIFREEBUFFER freeBuffer;
  LPMAPIDELETEMAIL deleteMail;
  LPMAPISENDDOCUMENTS sendDocuments;
};

class MaildirMapi : public ::testing::Test {
 protected:
  struct Suite {
    std::unique_ptr<testenv::TempDir> dir;
    std::string box, tools, messages, oldDefault;
    Mapi mapi{};
  };
  static std::unique_ptr<Suite>& S() {
    static std::unique_ptr<Suite> s;
    return s;
  }
  static const Mapi& M() { return S()->mapi; }
  static std::string Box(const std::string& rest) { return S()->box + "\\" + rest; }

  // Runs sh commands on the host in the tools folder; their standard output.
  static std::string Sh(const std::string& commands) {
    auto r = bridge::RunShell(S()->tools, "PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin; export PATH\n" + commands,
                              120000);
    if (!r) return "<sh failed>";
    return r->status == 0 ? r->out : r->out + r->err;
  }
  // A file of this folder as sh is given it.
  static std::string Src(const std::string& file) {
    return bridge::ShQuote(std::string(getenv("SW_SOURCE_DIR")) + "/standins/maildir-mapi/tests/" + file);
  }
  // A message file from make-messages.sh placed in the Maildir under `name`.
  static void Place(const std::string& message, const std::string& name) {
    ASSERT_TRUE(CopyFileA((S()->messages + "\\" + message).c_str(), Box(name).c_str(), FALSE)) << name;
  }

  static void SetUpTestSuite() {
    S() = std::make_unique<Suite>();
    S()->dir = std::make_unique<testenv::TempDir>();
    S()->box = S()->dir->file("Maildir");
    S()->tools = S()->dir->file("sh");
    S()->messages = S()->dir->file("messages");
    CreateDirectoryA(S()->tools.c_str(), nullptr);
    for (const char* d : {"", "\\cur", "\\new", "\\tmp", "\\.Sent", "\\.Sent\\cur", "\\.Sent\\new", "\\.Sent\\tmp"})
      CreateDirectoryA((S()->box + d).c_str(), nullptr);
    ASSERT_EQ(Sh(Src("make-messages.sh") + " " + bridge::ShQuote(bridge::UnixPath(S()->messages)) + " && echo ok"),
              "ok\n");
    // Oldest first regardless of folder and name: pgp-mime, inline, koi8, latin1.
    Place("pgp-mime.eml", "new\\1700000300.M5P1.host");
    Place("inline-qp.eml", "cur\\1700000100.M900P1.host:2,S");
    Place("subject-koi8.eml", "new\\1700000100.M1000P1.host");
    Place("mixed.eml", "cur\\1700000050.M1P1.host:2,ST");  // trashed: never listed
    Place("subject-latin1.eml", "cur\\999999999.M1P1.host:2,");

    S()->oldDefault = testenv::RegString(HKEY_LOCAL_MACHINE, kClients, nullptr);
    testenv::SetRegString(HKEY_LOCAL_MACHINE, kClients, nullptr, "Sealwright Maildir");
    testenv::SetRegString(HKEY_LOCAL_MACHINE, kClient, "DLLPath", testenv::BinDir() + "sealmapi.dll");
    testenv::SetRegString(HKEY_CURRENT_USER, kSettings, "Maildir", S()->box);
    HMODULE mapi = LoadLibraryA("mapi32.dll");  // reads the registration now
    ASSERT_TRUE(mapi);
    auto get = [mapi](const char* name) { return reinterpret_cast<void*>(GetProcAddress(mapi, name)); };
    S()->mapi = {reinterpret_cast<LPMAPILOGON>(get("MAPILogon")),
                 reinterpret_cast<LPMAPILOGOFF>(get("MAPILogoff")),
                 reinterpret_cast<LPMAPIFINDNEXT>(get("MAPIFindNext")),
                 reinterpret_cast<LPMAPIREADMAIL>(get("MAPIReadMail")),
                 reinterpret_cast<LPMAPIFREEBUFFER>(get("MAPIFreeBuffer")),
                 reinterpret_cast<LPMAPIDELETEMAIL>(get("MAPIDeleteMail")),
                 reinterpret_cast<LPMAPISENDDOCUMENTS>(get("MAPISendDocuments"))};
  }

  static void TearDownTestSuite() {
    testenv::SetRegString(HKEY_LOCAL_MACHINE, kClients, nullptr, S()->oldDefault);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettings);
    S().reset();
  }

  LHANDLE Logon() {
    LHANDLE session = 0;
    EXPECT_EQ(M().logon(0, nullptr, nullptr, MAPI_LOGON_UI | MAPI_NEW_SESSION, 0, &session), SUCCESS_SUCCESS);
    return session;
  }

  std::vector<std::string> Scan(LHANDLE session) {
    std::vector<std::string> ids;
    char seed[4096] = "", found[4096];
    while (M().findNext(session, 0, seed, seed, 0, 0, found) == SUCCESS_SUCCESS && ids.size() < 100) {
      ids.push_back(found);
      strcpy(seed, found);
    }
    return ids;
  }
};

TEST_F(MaildirMapi, LogonFindsTheMaildirOrAsksForIt) {
  HKEY k;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettings, 0, KEY_WRITE, &k), ERROR_SUCCESS);
  RegDeleteValueA(ui::RegKey(k).get(), "Maildir");
  LHANDLE session = 0;
  // $MAILDIR names it as a host path.
  SetEnvironmentVariableA("MAILDIR", bridge::UnixPath(S()->box).c_str());
  ASSERT_EQ(M().logon(0, nullptr, nullptr, 0, 0, &session), SUCCESS_SUCCESS);
  char found[4096];
  EXPECT_EQ(M().findNext(session, 0, nullptr, nullptr, 0, 0, found), SUCCESS_SUCCESS);
  M().logoff(session, 0, 0, 0);

  // Nothing there: no session without the UI; with it, a dialog that names the
  // folder and takes another (kept for the next logon), or is cancelled.
  SetEnvironmentVariableA("MAILDIR", "/nonexistent/Maildir");
  EXPECT_EQ(M().logon(0, nullptr, nullptr, 0, 0, &session), static_cast<ULONG>(MAPI_E_LOGIN_FAILURE));
  {
    robot::Robot r([](robot::Robot& r) { r.clickButton(r.waitWindow("Sealwright Maildir"), "Cancel"); });
    EXPECT_EQ(M().logon(0, nullptr, nullptr, MAPI_LOGON_UI, 0, &session), static_cast<ULONG>(MAPI_E_USER_ABORT));
    r.join();
  }
  {
    robot::Robot r([](robot::Robot& r) {
      HWND w = r.waitWindow("Sealwright Maildir");
      std::string looked;
      for (HWND t : r.children(w, "Static")) looked += r.text(t);
      EXPECT_NE(looked.find("nonexistent\\Maildir"), std::string::npos) << looked;
      r.setText(r.children(w, "Edit").at(0), S()->box);
      r.screenshot(w, "maildir-logon");
      r.clickButton(w, "OK");
    });
    EXPECT_EQ(M().logon(0, nullptr, nullptr, MAPI_LOGON_UI, 0, &session), SUCCESS_SUCCESS);
    r.join();
  }
  M().logoff(session, 0, 0, 0);
  EXPECT_EQ(testenv::RegString(HKEY_CURRENT_USER, kSettings, "Maildir"), S()->box);
}

TEST_F(MaildirMapi, ScanListsOldestFirstAndReadsWhatAReaderShows) {
  std::set<std::string> tempBefore = ProviderTempFiles();
  // A session folder a killed program left an hour ago, mail still inside.
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string abandoned = std::string(temp) + "mapi-1-1-0";
  CreateDirectoryA(abandoned.c_str(), nullptr);
  testenv::WriteFile(abandoned + "\\pack", "From: someone\r\n\r\nprivate words\r\n");
  {
    ui::Handle dir(CreateFileA(abandoned.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{.LowPart = now.dwLowDateTime, .HighPart = now.dwHighDateTime};
    t.QuadPart -= 3600ull * 10000000ull;
    const FILETIME hourAgo{t.LowPart, t.HighPart};
    ASSERT_TRUE(SetFileTime(dir.get(), nullptr, nullptr, &hourAgo));
  }
  LHANDLE session = Logon();
  EXPECT_EQ(Scan(session), (std::vector<std::string>{"999999999.M1P1.host", "1700000100.M900P1.host",
                                                     "1700000100.M1000P1.host", "1700000300.M5P1.host"}));

  // Peek: PGP/MIME gives gpg's armoured text as the note; nothing moves.
  lpMapiMessage m = nullptr;
  char id[] = "1700000300.M5P1.host";
  ASSERT_EQ(M().readMail(session, 0, id, MAPI_PEEK | MAPI_SUPPRESS_ATTACH, 0, &m), SUCCESS_SUCCESS);
  std::string armoured = testenv::ReadFile(S()->messages + "\\armoured.asc");
  std::string crlf;
  for (char c : armoured) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(m->lpszNoteText, crlf);
  EXPECT_STREQ(m->lpOriginator->lpszName, "Doe, Jane");
  EXPECT_STREQ(m->lpOriginator->lpszAddress, "SMTP:jane@example.org");
  EXPECT_EQ(m->flFlags & MAPI_UNREAD, static_cast<ULONG>(MAPI_UNREAD));
  EXPECT_EQ(M().freeBuffer(m), SUCCESS_SUCCESS);
  EXPECT_TRUE(testenv::Exists(Box("new\\1700000300.M5P1.host")));

  // Every script shows as itself: the program's code page is UTF-8.
  char koi8[] = "1700000100.M1000P1.host", latin1[] = "999999999.M1P1.host";
  ASSERT_EQ(M().readMail(session, 0, koi8, MAPI_PEEK, 0, &m), SUCCESS_SUCCESS);
  EXPECT_EQ(std::string(m->lpszSubject).rfind("Привет из Москвы Привет", 0), 0u) << m->lpszSubject;
  M().freeBuffer(m);
  ASSERT_EQ(M().readMail(session, 0, latin1, MAPI_PEEK, 0, &m), SUCCESS_SUCCESS);
  EXPECT_STREQ(m->lpszSubject, "Ça coûte très cher, señor");
  M().freeBuffer(m);

  // Read to show: the body in a file of a folder private to the user (the
  // message may be private mail), and the message marked seen.
  ASSERT_EQ(M().readMail(session, 0, id, MAPI_BODY_AS_FILE | MAPI_SUPPRESS_ATTACH, 0, &m), SUCCESS_SUCCESS);
  ASSERT_EQ(m->nFileCount, 1u);
  std::string bodyFile = m->lpFiles[0].lpszPathName;
  EXPECT_EQ(testenv::ReadFile(bodyFile), crlf);
  EXPECT_EQ(Sh("stat -c %a \"$(dirname " + bridge::ShQuote(bridge::UnixPath(bodyFile)) + ")\""), "700\n");
  EXPECT_FALSE(testenv::Exists(abandoned));
  M().freeBuffer(m);
  DeleteFileA(bodyFile.c_str());
  EXPECT_FALSE(testenv::Exists(Box("new\\1700000300.M5P1.host")));
  EXPECT_TRUE(testenv::Exists(Box("cur\\1700000300.M5P1.host:2,S")));

  // Only identifiers the Maildir lists are read: not a trashed message, nor
  // names Win32 would take for another file (a trailing dot) or a device.
  for (std::string bad : {"1.none.host", "..\\..\\x", "1700000050.M1P1.host", "1700000300.M5P1.host.", "NUL", "CON"}) {
    EXPECT_EQ(M().readMail(session, 0, bad.data(), MAPI_PEEK, 0, &m), static_cast<ULONG>(MAPI_E_INVALID_MESSAGE))
        << bad;
  }
  char unknown[] = "1.none.host";
  EXPECT_EQ(M().logoff(session, 0, 0, 0), SUCCESS_SUCCESS);
  EXPECT_EQ(M().findNext(session, 0, nullptr, unknown, 0, 0, unknown), static_cast<ULONG>(MAPI_E_INVALID_SESSION));
  EXPECT_EQ(ProviderTempFiles(), tempBefore);
}

TEST_F(MaildirMapi, DeleteFlagsTrashedOrMovesToTrash) {
  LHANDLE session = Logon();
  char first[] = "999999999.M1P1.host", second[] = "1700000100.M900P1.host";
  ASSERT_EQ(M().deleteMail(session, 0, first, 0, 0), SUCCESS_SUCCESS);
  EXPECT_TRUE(testenv::Exists(Box("cur\\999999999.M1P1.host:2,T")));
  for (const char* d : {"\\.Trash", "\\.Trash\\cur", "\\.Trash\\new", "\\.Trash\\tmp"})
    CreateDirectoryA((S()->box + d).c_str(), nullptr);
  ASSERT_EQ(M().deleteMail(session, 0, second, 0, 0), SUCCESS_SUCCESS);
  EXPECT_TRUE(testenv::Exists(Box(".Trash\\cur\\1700000100.M900P1.host:2,S")));
  std::vector<std::string> left = Scan(session);
  EXPECT_EQ(std::count(left.begin(), left.end(), std::string(first)), 0);
  EXPECT_EQ(std::count(left.begin(), left.end(), std::string(second)), 0);
  EXPECT_EQ(M().deleteMail(session, 0, second, 0, 0), static_cast<ULONG>(MAPI_E_INVALID_MESSAGE));
  M().logoff(session, 0, 0, 0);
}

TEST_F(MaildirMapi, SendDocumentsThroughMsmtpOrCancel) {
  const std::string server = bridge::UnixPath(S()->dir->file("smtp"));
  // $! is the server itself (no setsid, which may fork), ended on every path.
  const std::string port = Sh("/usr/bin/python3 " + Src("smtp-maildir.py") + " serve " + bridge::ShQuote(server) +
                              " port </dev/null >/dev/null 2>&1 & echo $! >pid; " +
                              "for i in $(seq 100); do [ -s port ] && break; sleep 0.1; done; cat port");
  struct StopServer {
    ~StopServer() { Sh("kill $(cat pid)"); }
  } stopServer;
  ASSERT_FALSE(port.empty());
  SetEnvironmentVariableA("EMAIL", "Me <me@example.org>");
  testenv::SetRegString(
      HKEY_CURRENT_USER, kSettings, "Sendmail",
      "/usr/bin/msmtp --host=127.0.0.1 --port=" + port + " --from=me@example.org --auth=off --tls=off -t");
  const std::string doc = S()->dir->file("PGPDOC.TXT");
  testenv::WriteFile(doc, "-----BEGIN PGP MESSAGE-----\r\nabc\r\n-----END PGP MESSAGE-----\r\n");
  std::set<std::string> tempBefore = ProviderTempFiles();
  char delimiter[] = ";", names[] = "PGPDOC.TXT";
  std::string paths = doc;

  // Cancel, then a Subject with a line break (refused in the dialog), then Send.
  {
    robot::Robot r([](robot::Robot& r) { r.clickButton(r.waitWindow(kCompose), "Cancel"); });
    EXPECT_EQ(M().sendDocuments(0, delimiter, paths.data(), names, 0), static_cast<ULONG>(MAPI_E_USER_ABORT));
    r.join();
  }
  {
    robot::Robot r([](robot::Robot& r) {
      HWND w = r.waitWindow(kCompose);
      std::vector<HWND> edits = r.children(w, "Edit");
      ASSERT_EQ(edits.size(), 4u);
      EXPECT_EQ(r.listItems(r.children(w, "ListBox").at(0)), std::vector<std::string>{"PGPDOC.TXT"});
      r.setText(edits[0], "Ann <ann@example.org>; bob@example.org");
      r.setText(edits[1], "carl@example.org");
      r.setText(edits[2], "Hi\r\nBcc: eve@example.org");
      r.setText(edits[3], "See the attachment.\r\nGrüße");
      r.clickButton(w, "&Send");
      HWND box = r.waitWindow("Sealwright Maildir");
      EXPECT_NE(r.findChild(box, "The Subject must not contain a line break."), nullptr);
      r.clickButton(box, "OK");
      r.waitGone(box);
      r.setText(edits[2], "Your document");
      r.screenshot(w, "maildir-compose");
      r.clickButton(w, "&Send");
    });
    EXPECT_EQ(M().sendDocuments(0, delimiter, paths.data(), names, 0), SUCCESS_SUCCESS);
    r.join();
  }
  std::string received = Sh("/usr/bin/python3 " + Src("smtp-maildir.py") + " show " + bridge::ShQuote(server));
  EXPECT_EQ(received,
            "envelope-to: ann@example.org, bob@example.org, carl@example.org\n"
            "from: Me <me@example.org>\n"
            "to: Ann <ann@example.org>, bob@example.org\n"
            "cc: carl@example.org\n"
            "subject: Your document\n"
            "part (note): 'See the attachment.\\nGrüße'\n"
            "part PGPDOC.TXT: '-----BEGIN PGP MESSAGE-----\\r\\nabc\\r\\n-----END PGP MESSAGE-----\\r\\n'\n");
  EXPECT_EQ(Sh("ls " + bridge::ShQuote(bridge::UnixPath(Box(".Sent\\cur"))) + " | wc -l"), "1\n");

  // The message ID's domain is the sender's, from inside the angle brackets.
  EXPECT_EQ(Sh("grep -h '^Message-ID:' " + bridge::ShQuote(bridge::UnixPath(Box(".Sent\\cur"))) + "/* | sed 's/.*@//'"),
            "example.org>\n");

  // Send commands that fail: each failure is shown and the dialog stays
  // with what was typed, to try again or cancel. One fails with a message;
  // one with a typo in the setting fails at once, not at the time limit;
  // one shows the folder the message waits in: the user's alone.
  auto failures = {
      std::pair<std::string, std::vector<std::string>>{"echo no route >&2; exit 75", {"exit code 75", "no route"}},
      {"/usr/bin/msmtp \"-t", {"nterminated"}},
      {"f=$(readlink /proc/self/fd/0); stat -c 'mode %a' \"${f%/*}\" >&2; exit 9", {"mode 700"}}};
  for (const auto& [command, expected] : failures) {
    testenv::SetRegString(HKEY_CURRENT_USER, kSettings, "Sendmail", command);
    robot::Robot r([&expected](robot::Robot& r) {
      HWND w = r.waitWindow(kCompose);
      HWND to = r.children(w, "Edit").at(0), note = r.children(w, "Edit").at(3);
      r.setText(to, "ann@example.org");
      r.setText(note, "Typed with care.");
      for (int attempt = 0; attempt < 2; ++attempt) {
        r.clickButton(w, "&Send");
        HWND box = r.waitWindow("Sealwright Maildir");
        ASSERT_TRUE(box);
        std::string texts;
        for (HWND t : r.children(box, "Static")) texts += r.text(t);
        for (const std::string& e : expected) EXPECT_NE(texts.find(e), std::string::npos) << texts;
        r.clickButton(box, "OK");
        r.waitGone(box);
        EXPECT_EQ(r.text(to), "ann@example.org");
        EXPECT_EQ(r.text(note), "Typed with care.");
      }
      r.clickButton(w, "Cancel");
    });
    EXPECT_EQ(M().sendDocuments(0, delimiter, paths.data(), names, 0), static_cast<ULONG>(MAPI_E_FAILURE)) << command;
    r.join();
  }
  EXPECT_EQ(Sh("ls " + bridge::ShQuote(bridge::UnixPath(Box(".Sent\\cur"))) + " | wc -l"), "1\n");
  EXPECT_EQ(ProviderTempFiles(), tempBefore);
}

}  // namespace
