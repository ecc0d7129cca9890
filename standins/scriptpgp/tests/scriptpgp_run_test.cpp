// Runs bin\scriptpgp.exe as PGP.EXE in a fresh PGP folder, with the command
// lines the program's runner produces, and checks what it prints and writes.
#include <windows.h>

#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "standins/bridge/files.h"
#include "standins/scriptpgp/scriptmsg.h"
#include "tests/support/process.h"

namespace {

const char* const kListing =
    "\r\n"
    "Key ring: 'C:\\PGP\\pubring.pgp'\r\n"
    "Type Bits/KeyID    Date       User ID\r\n"
    "pub  1024/0DBF906D 1996/03/04 Alice Example <alice@example.org>\r\n"
    "                              Alice at work <alice@work.example>\r\n"
    "pub  1024/1234ABCD 1997/01/02 Bob Example <bob@example.org>\r\n"
    "pub  1024/CAFEF00D 1998/05/06 Carol Example <carol@example.org>\r\n"
    "3 matching keys found.\r\n";

// A PGP folder of its own per test, holding PGP.EXE and the scenario files.
class ScriptPgp : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::string(temp) + "scriptpgp_" + std::to_string(GetCurrentProcessId()) + "_" + info->name();
    testproc::RemoveTree(dir_);
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((bridge::ModuleFolder() + "\\scriptpgp.exe").c_str(), Path("PGP.EXE").c_str(), FALSE));
  }
  void TearDown() override { testproc::RemoveTree(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }

  void Write(const std::string& name, const std::string& text) const {
    ASSERT_TRUE(bridge::WriteWholeFile(Path(name), text));
  }

  std::optional<std::string> Read(const std::string& name) const { return bridge::ReadWholeFile(Path(name)); }

  bool Exists(const std::string& name) const {
    return GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  // The batch line minus the redirection: PgpCommand (quoted path and one
  // blank), the options, " +BatchMode".
  std::string CommandLine(const std::string& options) const {
    return "\"" + Path("PGP.EXE") + "\" " + options + " +BatchMode";
  }

  testproc::Outcome Run(const std::string& options) const {
    const std::string cmd = CommandLine(options);
    testproc::Outcome result = testproc::Run({.commandLine = cmd});
    EXPECT_TRUE(result.started) << cmd;
    EXPECT_TRUE(result.ended) << cmd;
    return result;
  }

  std::string dir_;
};

TEST_F(ScriptPgp, LogsEveryCommandLineAndPrintsTheListingByteForByte) {
  const std::string listing = "odd\nbytes \xE9\r\n\r\npub  1024/00000001 2000/01/01 X\n";
  Write("listing.txt", listing);
  const testproc::Outcome r = Run(" -kv");
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(r.out, listing);
  Run(" -kvc \"Alice Example\"");
  EXPECT_EQ(Read("pgp.log"), CommandLine(" -kv") + "\r\n" + CommandLine(" -kvc \"Alice Example\"") + "\r\n");
}

TEST_F(ScriptPgp, EmptyRingListingWhenNoListingFile) {
  const testproc::Outcome r = Run("-kv");
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(r.out, "\r\nKey ring: '" + Path("pubring.pgp") +
                       "'\r\nType Bits/KeyID    Date       User ID\r\n0 matching keys found.\r\n");
}

TEST_F(ScriptPgp, FingerprintOfTheFirstMatchingKey) {
  Write("listing.txt", kListing);
  testproc::Outcome r = Run(" -kvc \"alice example\"");
  EXPECT_EQ(r.exitCode, 0u);
  const std::size_t at = r.out.find(
      "pub  1024/0DBF906D 1996/03/04 Alice Example <alice@example.org>\r\n"
      "            Key fingerprint = ");
  ASSERT_NE(at, std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Type Bits/KeyID    Date       User ID\r\n"), std::string::npos);
  EXPECT_EQ(r.out.find("Bob"), std::string::npos);
  EXPECT_TRUE(r.out.ends_with("Alice at work <alice@work.example>\r\n1 matching key found.\r\n")) << r.out;

  Write("fingerprint.txt", "canned\r\n  Key fingerprint = 00\r\n");
  r = Run(" -kvc \"Bob Example\"");
  EXPECT_EQ(r.out, "canned\r\n  Key fingerprint = 00\r\n");
}

TEST_F(ScriptPgp, KeyRingChangesShowInTheNextListing) {
  Write("listing.txt", kListing);
  Write("friend.key",
        "junk\r\npub  1024/DDDDDDDD 2001/01/01 Dave <dave@example.org>\r\n"
        "                              Dave two\r\nsec  1024/EEEEEEEE 2001/01/01 Secret\r\n");
  EXPECT_EQ(Run(" -ka \"" + Path("friend.key") + "\"").exitCode, 0u);
  EXPECT_EQ(Run(" -ka \"" + Path("missing.key") + "\"").exitCode, 2u);
  std::string listing = Run("-kv").out;
  EXPECT_NE(listing.find("CAFEF00D 1998/05/06 Carol Example <carol@example.org>\r\n"
                         "pub  1024/DDDDDDDD 2001/01/01 Dave <dave@example.org>\r\n"
                         "                              Dave two\r\n4 matching keys found.\r\n"),
            std::string::npos)
      << listing;
  EXPECT_EQ(listing.find("Secret"), std::string::npos);

  EXPECT_EQ(Run(" -kx \"Alice Example\" \"" + Path("alice.key") + "\"").exitCode, 0u);
  EXPECT_EQ(Read("alice.key"),
            "pub  1024/0DBF906D 1996/03/04 Alice Example <alice@example.org>\r\n"
            "                              Alice at work <alice@work.example>\r\n");
  EXPECT_EQ(Run(" -kxa \"Bob\" \"" + Path("bob.asc") + "\"").exitCode, 0u);
  EXPECT_EQ(Read("bob.asc"),
            "-----BEGIN PGP PUBLIC KEY BLOCK-----\r\n"
            "pub  1024/1234ABCD 1997/01/02 Bob Example <bob@example.org>\r\n"
            "-----END PGP PUBLIC KEY BLOCK-----\r\n");
  EXPECT_EQ(Run(" -kx \"Nobody\" \"" + Path("n.key") + "\"").exitCode, 11u);
  EXPECT_FALSE(Exists("n.key"));

  // Removes only the first match, continuation lines included.
  EXPECT_EQ(Run(" -kr \"ALICE\"").exitCode, 0u);
  EXPECT_EQ(Run(" -kr \"Nobody\"").exitCode, 11u);
  listing = Run("-kv").out;
  EXPECT_EQ(listing.find("Alice"), std::string::npos);
  EXPECT_TRUE(listing.ends_with("3 matching keys found.\r\n"));

  // The exported armoured key goes back in.
  EXPECT_EQ(Run(" -ka \"" + Path("bob.asc") + "\"").exitCode, 0u);
  EXPECT_TRUE(Run("-kv").out.ends_with("Bob Example <bob@example.org>\r\n4 matching keys found.\r\n"));
}

TEST_F(ScriptPgp, GenerateAddsTheScenarioUserIdAndCreatesTheRing) {
  Write("scenario.txt", "genid=Fresh Key <fresh@example.org>\r\n");
  EXPECT_FALSE(Exists("pubring.pgp"));
  EXPECT_EQ(Run(" -kg").exitCode, 0u);
  EXPECT_EQ(Read("pubring.pgp"), "");
  const std::string listing = Run("-kv").out;
  const std::size_t at = listing.find("pub  1024/");
  ASSERT_NE(at, std::string::npos) << listing;
  EXPECT_EQ(listing.substr(at + 30), "Fresh Key <fresh@example.org>\r\n1 matching key found.\r\n");
  EXPECT_NE(listing.find("Key ring: '" + Path("pubring.pgp") + "'"), std::string::npos);
}

TEST_F(ScriptPgp, EncryptionOutputNamesAndContent) {
  Write("listing.txt", kListing);
  const std::string plain("line 1\r\n\0\xff end", 14);
  Write("TMP3A7.TMP", plain);
  testproc::Outcome r = Run(" -ea \"" + Path("TMP3A7.TMP") + "\" \"Alice Example\" \"bob@EXAMPLE.org\" ");
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "");
  auto m = scriptpgp::ParseScriptMessage(Read("TMP3A7.asc").value_or(""));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->plainBytes, plain);
  EXPECT_EQ(m->recipients, (std::vector<std::string>{"Alice Example", "bob@EXAMPLE.org"}));
  EXPECT_EQ(m->signer, "");

  // The output exists now: batch mode refuses to overwrite.
  r = Run(" -ea \"" + Path("TMP3A7.TMP") + "\" \"Alice Example\" ");
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_FALSE(r.err.empty());

  // A dot in a folder name is no extension.
  ASSERT_TRUE(CreateDirectoryA(Path("DIR.X").c_str(), nullptr));
  Write("DIR.X\\FILE", "x");
  EXPECT_EQ(Run(" -e \"" + Path("DIR.X\\FILE") + "\" \"Carol\" ").exitCode, 0u);
  EXPECT_TRUE(Exists("DIR.X\\FILE.pgp"));
  EXPECT_FALSE(Exists("DIR.pgp"));
}

