// PGP.EXE against the host's real gpg under Wine: command lines exactly as the
// system builds them, standard output to a file, answers on standard input
// (the process is detached, so it has no console to ask in).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"
#include "tests/support/process.h"

namespace pgp26 {
namespace {

using bridge::FileExists;
using bridge::ModuleFolder;
using bridge::ReadWholeFile;
using bridge::ShQuote;
using bridge::UnixPath;
using bridge::WriteWholeFile;

struct PgpRun {
  int exit = -1;
  std::string out;
};

std::string Slurp(const std::string& path) { return ReadWholeFile(path).value_or(""); }

class Pgp26Wine : public ::testing::Test {
 protected:
  struct Suite {
    std::string dir;    // the PGP folder
    std::string tools;  // scratch folder for plain gpg runs
  };
  static std::unique_ptr<Suite>& S() {
    static std::unique_ptr<Suite> s;
    return s;
  }
  static const std::string& Dir() { return S()->dir; }
  static std::string In(const std::string& name) { return Dir() + "\\" + name; }

  // Runs `"<dir>\PGP.EXE" <args> +BatchMode` with standard output in a file.
  static PgpRun Pgp(const std::string& args, const std::string& answers = "") {
    testproc::Outcome o = testproc::Run({.commandLine = "\"" + Dir() + "\\PGP.EXE\" " + args + " +BatchMode",
                                         .stdinText = answers,
                                         .creationFlags = DETACHED_PROCESS,
                                         .timeoutMs = 120000});
    return {o.started ? static_cast<int>(o.exitCode) : -1, o.out};
  }

  // Runs sh commands on the host (plain gpg); returns their standard output.
  static std::string Sh(const std::string& commands) {
    auto r = bridge::RunShell(S()->tools, commands, 120000);
    return r ? r->out : "<sh failed>";
  }
  // The home's physical path: gpg-agent refuses the ':' of Wine's "dosdevices/c:".
  static std::string HomeOf() { return "\"$(cd " + ShQuote(UnixPath(In("gnupg"))) + " && pwd -P)\""; }
  // Plain gpg on a home of its own ("other"), with a pass phrase file "pf".
  static std::string Gpg(const std::string& home) {
    return "gpg --homedir " + home + " --batch --yes --no-tty --pinentry-mode loopback --passphrase-file pf ";
  }

