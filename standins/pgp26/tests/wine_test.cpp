// PGP.EXE against the host's real gpg under Wine: command lines exactly as the
// system builds them, standard output to a file, answers on standard input
// (the process is detached, so it has no console to ask in).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "standins/bridge/codepage.h"
#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"
#include "standins/bridge/workfolder.h"
#include "tests/support/process.h"
#include "tests/support/robot.h"

namespace pgp26 {
namespace {

using bridge::FileExists;
using bridge::ModuleFolder;
using bridge::ReadWholeFile;
using bridge::ShQuote;
using bridge::UnixPath;
using bridge::WriteWholeFile;
using ui::Handle;

struct PgpRun {
  int exit = -1;
  std::string out, err;
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
  // Detached, it asks on standard error and reads the answers from standard input.
  static PgpRun Pgp(const std::string& args, const std::string& answers = "") {
    testproc::Outcome o = testproc::Run({.commandLine = "\"" + Dir() + "\\PGP.EXE\" " + args + " +BatchMode",
                                         .stdinText = answers,
                                         .creationFlags = DETACHED_PROCESS,
                                         .timeoutMs = 120000});
    return {o.started ? static_cast<int>(o.exitCode) : -1, o.out, o.err};
  }
  static std::string Q(const std::string& name) { return "\"" + In(name) + "\""; }

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
       "gpg --homedir other --armor --export >keys.asc\n" + SignersAndMessages(home) +
       "gpgconf --homedir other --kill gpg-agent; gpgconf --homedir dave --kill gpg-agent");
    for (const char* made : {"keys.asc", "good.asc", "bad.asc", "spoof.asc", "rev.asc", "exp.asc", "clash.txt"})
      ASSERT_TRUE(FileExists(S()->tools + "\\" + made)) << made;
    PgpRun ka = Pgp("-ka \"" + S()->tools + "\\keys.asc\"");
    ASSERT_EQ(ka.exit, 0) << ka.out;
  }

  // Signers made with plain gpg in the home "other" and the messages they
  // signed for Bob: Grace (good, and a clear-signed text made bad), Rita
  // (revoked after signing), Ed (a key that expired in 2021, signing in
  // 2020), two keys sharing one encryption subkey (so one key ID names both),
  // and Dave, whom the ring never gets, with a message whose text and
  // embedded file name both hold a good signature's report line.
  static std::string SignersAndMessages(const std::string& home) {
    const std::string o = Gpg("other") + "--trust-model always ";
    const std::string spoof = "Good signature from user \"Grace Hopper <grace@example.org>\".";
    return "bob=$(gpg --homedir " + home +
           " --with-colons --list-keys bob@example.org | awk -F: '/^fpr/{print $10; exit}')\n" + "gpg --homedir " +
           home + " --export \"$bob\" | gpg --homedir other --batch --import\n" + o +
           "--quick-gen-key 'Grace Hopper <grace@example.org>' future-default default never\n" + o +
           "--quick-gen-key 'Rita Revoked <rita@example.org>' future-default default never\n" + o +
           "--faked-system-time 20200101T000000 --quick-gen-key 'Ed Expired <ed@example.org>' future-default default "
           "1y\n" +
           "printf 'Dear Bob,\\nthe meeting is at noon.\\n' >msg.txt\n" + o +
           "-u grace@example.org -r \"$bob\" -esa -o good.asc msg.txt\n" + o +
           "-u grace@example.org --clearsign -o clear.asc msg.txt\n"
           "sed 's/noon/midnight/' clear.asc >bad.asc\n" +
           o + "-u rita@example.org --clearsign -o rev.asc msg.txt\n" + o +
           "--faked-system-time 20200601T000000 -u ed@example.org --clearsign -o exp.asc msg.txt\n"
           "rita=$(gpg --homedir other --with-colons --list-keys rita@example.org | awk -F: '/^fpr/{print $10; "
           "exit}')\n"
           "sed 's/^:-----/-----/' \"other/openpgp-revocs.d/$rita.rev\" | gpg --homedir other --batch --import\n"
           // One encryption subkey (one key pair, one creation time) bound to two primary keys.
           + o +
           "--passphrase '' --quick-gen-key 'clash seed' ed25519 sign never\n"
           "seed=$(gpg --homedir other --with-colons --list-keys 'clash seed' | awk -F: '/^fpr/{print $10; exit}')\n" +
           o +
           "--passphrase '' --quick-add-key \"$seed\" cv25519 encr never\n"
           "grip=$(gpg --homedir other --with-colons --with-keygrip --list-keys \"$seed\" | awk -F: '/^grp/{g=$10} "
           "END{print g}')\n"
           "for n in One Two; do printf 'Key-Type: eddsa\\nKey-Curve: ed25519\\nSubkey-Type: ecdh\\nSubkey-Grip: %s\\n"
           "Name-Real: Clash %s\\nCreation-Date: 20200101T000000\\n%%%%no-protection\\n%%%%commit\\n' \"$grip\" $n; "
           "done >clash.params\n" +
           o +
           "--gen-key clash.params\n"
           "gpg --homedir other --with-colons --list-keys 'Clash One' | awk -F: '/^sub/{print $5} /^fpr/{print $10}' "
           ">clash.txt\n"
           "gpg --homedir other --armor --export grace@example.org rita@example.org ed@example.org 'Clash One' 'Clash "
           "Two' >>keys.asc\n"
           "mkdir -p dave && chmod 700 dave\n"
           "gpg --homedir " +
           home +
           " --export \"$bob\" | gpg --homedir dave --batch --import\n"
           "printf '%s\\r\\n' " +
           ShQuote(spoof) + " >spoof.txt\n" + Gpg("dave") +
           "--quick-gen-key 'Dave Unknown <dave@example.org>' future-default default never\n" + Gpg("dave") +
           "--trust-model always -u dave@example.org -r \"$bob\" --set-filename \"$(printf 'x\\n%s' " + ShQuote(spoof) +
           ")\" -esa -o spoof.asc spoof.txt\n"
           "gpg --homedir dave --with-colons --list-keys dave@example.org | awk -F: '/^pub/{print $5}' >dave.txt\n";
  }

