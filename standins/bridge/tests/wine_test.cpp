// The Win32 side under Wine: the code page policy, the host's sh and private
// work folders, seen from the host.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "standins/bridge/codepage.h"
#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"
#include "standins/bridge/workfolder.h"
#include "ui/handles.h"

namespace bridge {
namespace {

std::string Temp() {
  char buf[MAX_PATH];
  DWORD n = GetTempPathA(sizeof buf, buf);
  return std::string(buf, n - 1);
}

TEST(BridgeCodePage, NoLookAlikesEitherWay) {
  // In a Western code page neither U+0141 nor U+2260 exists; best fit would
  // make the first "L".
  EXPECT_EQ(Narrow(Widen("\xC5\x81ukasz \xC3\xA9t\xC3\xA9 a\xE2\x89\xA0z", CP_UTF8), 1252), "?ukasz \xE9t\xE9 a?z");
  EXPECT_EQ(Narrow(L"\x0141\x00E9", 1252), "?\xE9");
  EXPECT_EQ(Narrow(Widen("caf\xE9 \x80", 1252), CP_UTF8), "caf\xC3\xA9 \xE2\x82\xAC");
  // Our programs run with UTF-8 as their ANSI code page: text passes as it is.
  ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the program's manifest";
  EXPECT_EQ(Utf8ToAnsi("\xC5\x81ukasz \xD0\x90\xD0\xBB\xD0\xB8\xD1\x81\xD0\xB0 \xF0\x9F\x98\x80"),
            "\xC5\x81ukasz \xD0\x90\xD0\xBB\xD0\xB8\xD1\x81\xD0\xB0 \xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToAnsi("caf\xE9"), "caf\xE9");  // not UTF-8: the bytes as they came
  EXPECT_EQ(AnsiToUtf8("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
}

TEST(BridgeHost, ShellRunsInItsFolderAndReportsStatusAndOutputs) {
  // A folder name sh and the command line would both stumble over.
  const std::string folder = Temp() + "\\bridge it's $(x) \xC3\xA9";
  CreateDirectoryA(folder.c_str(), nullptr);
  ASSERT_TRUE(WriteWholeFile(folder + "\\from-win32", "made by Win32"));

  auto r = RunShell(folder, "cat from-win32; echo; echo oops >&2; printf caf\\\\351 >from-host; exit 3", 60000);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 3);
  EXPECT_EQ(r->out, "made by Win32\n");
  EXPECT_EQ(r->err, "oops\n");
  EXPECT_EQ(ReadWholeFile(folder + "\\from-host"), "caf\xE9");
  EXPECT_EQ(UnixPath(folder).back(), '\xA9');  // the host's name is UTF-8
  EXPECT_EQ(DosPath(UnixPath(folder)), folder);
  // A syntax error in the commands (an unbalanced quote) still ends with a
  // status and sh's complaint, at once rather than at the time limit.
  r = RunShell(folder, "echo \"unclosed; exit 0", 60000);
  ASSERT_TRUE(r);
  EXPECT_NE(r->status, 0);
  EXPECT_NE(r->err.find("nterminated"), std::string::npos) << r->err;
  // What the caller adds to sh's environment reaches the script, and only it.
  ASSERT_TRUE(RunShellScript(folder, "cd \"$(dirname \"$0\")\" && printf %s \"$BRIDGE_SECRET\" >env && mv -f env rc\n",
                             60000, {"BRIDGE_SECRET=\\101\\102 c"}));
  EXPECT_EQ(ReadWholeFile(folder + "\\rc"), "\\101\\102 c");
  EXPECT_EQ(GetEnvironmentVariableA("BRIDGE_SECRET", nullptr, 0), 0u);
  RemoveFolder(folder);
  EXPECT_FALSE(DirectoryExists(folder));
}

TEST(BridgeWorkFolder, OutOfOtherUsersReachAndGoneAfterwards) {
  std::string path, privatePath;
  const std::string witness = Temp() + "\\bridge-witness";
  DeleteFileA(witness.c_str());
  {
    WorkFolder w(Temp(), "bridge");
    ASSERT_TRUE(w.ok());
    path = w.path();
    ASSERT_TRUE(WriteWholeFile(w.File("secret"), "pass phrase"));
    auto r = RunShell(w.path(), "stat -c %a . secret", 60000);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 0) << r->err;
    const std::string folderMode = r->out.substr(0, r->out.find('\n'));
    ASSERT_EQ(folderMode.size(), 3u) << r->out;
    EXPECT_EQ(folderMode[0], '7');  // the user has it all
    EXPECT_EQ(folderMode[2], '0');  // others cannot even look in

    // Made private on the host: the group keeps nothing either. Its files
    // are wiped at the end: a second name for one (a hard link) sees zeros.
    WorkFolder p(Temp(), "bridge");
    ASSERT_TRUE(p.MakeHostPrivate());
    p.WipeAtEnd();
    privatePath = p.path();
    ASSERT_TRUE(WriteWholeFile(p.File("mail"), "private mail"));
    r = RunShell(p.path(), "stat -c %a .; ln mail " + ShQuote(UnixPath(witness)), 60000);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->out, "700\n");
    EXPECT_EQ(r->status, 0) << r->err;
  }
  EXPECT_FALSE(DirectoryExists(path));
  EXPECT_FALSE(DirectoryExists(privatePath));
  EXPECT_EQ(ReadWholeFile(witness), std::string(12, '\0'));
  DeleteFileA(witness.c_str());

  // A locked folder is no one else's to sweep while it lives, however old.
  {
    WorkFolder w(Temp(), "bridge", true);
    ASSERT_TRUE(w.ok());
    ui::Handle other(CreateFileA(w.File("lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
    OVERLAPPED at{};
    EXPECT_FALSE(LockFileEx(other.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
    SweepAbandonedWorkFolders(Temp(), "bridge", 0);
    EXPECT_TRUE(DirectoryExists(w.path()));
    path = w.path();
  }
  EXPECT_FALSE(DirectoryExists(path));
}

}  // namespace
}  // namespace bridge