  static void SetUpTestSuite() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    S() = std::make_unique<Suite>();
    S()->dir = std::string(temp) + "pgp26t-" + std::to_string(GetCurrentProcessId());
    S()->tools = S()->dir + "-sh";
    ASSERT_TRUE(CreateDirectoryA(Dir().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(S()->tools.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((ModuleFolder() + "\\pgp26.exe").c_str(), In("PGP.EXE").c_str(), FALSE));

    // Alice through PGP's own dialogue.
    PgpRun kg = Pgp("-kg", "1\nAlice Example <alice@example.org>\nalicepp\nalicepp\n");
    ASSERT_EQ(kg.exit, 0) << kg.out;
    ASSERT_TRUE(FileExists(In("pubring.pgp")));

    // Bob with plain gpg straight in the PGP folder's home, with a second user ID;
    // Carol and a hostile user ID in a home of their own, exported for -ka.
    const std::string home = HomeOf();
    Sh("umask 077; mkdir -p other && chmod 700 other && printf bobpp >pf\n" + Gpg(home) +
       "--quick-gen-key 'Bob Example <bob@example.org>' future-default default never\n" + "fpr=$(gpg --homedir " +
       home + " --with-colons --list-keys bob@example.org | awk -F: '/^fpr/{print $10; exit}')\n" + Gpg(home) +
       "--quick-add-uid \"$fpr\" 'Bob at home <bob@home.example>'\n" + Gpg(home) +
       "--quick-set-primary-uid \"$fpr\" 'Bob Example <bob@example.org>'\n" + "gpgconf --homedir " + home +
       " --kill gpg-agent\n" + Gpg("other") +
       "--quick-gen-key 'Carol Example <carol@example.org>' future-default default never\n" + Gpg("other") +
       "--quick-gen-key \"$(printf 'Mallory\\npub  2048/DEADBEEF 2020/01/01 Forged')\" future-default default never\n" +
       "gpg --homedir other --armor --export >keys.asc; gpgconf --homedir other --kill gpg-agent");
    PgpRun ka = Pgp("-ka \"" + S()->tools + "\\keys.asc\"");
    ASSERT_EQ(ka.exit, 0) << ka.out;
  }

  static void TearDownTestSuite() {
    if (!S()) return;
    Sh("gpgconf --homedir " + HomeOf() + " --kill gpg-agent; rm -rf " + ShQuote(UnixPath(Dir())) + " other");
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((S()->tools + "\\*").c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
      do DeleteFileA((S()->tools + "\\" + fd.cFileName).c_str());
      while (FindNextFileA(f, &fd));
      FindClose(f);
    }
    RemoveDirectoryA(S()->tools.c_str());
    S().reset();
  }

  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find("\r\n", pos);
      if (end == std::string::npos) end = text.size();
      out.push_back(text.substr(pos, end - pos));
      pos = end + 2;
    }
    return out;
  }
};

TEST_F(Pgp26Wine, ListingLayout) {
  PgpRun r = Pgp("-kv");
  ASSERT_EQ(r.exit, 0);
  auto lines = Lines(r.out);
  ASSERT_GE(lines.size(), 9u) << r.out;
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "Key ring: '" + In("pubring.pgp") + "'");
  EXPECT_EQ(lines[2], "Type Bits/KeyID    Date       User ID");
  EXPECT_EQ(lines.back(), "4 matching keys found.");
  std::vector<std::string> firstIds;
  for (const std::string& l : lines) {
    if (l.rfind("pub", 0) != 0) continue;
    ASSERT_GT(l.size(), 30u);
    EXPECT_EQ(l[9], '/') << l;
    EXPECT_EQ(l.substr(18, 1) + l.substr(29, 1), "  ") << l;
    firstIds.push_back(l.substr(30));
  }
  EXPECT_EQ(firstIds, (std::vector<std::string>{"Alice Example <alice@example.org>", "Bob Example <bob@example.org>",
                                                "Carol Example <carol@example.org>",
                                                "Mallory\\x0apub  2048/DEADBEEF 2020/01/01 Forged"}));
  EXPECT_NE(r.out.find("\r\n" + std::string(30, ' ') + "Bob at home <bob@home.example>\r\n"), std::string::npos);
  EXPECT_NE(r.out.find("pub  1024/"), std::string::npos);  // Alice's RSA key from -kg
}

TEST_F(Pgp26Wine, FingerprintOfTheExactKey) {
  std::string fpr = Sh("gpg --homedir " + HomeOf() +
                       " --with-colons --list-keys bob@example.org | awk -F: '/^fpr/{print $10; exit}'");
  ASSERT_EQ(fpr.size(), 41u) << fpr;
  std::string spaced;
  for (size_t i = 0; i < 20; ++i) spaced += (i == 10 ? "  " : " ") + fpr.substr(i * 2, 2);
  PgpRun r = Pgp("-kvc \"Bob Example <bob@example.org>\"");
  EXPECT_EQ(r.exit, 0);
  EXPECT_NE(r.out.find("\r\n            Key fingerprint =" + spaced + "\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 matching key found."), std::string::npos);
  EXPECT_EQ(Pgp("-kvc \"Nobody\"").exit, 67);
}

TEST_F(Pgp26Wine, RingAndExportAreRealOpenPgpData) {
  std::string listed =
      Sh("gpg --show-keys --with-colons " + ShQuote(UnixPath(In("pubring.pgp"))) + " | grep -c '^pub'");
  EXPECT_EQ(listed, "4\n");

  ASSERT_EQ(Pgp("-kxa \"Carol Example <carol@example.org>\" \"" + In("carol.asc") + "\"").exit, 0);
  EXPECT_EQ(Slurp(In("carol.asc")).rfind("-----BEGIN PGP PUBLIC KEY BLOCK-----", 0), 0u);
  ASSERT_EQ(Pgp("-kx \"Alice\" \"" + In("alice.key") + "\"").exit, 0);
  std::string imported =
      Sh("mkdir -p fresh && chmod 700 fresh && gpg --homedir fresh --batch --import " +
         ShQuote(UnixPath(In("carol.asc"))) + " " + ShQuote(UnixPath(In("alice.key"))) +
         " 2>/dev/null; gpg --homedir fresh --with-colons --list-keys | grep '^uid' | cut -d: -f10 | sort;"
         " gpgconf --homedir fresh --kill gpg-agent; rm -rf fresh");
  EXPECT_EQ(imported, "Alice Example <alice@example.org>\nCarol Example <carol@example.org>\n");

  EXPECT_EQ(Pgp("-kx \"Nobody\" \"" + In("none.key") + "\"").exit, 13);
  EXPECT_FALSE(FileExists(In("none.key")));
  EXPECT_EQ(Pgp("-ka \"" + In("missing.key") + "\"").exit, 2);
}