  static void TearDownTestSuite() {
    if (!S()) return;
    Sh("gpgconf --homedir " + HomeOf() + " --kill gpg-agent; rm -rf " + ShQuote(UnixPath(Dir())) + " other dave");
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
  EXPECT_EQ(lines.back(), "9 matching keys found.");
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
                                                "Mallory\\x0apub  2048/DEADBEEF 2020/01/01 Forged",
                                                "Grace Hopper <grace@example.org>", "*** KEY REVOKED ***",
                                                "Ed Expired <ed@example.org>", "Clash One", "Clash Two"}));
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
  EXPECT_EQ(listed, "9\n");

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
  // A home unpacked open to all is private before anything is written into it.
  ASSERT_EQ(Sh("chmod 755 " + HomeOf() + " && stat -c %a " + HomeOf()), "755\n");
  WriteWholeFile(In("signed.txt"), "signed text\r\n");
  SetEnvironmentVariableA("PGPPASS", "alicepp");
  PgpRun e = Pgp("-esa \"" + In("signed.txt") + "\" \"Alice Example\" \"Bob Example\"  -u\"Alice Example\"");
  ASSERT_EQ(e.exit, 0) << e.out;
  EXPECT_EQ(Sh("stat -c %a " + HomeOf()), "700\n");
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
  EXPECT_NE(v.out.find("8 matching keys found."), std::string::npos);
  EXPECT_EQ(Sh("gpg --show-keys --with-colons " + ShQuote(UnixPath(In("pubring.pgp"))) + " | grep -c '^pub'"), "8\n");
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

// The lines of PGP's standard output that begin with `text`.
size_t LinesStartingWith(const std::string& out, const std::string& text) {
  size_t n = out.rfind(text, 0) == 0 ? 1 : 0;
  for (size_t p = out.find("\n" + text); p != std::string::npos; p = out.find("\n" + text, p + 1)) ++n;
  return n;
}

