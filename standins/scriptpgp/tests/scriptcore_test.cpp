#include "standins/scriptpgp/scriptcore.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "standins/bridge/files.h"
#include "standins/scriptpgp/scriptmsg.h"

using namespace scriptpgp;
using bridge::ReadWholeFile;

namespace {

const char* const kListing =
    "\r\n"
    "Key ring: 'C:\\PGP\\pubring.pgp'\r\n"
    "Type Bits/KeyID    Date       User ID\r\n"
    "pub  1024/0DBF906D 1996/03/04 Alice Example <alice@example.org>\r\n"
    "                              Alice at work <alice@work.example>\r\n"
    "pub  2048/1234ABCD 1997/01/02 *** KEY REVOKED ***\r\n"
    "                              Bob Example <bob@example.org>\r\n"
    "pub   512/CAFEF00D 1998/05/06 Carol Example <carol@example.org>\r\n"
    "3 matching keys found.\r\n";

}  // namespace

TEST(ScriptScenario, DefaultsValuesAndErrors) {
  std::string error;
  const auto empty = ParseScenario("", &error);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->passPhrase, "secret");
  EXPECT_EQ(empty->mode, Mode::Normal);
  EXPECT_EQ(empty->genId, "Generated User <gen@example.org>");

  const auto s = ParseScenario(
      "# comment\r\npassphrase=two words \r\nmode=crash\r\n\r\ndelay=250\ngenid=New <n@x>\n"
      "marker=C:\\T\\in\nawait=C:\\T\\go",
      &error);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->passPhrase, "two words ");
  EXPECT_EQ(s->mode, Mode::Crash);
  EXPECT_EQ(s->delayMs, 250u);
  EXPECT_EQ(s->genId, "New <n@x>");
  EXPECT_EQ(s->marker, "C:\\T\\in");
  EXPECT_EQ(s->await, "C:\\T\\go");

  for (const char* bad : {"mode=sometimes", "delay=-1", "delay=", "pasphrase=x", "no equals sign"}) {
    EXPECT_FALSE(ParseScenario(bad, &error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

TEST(ScriptArguments, CommandShapesTheProgramBuilds) {
  // "-esa "in" "Alice" "Bob"  -u"Carol Example" -z"pp" +BatchMode" as the C runtime splits it.
  auto inv = ParseArguments({"-esa", "C:\\T\\in.tmp", "Alice", "Bob", "-uCarol Example", "-zp p", "+BatchMode"});
  ASSERT_TRUE(inv);
  EXPECT_EQ(inv->action, Action::Encrypt);
  EXPECT_TRUE(inv->sign);
  EXPECT_TRUE(inv->armour);
  EXPECT_EQ(inv->operands, (std::vector<std::string>{"C:\\T\\in.tmp", "Alice", "Bob"}));
  EXPECT_EQ(inv->signer, "Carol Example");
  EXPECT_EQ(inv->passPhrase, "p p");

  // Empty IdSign: -u"" arrives as a lone -u and must not swallow -z.
  inv = ParseArguments({"-es", "f", "A", "-u", "-zpp", "+BatchMode"});
  ASSERT_TRUE(inv);
  EXPECT_EQ(inv->signer, "");
  EXPECT_EQ(inv->passPhrase, "pp");
  EXPECT_FALSE(inv->armour);

  inv = ParseArguments({"-ea", "in", "-@", "list", "-u", "Dave", "-z", "x", "+BatchMode"});
  ASSERT_TRUE(inv);
  EXPECT_EQ(inv->listFile, "list");
  EXPECT_EQ(inv->signer, "Dave");
  EXPECT_EQ(inv->passPhrase, "x");
  EXPECT_FALSE(inv->sign);

  inv = ParseArguments({"in", "-o", "out", "-z", "+BatchMode"});
  ASSERT_TRUE(inv);
  EXPECT_EQ(inv->action, Action::Decrypt);
  EXPECT_EQ(inv->output, "out");
  EXPECT_EQ(inv->passPhrase, "");

  inv = ParseArguments({"-kxa", "Alice Example", "C:\\K\\A.ASC", "+BatchMode"});
  ASSERT_TRUE(inv);
  EXPECT_EQ(inv->action, Action::Extract);
  EXPECT_TRUE(inv->armour);
  EXPECT_EQ(ParseArguments({"-kvc", "Alice"})->action, Action::Fingerprint);
}

TEST(ScriptArguments, BadArgumentsExitFive) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"-kv", "-kg"}, {"-e", "f", "-kv"}, {"-q"}, {"-kz"}, {"-sa", "f", "-ea"}, {"f", "-o"}, {"-@"}}) {
    EXPECT_FALSE(ParseArguments(args)) << args[0];
  }
  Scenario s;
  EXPECT_EQ(scriptpgp::Run(".", {"-kx", "only one"}, s, "2026/01/01").exitCode, 5);
  EXPECT_EQ(scriptpgp::Run(".", {"in"}, s, "2026/01/01").exitCode, 5);  // decryption needs -o
}