TEST_F(Pgp26Wine, EncryptForTwoAndDecrypt) {
  const std::string text = "Dear Bob,\r\nthe meeting is at noon.\r\n";
  WriteWholeFile(In("letter.txt"), text);
  PgpRun e = Pgp("-ea \"" + In("letter.txt") + "\" \"Alice Example\" \"Bob Example\" ");
  ASSERT_EQ(e.exit, 0) << e.out;
  ASSERT_TRUE(FileExists(In("letter.asc")));
  EXPECT_NE(Slurp(In("letter.asc")).find("-----BEGIN PGP MESSAGE-----"), std::string::npos);

  for (const char* who : {"alicepp", "bobpp"}) {
    DeleteFileA(In("letter.out").c_str());
    PgpRun d = Pgp("\"" + In("letter.asc") + "\" -o \"" + In("letter.out") + "\" -z\"" + who + "\"");
    EXPECT_EQ(d.exit, 0) << d.out;
    EXPECT_EQ(Slurp(In("letter.out")), text);
    EXPECT_EQ(d.out.find("signature"), std::string::npos);
  }

  // Binary output without armour, for a name without extension, recipients from a list.
  WriteWholeFile(In("LETTER"), text);
  WriteWholeFile(In("list.txt"), "Bob Example  \r\n\r\n");
  ASSERT_EQ(Pgp("-e \"" + In("LETTER") + "\" -@ \"" + In("list.txt") + "\"").exit, 0);
  EXPECT_TRUE(FileExists(In("LETTER.pgp")));
  PgpRun d = Pgp("\"" + In("LETTER.pgp") + "\" -o \"" + In("plain.out") + "\" -z\"bobpp\"");
  EXPECT_EQ(d.exit, 0);
  EXPECT_EQ(Slurp(In("plain.out")), text);
}

TEST_F(Pgp26Wine, SignedMessageIsVerifiedWithPassPhrasesFromPgppass) {
  // A run folder of a PGP.EXE that ended inside a run is swept at the next start.
  const std::string stale = Dir() + "\\gnupg\\run-999999-1-0";
  CreateDirectoryA(stale.c_str(), nullptr);
  WriteWholeFile(stale + "\\pp", "left behind");
  WriteWholeFile(In("signed.txt"), "signed text\r\n");
  SetEnvironmentVariableA("PGPPASS", "alicepp");
  PgpRun e = Pgp("-esa \"" + In("signed.txt") + "\" \"Alice Example\" \"Bob Example\"  -u\"Alice Example\"");
  EXPECT_FALSE(FileExists(stale + "\\pp"));
  ASSERT_EQ(e.exit, 0) << e.out;
  // The agent that signing started ends with the run.
  EXPECT_EQ(Sh("s=$(gpgconf --homedir " + HomeOf() + " --list-dirs agent-socket); [ -S \"$s\" ] && echo running"), "");
  SetEnvironmentVariableA("PGPPASS", "bobpp");
  PgpRun d = Pgp("\"" + In("signed.asc") + "\" -o \"" + In("signed.out") + "\"");
  SetEnvironmentVariableA("PGPPASS", nullptr);
  EXPECT_EQ(d.exit, 0);
  EXPECT_EQ(Slurp(In("signed.out")), "signed text\r\n");
  EXPECT_NE(d.out.find("Good signature from user \"Alice Example <alice@example.org>\"."), std::string::npos) << d.out;
}