TEST_F(ScriptPgp, UnknownRecipientWritesNothing) {
  Write("listing.txt", kListing);
  Write("in.txt", "x");
  const testproc::Outcome r = Run(" -e \"" + Path("in.txt") + "\" \"Alice\" \"Zed\" ");
  EXPECT_EQ(r.exitCode, 21u);
  EXPECT_NE(r.err.find("Zed"), std::string::npos);
  EXPECT_FALSE(Exists("in.pgp"));
}

TEST_F(ScriptPgp, RecipientsFromAListFile) {
  Write("listing.txt", kListing);
  Write("in.txt", "x");
  Write("list.tmp", "Alice Example <alice@example.org>\r\n\r\n# a comment\r\nCarol Example  \r\n");
  EXPECT_EQ(Run(" -ea \"" + Path("in.txt") + "\" -@ \"" + Path("list.tmp") + "\"").exitCode, 0u);
  const auto m = scriptpgp::ParseScriptMessage(Read("in.asc").value_or(""));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->recipients, (std::vector<std::string>{"Alice Example <alice@example.org>", "Carol Example"}));
}

TEST_F(ScriptPgp, SigningNeedsTheScenarioPassPhrase) {
  Write("listing.txt", kListing);
  Write("scenario.txt", "passphrase=open sesame\r\n");
  Write("in.txt", "signed text");
  const std::string input = " -esa \"" + Path("in.txt") + "\" \"Alice Example\" \"Bob Example\"  -u\"Carol Example\"";
  testproc::Outcome r = Run(input + " -z\"secret\"");
  EXPECT_EQ(r.exitCode, 20u);
  EXPECT_FALSE(Exists("in.asc"));

  r = Run(input + " -z\"open sesame\"");
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  const auto m = scriptpgp::ParseScriptMessage(Read("in.asc").value_or(""));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->signer, "Carol Example");
  EXPECT_EQ(m->recipients, (std::vector<std::string>{"Alice Example", "Bob Example"}));
}