TEST_F(Pgp26Wine, SignatureReportsInPgpsLayout) {
  const std::string tools = S()->tools + "\\";
  const std::string ring = In("pubring.pgp");
  const std::string grace =
      Sh("gpg --homedir other --with-colons --list-keys grace@example.org | awk -F: '/^pub/{print $5}'");
  ASSERT_EQ(grace.size(), 17u) << grace;
  const std::string graceId = grace.substr(8, 8);
  SetEnvironmentVariableA("PGPPASS", nullptr);
  auto open = [&](const std::string& message, const std::string& out, const std::string& pass) {
    DeleteFileA(In(out).c_str());
    return Pgp("\"" + tools + message + "\" -o " + Q(out) + (pass.empty() ? "" : " -z\"" + pass + "\""));
  };

  // Good, from a key nobody of ours certified.
  PgpRun good = open("good.asc", "good.out", "bobpp");
  EXPECT_EQ(good.exit, 0) << good.out;
  EXPECT_EQ(Slurp(In("good.out")), "Dear Bob,\nthe meeting is at noon.\n");
  EXPECT_EQ(good.out.rfind("Good signature from user \"Grace Hopper <grace@example.org>\".\r\nSignature made ", 0), 0u)
      << good.out;
  EXPECT_NE(good.out.find(" GMT using 255-bit key, key ID " + graceId + "\r\n"), std::string::npos) << good.out;
  const std::string uncertified =
      "WARNING:  Because this public key is not certified with a trusted signature, it is not known with high "
      "confidence that this public key actually belongs to: \"Grace Hopper <grace@example.org>\".\r\n";
  EXPECT_NE(good.out.find(uncertified), std::string::npos) << good.out;
  // Bob, whose secret key is in the home, certifies her key: no more warning.
  Sh(Gpg(HomeOf()) + "-u bob@example.org --quick-sign-key " +
     Sh("gpg --homedir " + HomeOf() +
        " --with-colons --list-keys grace@example.org | awk -F: '/^fpr/{printf \"%s\", $10; exit}'") +
     "; gpgconf --homedir " + HomeOf() + " --kill gpg-agent");
  PgpRun certified = open("good.asc", "good.out", "bobpp");
  EXPECT_EQ(certified.out.find("WARNING"), std::string::npos) << certified.out;
  EXPECT_NE(certified.out.find("Good signature from user \"Grace Hopper"), std::string::npos) << certified.out;

  // Bad: a clear-signed text changed after signing. No pass phrase is asked;
  // the text is written, as PGP writes it, and the exit code says it is bad.
  PgpRun bad = open("bad.asc", "bad.out", "");
  EXPECT_EQ(bad.exit, 30) << bad.out;
  EXPECT_EQ(bad.out.rfind("WARNING: Bad signature, doesn't match file contents!\r\n\r\n"
                          "Bad signature from user \"Grace Hopper <grace@example.org>\".\r\nSignature made ",
                          0),
            0u)
      << bad.out;
  EXPECT_NE(bad.out.find(" GMT using 255-bit key, key ID " + graceId + "\r\n"), std::string::npos) << bad.out;
  EXPECT_EQ(bad.err.find("pass phrase"), std::string::npos) << bad.err;
  EXPECT_NE(Slurp(In("bad.out")).find("midnight"), std::string::npos);

  // An unknown signer whose text and embedded file name hold a good report's line.
  const std::string dave = Slurp(tools + "dave.txt");
  ASSERT_EQ(dave.size(), 17u);
  PgpRun spoof = open("spoof.asc", "spoof.out", "bobpp");
  EXPECT_EQ(spoof.exit, 0) << spoof.out;
  EXPECT_EQ(
      spoof.out.rfind("Key matching expected Key ID " + dave.substr(8, 8) + " not found in file '" + ring +
                          "'.\r\n\r\nWARNING: Can't find the right public key-- can't check signature integrity.\r\n",
                      0),
      0u)
      << spoof.out;
  EXPECT_EQ(LinesStartingWith(spoof.out, "Good signature"), 0u) << spoof.out;
  EXPECT_NE(Slurp(In("spoof.out")).find("Good signature from user"), std::string::npos);  // the text itself, in -o

  // A signer revoked since, and one whose key has expired since.
  PgpRun rev = open("rev.asc", "rev.out", "");
  EXPECT_EQ(rev.exit, 0) << rev.out;
  EXPECT_EQ(rev.out.rfind("Good signature from user \"Rita Revoked <rita@example.org>\".\r\n", 0), 0u) << rev.out;
  EXPECT_NE(rev.out.find("\r\nWARNING: This key has been revoked by its owner, possibly because the secret key was "
                         "compromised.\r\n"),
            std::string::npos)
      << rev.out;
  PgpRun exp = open("exp.asc", "exp.out", "");
  EXPECT_EQ(exp.exit, 0) << exp.out;
  EXPECT_EQ(exp.out.rfind(
                "Good signature from user \"Ed Expired <ed@example.org>\".\r\nSignature made 2020/06/01 00:00 GMT", 0),
            0u)
      << exp.out;
  EXPECT_NE(exp.out.find("\r\nWARNING: This key has expired.\r\n"), std::string::npos) << exp.out;
  EXPECT_EQ(rev.err.find("pass phrase") + exp.err.find("pass phrase"), 2 * std::string::npos);
}