TEST(ScriptListing, ParsesKeysAndRewritesTheCount) {
  Listing l = ParseListing(kListing);
  ASSERT_EQ(l.keys.size(), 3u);
  EXPECT_EQ(l.header.size(), 3u);
  EXPECT_EQ(FirstUserId(l.keys[0]), "Alice Example <alice@example.org>");
  EXPECT_EQ(UserIds(l.keys[0]).size(), 2u);
  EXPECT_EQ(FirstUserId(l.keys[1]), "Bob Example <bob@example.org>");  // revoked: ID on the next line
  EXPECT_EQ(KeyIdOf(l.keys[2]), "CAFEF00D");
  EXPECT_EQ(FormatListing(l), kListing);

  l.keys.erase(l.keys.begin(), l.keys.begin() + 2);
  const std::string one = FormatListing(l);
  EXPECT_NE(one.find("CAFEF00D"), std::string::npos);
  EXPECT_TRUE(one.ends_with("\r\n1 matching key found.\r\n"));
  l.keys.clear();
  EXPECT_TRUE(FormatListing(l).ends_with("ID\r\n0 matching keys found.\r\n"));
}

TEST(ScriptListing, KeySelection) {
  const Listing l = ParseListing(kListing);
  EXPECT_TRUE(MatchesFirstUserId(l.keys[0], "alice example"));
  EXPECT_TRUE(MatchesFirstUserId(l.keys[0], "Alice Example <alice@example.org>"));
  EXPECT_FALSE(MatchesFirstUserId(l.keys[0], "work.example"));
  EXPECT_TRUE(MatchesAnyUserId(l.keys[0], "WORK.example"));
  EXPECT_TRUE(MatchesFirstUserId(l.keys[2], "0xcafef00d"));
  EXPECT_TRUE(MatchesAnyUserId(l.keys[2], "0xF00D"));
  EXPECT_FALSE(MatchesAnyUserId(l.keys[0], ""));
  EXPECT_FALSE(MatchesAnyUserId(l.keys[1], "KEY REVOKED"));
}

TEST(ScriptListing, GeneratedKeyAndFingerprintLayout) {
  const std::string line = KeyLine("Generated User <gen@example.org>", "2026/12/07");
  ASSERT_EQ(line.size(), 30 + std::string("Generated User <gen@example.org>").size());
  EXPECT_EQ(line.substr(0, 10), "pub  1024/");
  EXPECT_EQ(line.substr(18, 12), " 2026/12/07 ");
  EXPECT_EQ(line.substr(30), "Generated User <gen@example.org>");

  const std::string fp = FingerprintLine("Alice");
  EXPECT_EQ(fp.substr(0, 30), "            Key fingerprint = ");
  ASSERT_EQ(fp.size(), 29u + 16 * 3 + 1);
  EXPECT_EQ(fp.substr(53, 2), "  ");
  EXPECT_NE(fp[55], ' ');  // two blanks between the 8th and 9th byte
  EXPECT_EQ(fp, FingerprintLine("Alice"));
  EXPECT_NE(fp, FingerprintLine("Bob"));
}

TEST(ScriptFiles, EncryptedNamesAndRecipientLists) {
  EXPECT_EQ(EncryptedName("C:\\DOCS\\LETTER.TXT", false), "C:\\DOCS\\LETTER.pgp");
  EXPECT_EQ(EncryptedName("C:\\TEMP\\TMP3A7.TMP", true), "C:\\TEMP\\TMP3A7.asc");
  EXPECT_EQ(EncryptedName("C:\\DIR.X\\FILE", false), "C:\\DIR.X\\FILE.pgp");
  EXPECT_EQ(EncryptedName("C:FILE", true), "C:FILE.asc");
  EXPECT_EQ(EncryptedName("a.b.c", true), "a.b.asc");

  EXPECT_EQ(ReadRecipientList("Alice Example \r\n\r\n# skipped\r\n  Bob\t\nCarol"),
            (std::vector<std::string>{"Alice Example", "  Bob", "Carol"}));
}