TEST_F(ScriptPgp, DecryptionChecksThePassPhrase) {
  Write("msg.tmp", "Some mail text first\r\n\r\n" +
                       scriptpgp::FormatScriptMessage({std::string("\0plain\r\n", 8), {"Alice"}, "Carol Example"}));
  const std::string args = " \"" + Path("msg.tmp") + "\" -o \"" + Path("out.tmp") + "\"";
  testproc::Outcome r = Run(args + " -z\"wrong\"");
  EXPECT_EQ(r.exitCode, 31u);
  EXPECT_NE(r.err.find("Error:  Bad pass phrase."), std::string::npos);
  EXPECT_FALSE(Exists("out.tmp"));

  r = Run(args + " -z\"secret\"");
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "Good signature from user \"Carol Example\".\r\n");
  EXPECT_EQ(Read("out.tmp"), std::string("\0plain\r\n", 8));

  Write("plain.tmp", "no block here");
  r = Run(" \"" + Path("plain.tmp") + "\" -o \"" + Path("out2.tmp") + "\" -z\"secret\"");
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_FALSE(Exists("out2.tmp"));
}

TEST_F(ScriptPgp, ScenarioModes) {
  Write("listing.txt", kListing);
  Write("in.txt", "x");
  const std::string encrypt = " -ea \"" + Path("in.txt") + "\" \"Alice\" ";

  Write("scenario.txt", "mode=nothing\r\n");
  testproc::Outcome r = Run(encrypt);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_FALSE(Exists("in.asc"));
  EXPECT_EQ(Run("-kv").out, "");

  Write("scenario.txt", "mode=fail\r\n");
  r = Run(encrypt);
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_FALSE(r.err.empty());
  EXPECT_FALSE(Exists("in.asc"));

  Write("scenario.txt", "mode=crash\r\n");
  r = Run(encrypt);
  EXPECT_NE(r.exitCode, 0u);
  EXPECT_NE(r.exitCode, 1u);
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(Exists("in.asc"));

  Write("scenario.txt", "delay=700\r\n");
  const DWORD start = GetTickCount();
  r = Run(encrypt);
  EXPECT_GE(GetTickCount() - start, 700u);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_TRUE(Exists("in.asc"));

  // Every run was logged, the crashed one too.
  const std::string log = Read("pgp.log").value_or("");
  std::size_t lines = 0;
  for (std::size_t at = log.find("\r\n"); at != std::string::npos; at = log.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 5u);
}

TEST_F(ScriptPgp, BadArgumentsAndBadScenario) {
  EXPECT_EQ(Run(" -kq").exitCode, 5u);
  EXPECT_EQ(Run(" -kx \"only the key\"").exitCode, 5u);
  Write("scenario.txt", "mode=sometimes\r\n");
  const testproc::Outcome r = Run("-kv");
  EXPECT_EQ(r.exitCode, 5u);
  EXPECT_NE(r.err.find("sometimes"), std::string::npos);
}

}  // namespace