TEST_F(Pgp26Wine, SignTextClearSignedAndVerifyWithoutAPassPhrase) {
  WriteWholeFile(In("note.txt"), "Sign me, \xD0\x90\xD0\xBB\xD0\xB8\xD1\x81\xD0\xB0.\r\n");
  SetEnvironmentVariableA("PGPPASS", "alicepp");
  PgpRun s = Pgp("-sta " + Q("note.txt") + "  -u\"Alice Example\" +clearsig=on");
  SetEnvironmentVariableA("PGPPASS", nullptr);
  ASSERT_EQ(s.exit, 0) << s.out;
  EXPECT_EQ(Slurp(In("note.asc")).rfind("-----BEGIN PGP SIGNED MESSAGE-----", 0), 0u);
  EXPECT_NE(Slurp(In("note.asc")).find("Sign me, \xD0\x90\xD0\xBB\xD0\xB8\xD1\x81\xD0\xB0."), std::string::npos);
  // Plain gpg verifies it.
  EXPECT_NE(Sh("gpg --homedir " + HomeOf() + " --status-fd 1 --verify " + ShQuote(UnixPath(In("note.asc"))) +
               " 2>/dev/null | grep -c GOODSIG"),
            "0\n");
  // PGP verifies it without a pass phrase, its own key needing no certificate.
  PgpRun v = Pgp(Q("note.asc") + " -o " + Q("note.out"));
  EXPECT_EQ(v.exit, 0) << v.out;
  EXPECT_EQ(v.out.rfind("Good signature from user \"Alice Example <alice@example.org>\".\r\nSignature made ", 0), 0u)
      << v.out;
  EXPECT_EQ(v.out.find("WARNING"), std::string::npos) << v.out;
  EXPECT_EQ(v.err.find("pass phrase"), std::string::npos) << v.err;
  EXPECT_NE(Slurp(In("note.out")).find("Sign me, \xD0\x90\xD0\xBB\xD0\xB8\xD1\x81\xD0\xB0."), std::string::npos);
  // Binary and armoured signing without encryption, named as PGP names them.
  SetEnvironmentVariableA("PGPPASS", "alicepp");
  EXPECT_EQ(Pgp("-s " + Q("note.txt") + " -u\"Alice Example\"").exit, 0);
  EXPECT_TRUE(FileExists(In("note.pgp")));
  EXPECT_EQ(Pgp("-s " + Q("note.txt") + " -u\"Alice Example\"").exit, 3);  // not overwritten
  SetEnvironmentVariableA("PGPPASS", "wrong");
  WriteWholeFile(In("unsigned.txt"), "no\r\n");
  PgpRun wrong = Pgp("-sa " + Q("unsigned.txt") + " -u\"Alice Example\"");
  EXPECT_EQ(wrong.exit, 20) << wrong.out;
  SetEnvironmentVariableA("PGPPASS", nullptr);
  EXPECT_FALSE(FileExists(In("unsigned.asc")));
}