TEST_F(Pgp26Wine, FailuresWriteNothing) {
  WriteWholeFile(In("secret.txt"), "secret\r\n");
  // Wrong pass phrase for signing: no output, exit 20.
  EXPECT_EQ(Pgp("-esa \"" + In("secret.txt") + "\" \"Bob Example\"  -u\"Alice Example\" -z\"wrong\"").exit, 20);
  EXPECT_FALSE(FileExists(In("secret.asc")));
  // An unknown recipient among known ones: reported, nothing written.
  PgpRun u = Pgp("-ea \"" + In("secret.txt") + "\" \"Alice Example\" \"Nobody Known\" ");
  EXPECT_EQ(u.exit, 21);
  EXPECT_NE(u.out.find("Nobody Known"), std::string::npos);
  EXPECT_FALSE(FileExists(In("secret.asc")));
  EXPECT_EQ(Pgp("-ea \"" + In("nosuch.txt") + "\" \"Alice Example\" ").exit, 2);

  ASSERT_EQ(Pgp("-ea \"" + In("secret.txt") + "\" \"Alice Example\" ").exit, 0);
  // Wrong pass phrase: exit 31 and no -o file.
  EXPECT_EQ(Pgp("\"" + In("secret.asc") + "\" -o \"" + In("secret.out") + "\" -z\"wrong\"").exit, 31);
  EXPECT_FALSE(FileExists(In("secret.out")));
  // The right one still works: nothing was cached from an earlier run.
  EXPECT_EQ(Pgp("\"" + In("secret.asc") + "\" -o \"" + In("secret.out") + "\" -z\"alicepp\"").exit, 0);
  DeleteFileA(In("secret.out").c_str());
  EXPECT_EQ(Pgp("\"" + In("secret.asc") + "\" -o \"" + In("secret.out") + "\" -z\"\"").exit, 31);
  EXPECT_FALSE(FileExists(In("secret.out")));
  DeleteFileA(In("secret.asc").c_str());

  // A message for a key whose secret part is elsewhere.
  ASSERT_EQ(Pgp("-ea \"" + In("secret.txt") + "\" \"Carol\" ").exit, 0);
  PgpRun c = Pgp("\"" + In("secret.asc") + "\" -o \"" + In("carol.out") + "\" -z\"alicepp\"");
  EXPECT_EQ(c.exit, 31);
  EXPECT_FALSE(FileExists(In("carol.out")));
  EXPECT_EQ(Pgp("-kq").exit, 5);

  // No pass phrase or private folder is left in the home.
  WIN32_FIND_DATAA fd;
  HANDLE f = FindFirstFileA((In("gnupg") + "\\run-*").c_str(), &fd);
  EXPECT_EQ(f, INVALID_HANDLE_VALUE);
  if (f != INVALID_HANDLE_VALUE) FindClose(f);
}

TEST_F(Pgp26Wine, RemoveAsksFirst) {
  EXPECT_EQ(Pgp("-kr \"Mallory\"", "n\n").exit, 16);
  EXPECT_NE(Pgp("-kv").out.find("Mallory"), std::string::npos);
  EXPECT_EQ(Pgp("-kr \"Mallory\"", "y\n").exit, 0);
  PgpRun v = Pgp("-kv");
  EXPECT_EQ(v.out.find("Mallory"), std::string::npos);
  EXPECT_NE(v.out.find("3 matching keys found."), std::string::npos);
  EXPECT_EQ(Sh("gpg --show-keys --with-colons " + ShQuote(UnixPath(In("pubring.pgp"))) + " | grep -c '^pub'"), "3\n");
  EXPECT_EQ(Pgp("-kr \"Mallory\"", "y\n").exit, 16);
}

TEST_F(Pgp26Wine, TimingOfOneMegabyte) {
  std::string data(1 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 2654435761u) >> 13);
  WriteWholeFile(In("big.bin"), data);
  auto now = [] { return std::chrono::steady_clock::now(); };
  auto t0 = now();
  ASSERT_EQ(Pgp("-e \"" + In("big.bin") + "\" \"Bob Example\" ").exit, 0);
  ASSERT_EQ(Pgp("\"" + In("big.pgp") + "\" -o \"" + In("big.out") + "\" -z\"bobpp\"").exit, 0);
  auto t1 = now();
  EXPECT_EQ(Slurp(In("big.out")), data);
  const std::string big = ShQuote(UnixPath(In("big.bin")));
  Sh("printf bobpp >pf");
  auto t2 = now();
  std::string plain = Sh(Gpg(HomeOf()) + "--trust-model always -o big2.pgp -r bob@example.org -e " + big + " && " +
                         Gpg(HomeOf()) + "-o big2.out -d big2.pgp && cmp big2.out " + big +
                         " && echo same; gpgconf --homedir " + HomeOf() + " --kill gpg-agent; rm -f big2.*");
  auto t3 = now();
  EXPECT_EQ(plain, "same\n");
  auto ms = [](auto d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
  std::printf("1 MB encrypt+decrypt: PGP.EXE %lld ms, plain gpg through sh %lld ms\n",
              static_cast<long long>(ms(t1 - t0)), static_cast<long long>(ms(t3 - t2)));
}

}  // namespace
}  // namespace pgp26