TEST(ScriptRun, EncryptDecryptAndRingChangesInAFolder) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() /
                       ("scriptpgp_core_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string folder = dir.string();
  std::ofstream(dir / "listing.txt", std::ios::binary) << kListing;
  std::ofstream(dir / "in.txt", std::ios::binary) << std::string("a\0b\r\n", 5);
  const Scenario s;
  const std::string in = (dir / "in.txt").string();

  EXPECT_EQ(scriptpgp::Run(folder, {"-es", in, "bob@", "-u", "Alice", "-zwrong"}, s, "").exitCode, 20);
  EXPECT_FALSE(fs::exists(dir / "in.pgp"));
  EXPECT_EQ(scriptpgp::Run(folder, {"-e", in, "nobody"}, s, "").exitCode, 21);
  ASSERT_EQ(scriptpgp::Run(folder, {"-es", in, "bob@", "-uAlice", "-zsecret"}, s, "").exitCode, 0);
  EXPECT_EQ(scriptpgp::Run(folder, {"-e", in, "bob@"}, s, "").exitCode, 1);  // refuses to overwrite

  const std::string out = (dir / "out.bin").string();
  EXPECT_EQ(scriptpgp::Run(folder, {(dir / "in.pgp").string(), "-o", out, "-zbad"}, s, "").exitCode, 31);
  EXPECT_FALSE(fs::exists(out));
  const Result r = scriptpgp::Run(folder, {(dir / "in.pgp").string(), "-o", out, "-zsecret"}, s, "");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "Good signature from user \"Alice\".\r\n");
  EXPECT_EQ(ReadWholeFile(out), std::string("a\0b\r\n", 5));

  EXPECT_EQ(scriptpgp::Run(folder, {"-kr", "bob"}, s, "").exitCode, 0);
  EXPECT_EQ(scriptpgp::Run(folder, {"-kr", "zed"}, s, "").exitCode, 11);
  const Listing after = ParseListing(*ReadWholeFile((dir / "listing.txt").string()));
  ASSERT_EQ(after.keys.size(), 2u);
  EXPECT_EQ(FirstUserId(after.keys[1]), "Carol Example <carol@example.org>");
  fs::remove_all(dir);
}

TEST(ScriptRun, ClearSignVerifyAndAReportGiven) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() /
                       ("scriptpgp_sign_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string folder = dir.string();
  const std::string in = (dir / "in.txt").string(), out = (dir / "out.txt").string();
  std::ofstream(in, std::ios::binary) << "Pay Bob 10.\r\n-- \r\nCarol";
  Scenario s;
  EXPECT_EQ(scriptpgp::Run(folder, {"-sta", in, "-uCarol"}, s, "", "secret").exitCode, 5);  // no +clearsig=on
  EXPECT_EQ(scriptpgp::Run(folder, {"-sta", in, "-uCarol", "+ClearSig=on"}, s, "", "wrong").exitCode, 20);
  ASSERT_EQ(scriptpgp::Run(folder, {"-sta", in, "-uCarol", "+clearsig=on"}, s, "", "secret").exitCode, 0);
  const std::string signedText = *ReadWholeFile((dir / "in.asc").string());
  EXPECT_EQ(signedText.rfind("-----BEGIN PGP SIGNED MESSAGE-----\r\n", 0), 0u);
  EXPECT_NE(signedText.find("\r\n- -- \r\n"), std::string::npos);  // dash-escaped

  // Verified without a pass phrase; a changed text is reported bad.
  Result r = scriptpgp::Run(folder, {(dir / "in.asc").string(), "-o", out}, s, "");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.rfind("Good signature from user \"Carol\".\r\nSignature made 2024/01/02 03:04 GMT", 0), 0u) << r.out;
  EXPECT_EQ(ReadWholeFile(out), "Pay Bob 10.\r\n-- \r\nCarol");
  fs::remove(out);
  std::string changed = signedText;
  changed.replace(changed.find("10."), 3, "99.");
  std::ofstream(dir / "changed.asc", std::ios::binary) << changed;
  r = scriptpgp::Run(folder, {(dir / "changed.asc").string(), "-o", out}, s, "");
  EXPECT_EQ(r.exitCode, 30);
  EXPECT_NE(r.out.find("\r\nBad signature from user \"Carol\".\r\n"), std::string::npos) << r.out;

  // A report of the test's own replaces the command's.
  std::ofstream(dir / "report.txt", std::ios::binary) << "Key matching expected Key ID 00000000 not found.\r\n";
  s.report = (dir / "report.txt").string();
  fs::remove(out);
  EXPECT_EQ(scriptpgp::Run(folder, {(dir / "in.asc").string(), "-o", out}, s, "").out,
            "Key matching expected Key ID 00000000 not found.\r\n");
  fs::remove_all(dir);
}