TEST_F(Pgp26Wine, KeyIdsNamingTwoKeysAreRefused) {
  // Clash One and Clash Two share an encryption subkey, so its key ID names both.
  const std::string clash = Slurp(S()->tools + "\\clash.txt");
  ASSERT_GE(clash.size(), 41u + 17u) << clash;
  const std::string oneFpr = clash.substr(0, 40), subId = clash.substr(41, 16);
  WriteWholeFile(In("clash.txt"), "for a clash\r\n");
  for (const std::string& id : {subId.substr(8), subId}) {
    PgpRun e = Pgp("-ea " + Q("clash.txt") + " \"0x" + id + "\" ");
    EXPECT_EQ(e.exit, 21) << id;
    EXPECT_NE(e.out.find("matches more than one key"), std::string::npos) << e.out;
    EXPECT_EQ(Pgp("-kx \"0x" + id + "\" " + Q("clash.key")).exit, 11);
    EXPECT_EQ(Pgp("-kvc \"0x" + id + "\"").exit, 11);
    EXPECT_EQ(Pgp("-kr \"0x" + id + "\"", "y\n").exit, 11);
  }
  WriteWholeFile(In("clash.lst"), "Alice Example\r\n0x" + subId.substr(8) + "\r\n");
  EXPECT_EQ(Pgp("-ea " + Q("clash.txt") + " -@ " + Q("clash.lst")).exit, 21);
  EXPECT_FALSE(FileExists(In("clash.asc")));
  EXPECT_FALSE(FileExists(In("clash.key")));
  EXPECT_NE(Pgp("-kv").out.find("Clash Two"), std::string::npos);  // nothing removed
  // The fingerprint and the long key ID of a primary key name exactly one key.
  PgpRun f = Pgp("-kvc \"0x" + oneFpr + "\"");
  EXPECT_EQ(f.exit, 0);
  EXPECT_NE(f.out.find("Clash One\r\n"), std::string::npos);
  EXPECT_EQ(f.out.find("Clash Two"), std::string::npos);
  EXPECT_EQ(Pgp("-ea " + Q("clash.txt") + " \"0x" + oneFpr.substr(24) + "\" ").exit, 0);
  EXPECT_TRUE(FileExists(In("clash.asc")));
}

TEST_F(Pgp26Wine, KeptListingFollowsTheRingAndHoldsNothingSecret) {
  const size_t before = LinesStartingWith(Pgp("-kv").out, "pub");
  // The ring changes between two runs, behind PGP's back.
  Sh(Gpg("other") +
     "--quick-gen-key 'Frank New <frank@example.org>' future-default default never\n"
     "gpg --homedir other --export frank@example.org | gpg --homedir " +
     HomeOf() + " --batch --import; gpgconf --homedir other --kill gpg-agent");
  const std::string frank =
      Sh("gpg --homedir other --with-colons --list-keys frank@example.org | awk -F: '/^pub/{printf \"%s\", substr($5, "
         "9)}'");
  ASSERT_EQ(frank.size(), 8u);
  PgpRun v = Pgp("-kv");
  EXPECT_EQ(LinesStartingWith(v.out, "pub"), before + 1);
  EXPECT_NE(v.out.find("/" + frank + " "), std::string::npos);
  EXPECT_EQ(Pgp("-kvc \"0x" + frank + "\"").exit, 0);
  Sh("gpg --homedir " + HomeOf() + " --batch --yes --delete-keys frank@example.org");
  EXPECT_EQ(LinesStartingWith(Pgp("-kv").out, "pub"), before);
  EXPECT_EQ(Pgp("-kvc \"0x" + frank + "\"").exit, 67);

  // What PGP keeps in the home holds no pass phrase and no plain text.
  for (const char* kept : {"keys.lst", "keys.idx", "keys.pgp"}) {
    const std::string text = Slurp(In("gnupg\\") + kept);
    EXPECT_FALSE(text.empty()) << kept;
    for (const char* secret : {"alicepp", "bobpp", "meeting is at noon", "signed text", "Sign me"})
      EXPECT_EQ(text.find(secret), std::string::npos) << kept << " holds " << secret;
  }
  EXPECT_EQ(Sh("cd " + HomeOf() + " && grep -rl -e alicepp -e bobpp . ; ls -d run-* 2>/dev/null"), "");
}

TEST_F(Pgp26Wine, RunFoldersOfEndedRunsAreSweptAndLiveOnesKept) {
  const std::string home = In("gnupg");
  // A folder left by a run that ended inside it, one whose run goes on in
  // another Wine prefix (its process ID means nothing here, its lock does),
  // and one just made.
  auto make = [&](const std::string& name, bool old, bool locked) {
    const std::string dir = home + "\\" + name;
    EXPECT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    WriteWholeFile(dir + "\\pp", "left behind");
    Handle lock;
    if (locked) {
      lock.reset(CreateFileA((dir + "\\lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW, 0, nullptr));
      OVERLAPPED at{};
      EXPECT_TRUE(LockFileEx(lock.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
    }
    if (old) {
      Handle d(CreateFileA(dir.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      SYSTEMTIME st;
      GetSystemTime(&st);
      st.wYear -= 1;
      FILETIME ft;
      SystemTimeToFileTime(&st, &ft);
      EXPECT_TRUE(SetFileTime(d.get(), nullptr, nullptr, &ft));
    }
    return lock;
  };
  make("run-999999-1-0", true, false);
  Handle live = make("run-999998-1-0", true, true);
  make("run-999997-1-0", false, false);
  EXPECT_EQ(Pgp("-kv").exit, 0);
  EXPECT_FALSE(bridge::DirectoryExists(home + "\\run-999999-1-0"));
  EXPECT_TRUE(FileExists(home + "\\run-999998-1-0\\pp"));
  EXPECT_TRUE(FileExists(home + "\\run-999997-1-0\\pp"));
  live.reset();  // that run has ended
  EXPECT_EQ(Pgp("-kv").exit, 0);
  EXPECT_FALSE(bridge::DirectoryExists(home + "\\run-999998-1-0"));
  EXPECT_TRUE(FileExists(home + "\\run-999997-1-0\\pp"));
  bridge::RemoveFolder(home + "\\run-999997-1-0");
}

// Key generation as a person types it into PGP's console, in any script: the
// keys go into the console's input buffer as the keyboard would put them.
TEST_F(Pgp26Wine, KeyGenerationTypedInAnyScript) {
  const std::string folder = Dir() + "-utf8";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA((ModuleFolder() + "\\pgp26.exe").c_str(), (folder + "\\PGP.EXE").c_str(), FALSE));
  const std::string uid =
      "\xD0\x90\xD0\xBB\xD0\xB8\xD1\x81\xD0\xB0 \xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80 "
      "\xF0\x9F\x98\x80 <alice@example.ru>";  // "Алиса Пример 😀 <alice@example.ru>"
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  {
    Handle in(CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(in);
    std::vector<INPUT_RECORD> keys;
    for (wchar_t c : bridge::Widen("1\r" + uid +
                                       "\r\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C\r"
                                       "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C\r",
                                   CP_UTF8)) {
      INPUT_RECORD r{};
      r.EventType = KEY_EVENT;
      r.Event.KeyEvent.bKeyDown = TRUE;
      r.Event.KeyEvent.wRepeatCount = 1;
      r.Event.KeyEvent.wVirtualKeyCode = c == L'\r' ? VK_RETURN : 0;
      r.Event.KeyEvent.uChar.UnicodeChar = c;
      keys.push_back(r);
      r.Event.KeyEvent.bKeyDown = FALSE;
      keys.push_back(r);
    }
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputW(in.get(), keys.data(), static_cast<DWORD>(keys.size()), &written));
    ASSERT_EQ(written, keys.size());
  }
  // PGP.EXE shares the console, standard output in a file.
  testproc::Outcome kg = testproc::Run({.commandLine = "\"" + folder + "\\PGP.EXE\" -kg +BatchMode",
                                        .capture = true,
                                        .creationFlags = 0,
                                        .timeoutMs = 120000});
  EXPECT_EQ(kg.exitCode, 0u) << kg.out;
  EXPECT_NE(kg.out.find("for user ID \"" + uid + "\"."), std::string::npos) << kg.out;
  robot::Robot shot([](robot::Robot& r) { r.screenshot(GetConsoleWindow(), "pgp26-console-any-script"); });
  shot.join();
  FreeConsole();
  testproc::Outcome kv = testproc::Run({.commandLine = "\"" + folder + "\\PGP.EXE\" -kv +BatchMode",
                                        .creationFlags = DETACHED_PROCESS,
                                        .timeoutMs = 120000});
  EXPECT_NE(kv.out.find(" " + uid + "\r\n1 matching key found."), std::string::npos) << kv.out;
  EXPECT_EQ(Sh("gpg --homedir \"$(cd " + ShQuote(UnixPath(folder + "\\gnupg")) +
               " && pwd -P)\" --with-colons --list-keys | awk -F: '/^uid/{print $10}'"),
            uid + "\n");
  Sh("gpgconf --homedir \"$(cd " + ShQuote(UnixPath(folder + "\\gnupg")) + " && pwd -P)\" --kill gpg-agent; rm -rf " +
     ShQuote(UnixPath(folder)));
}

}  // namespace
}  // namespace pgp26
