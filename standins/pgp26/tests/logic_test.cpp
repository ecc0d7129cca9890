// Window-free parts of the PGP 2.6 compatible command.
#include <gtest/gtest.h>
#include <string>

#include "standins/pgp26/command.h"
#include "standins/pgp26/gpg.h"
#include "standins/pgp26/keys.h"

namespace pgp26 {
namespace {

ParseResult Parse(const std::string& line) {
  auto tokens = SplitCommandLine(line);
  tokens.erase(tokens.begin());
  return ParseArguments(tokens);
}

TEST(Pgp26CommandLine, SplitsTheWayTheSystemQuotes) {
  auto t = SplitCommandLine(R"("C:\PGP\PGP.EXE"  -kvc "Alice Example" -z"p q" -u"" "C:\dir\" +BatchMode)");
  ASSERT_EQ(t.size(), 7u);
  EXPECT_EQ(t[0].text, R"(C:\PGP\PGP.EXE)");
  EXPECT_EQ(t[2].text, "Alice Example");
  EXPECT_TRUE(t[2].literal);
  EXPECT_EQ(t[3].text, "-zp q");
  EXPECT_FALSE(t[3].literal);
  EXPECT_EQ(t[4].text, "-u");
  EXPECT_TRUE(t[4].quoted);
  EXPECT_EQ(t[5].text, R"(C:\dir\)");  // a backslash never escapes the quote
}

TEST(Pgp26CommandLine, ParsesEveryCommandTheSystemBuilds) {
  auto v = Parse(R"("C:\PGP\PGP.EXE" -kv +BatchMode)");
  EXPECT_EQ(v.error, "");
  EXPECT_EQ(v.op.op, Op::View);
  EXPECT_TRUE(v.op.batch);
  EXPECT_FALSE(v.op.userId);

  auto f = Parse(R"("C:\PGP\PGP.EXE"  -kvc "Alice Example" +BatchMode)");
  EXPECT_EQ(f.op.op, Op::ViewFingerprint);
  EXPECT_EQ(f.op.userId.value_or(""), "Alice Example");

  EXPECT_EQ(Parse(R"("C:\PGP\PGP.EXE"  -kg +BatchMode)").op.op, Op::Generate);
  auto a = Parse(R"("C:\PGP\PGP.EXE"  -ka "C:\KEYS\FRIEND.KEY" +BatchMode)");
  EXPECT_EQ(a.op.op, Op::Add);
  EXPECT_EQ(a.op.file, R"(C:\KEYS\FRIEND.KEY)");

  auto x = Parse(R"("C:\PGP\PGP.EXE"  -kxa "Alice Example" "C:\KEYS\ALICE.ASC" +BatchMode)");
  EXPECT_EQ(x.op.op, Op::Extract);
  EXPECT_TRUE(x.op.armor);
  EXPECT_EQ(x.op.userId.value_or(""), "Alice Example");
  EXPECT_EQ(x.op.file, R"(C:\KEYS\ALICE.ASC)");
  EXPECT_FALSE(Parse(R"("P" -kx "Alice" "k.key")").op.armor);

  auto r = Parse(R"("C:\PGP\PGP.EXE"  -kr "Alice Example" +BatchMode)");
  EXPECT_EQ(r.op.op, Op::Remove);

  auto e = Parse(
      R"("C:\PGP\PGP.EXE" -esa "C:\TEMP\TMP3A7.TMP" "Alice Example" "Bob Example"  -u"Carol Example" -z"pass phrase" +BatchMode)");
  EXPECT_EQ(e.error, "");
  EXPECT_EQ(e.op.op, Op::Encrypt);
  EXPECT_TRUE(e.op.sign && e.op.armor);
  EXPECT_EQ(e.op.file, R"(C:\TEMP\TMP3A7.TMP)");
  EXPECT_EQ(e.op.recipients, (std::vector<std::string>{"Alice Example", "Bob Example"}));
  EXPECT_EQ(e.op.signer.value_or("?"), "Carol Example");
  EXPECT_EQ(e.op.passPhrase.value_or("?"), "pass phrase");

  auto l = Parse(R"("C:\PGP\PGP.EXE" -ea "C:\TEMP\TMP3A7.TMP" -@ "C:\TEMP\TMP3A6.TMP" +BatchMode)");
  EXPECT_EQ(l.op.op, Op::Encrypt);
  EXPECT_FALSE(l.op.sign);
  EXPECT_EQ(l.op.recipientList.value_or(""), R"(C:\TEMP\TMP3A6.TMP)");
  EXPECT_TRUE(l.op.recipients.empty());

  auto empty = Parse(R"("P" -es "in" "Alice"  -u"" -z"" +BatchMode)");
  EXPECT_EQ(empty.op.signer.value_or("?"), "");
  EXPECT_EQ(empty.op.passPhrase.value_or("?"), "");

  auto d = Parse(R"("C:\PGP\PGP.EXE" "C:\TEMP\TMP3A7.TMP" -o "C:\TEMP\TMP3A8.TMP" -z"secret" +BatchMode)");
  EXPECT_EQ(d.op.op, Op::Decrypt);
  EXPECT_EQ(d.op.file, R"(C:\TEMP\TMP3A7.TMP)");
  EXPECT_EQ(d.op.output.value_or(""), R"(C:\TEMP\TMP3A8.TMP)");
  EXPECT_EQ(d.op.passPhrase.value_or(""), "secret");
}

TEST(Pgp26CommandLine, QuotedValuesThatLookLikeOptionsStayValues) {
  auto e = Parse(R"("P" -e "in.txt" "-kg" "+BatchMode")");
  EXPECT_EQ(e.error, "");
  EXPECT_EQ(e.op.recipients, (std::vector<std::string>{"-kg", "+BatchMode"}));
  EXPECT_FALSE(e.op.batch);
}

TEST(Pgp26CommandLine, RejectsBadArguments) {
  EXPECT_NE(Parse(R"("P" -kq)").error, "");
  EXPECT_NE(Parse(R"("P" -kv -kg)").error, "");
  EXPECT_NE(Parse(R"("P" -e "in")").error, "");  // no recipient
  EXPECT_NE(Parse(R"("P" -kx "Alice")").error, "");
  EXPECT_NE(Parse(R"("P" -kr)").error, "");
  EXPECT_NE(Parse(R"("P" -ka)").error, "");
  EXPECT_NE(Parse(R"("P" -e "in" "Bob" -z)").error, "");
  EXPECT_NE(Parse(R"("P" -s "in")").error, "");
  EXPECT_NE(Parse(R"("P")").error, "");
}

TEST(Pgp26CommandLine, RecipientListSkipsCommentsAndTrailingBlanks) {
  EXPECT_EQ(ParseRecipientList("Alice Example  \r\n# Carol\r\n\r\nBob Example\t\nlast"),
            (std::vector<std::string>{"Alice Example", "# Carol", "Bob Example", "last"}));
}

const char kListing[] =
    "tru::1:1700000000:0:3:1:5\n"
    "pub:u:1024:1:1234567890ABCDEF:826156800:::u:::scESC::::::23::0:\n"
    "fpr:::::::::00112233445566778899AABBCCDDEEFF12345678:\n"
    "grp:::::::::0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A:\n"
    "uid:u::::826156800::AA::Alice Example <alice@example.org>::::::::::0:\n"
    "uid:u::::826156800::BB::Alice at work\\x3a office::::::::::0:\n"
    "sub:u:1024:1:FEDCBA9876543210:826156800::::::e::::::23:\n"
    "fpr:::::::::99999999999999999999999FEDCBA9876543210:\n"
    "grp:::::::::5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B:\n"
    "pub:u:255:22:00000000CAFEBABE:1700000000:::u:::scESC:::::ed25519:::0:\n"
    "fpr:::::::::AAAABBBBCCCCDDDDEEEEFFFF00000000CAFEBABE:\n"
    "grp:::::::::C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1:\n"
    "uid:u::::1700000000::CC::Mallory\\npub  2048/DEADBEEF 2020/01/01 Forged\\\\::::::::::0:\n"
    "pub:r:2048:1:1111111122222222:946684800:::-:::sc::::::23::0:\n"
    "fpr:::::::::333333333333333333333333111111112222222:\n"
    "uid:r::::946684800::DD::Alice Example <old@example.org>::::::::::0:\n";

TEST(Pgp26Keys, ReadsTheColonListing) {
  auto keys = ParseColonListing(kListing);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].keyId, "1234567890ABCDEF");
  EXPECT_EQ(keys[0].bits, 1024);
  EXPECT_EQ(keys[0].created, 826156800);
  EXPECT_EQ(keys[0].fingerprint, "00112233445566778899AABBCCDDEEFF12345678");  // not the subkey's
  EXPECT_EQ(keys[0].userIds, (std::vector<std::string>{"Alice Example <alice@example.org>", "Alice at work: office"}));
  EXPECT_EQ(keys[0].subkeyIds, (std::vector<std::string>{"FEDCBA9876543210"}));
  EXPECT_EQ(keys[1].userIds[0], "Mallory\npub  2048/DEADBEEF 2020/01/01 Forged\\");
  EXPECT_TRUE(keys[2].revoked);

  // Secret parts as key files of the home: the first key's only for its
  // subkey, the second's named in lower case; the revoked key has none.
  MarkSecretKeyFiles(keys, {"5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B.key",
                            "c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1.key", "0A0A0A0A0A0A0A0A0A0A.key", "notes.txt"});
  EXPECT_TRUE(keys[0].secret);
  EXPECT_TRUE(keys[1].secret);
  EXPECT_FALSE(keys[2].secret);
  EXPECT_EQ(keys[0].keygrips.size(), 2u);
}

TEST(Pgp26Keys, ListingLayoutAndEscaping) {
  auto keys = ParseColonListing(kListing);
  std::vector<const Key*> all{&keys[0], &keys[1], &keys[2]};
  ListingRequest req;
  req.ringPath = R"(C:\PGP\pubring.pgp)";
  std::string text = FormatListing(all, req);
  const std::string expected =
      "\r\n"
      "Key ring: 'C:\\PGP\\pubring.pgp'\r\n"
      "Type Bits/KeyID    Date       User ID\r\n"
      "pub  1024/90ABCDEF 1996/03/07 Alice Example <alice@example.org>\r\n"
      "                              Alice at work: office\r\n"
      "pub   255/CAFEBABE 2023/11/14 Mallory\\x0apub  2048/DEADBEEF 2020/01/01 Forged\\\\\r\n"
      "pub  2048/22222222 2000/01/01 *** KEY REVOKED ***\r\n"
      "                              Alice Example <old@example.org>\r\n"
      "3 matching keys found.\r\n";
  EXPECT_EQ(text, expected);
  // The forged key line stays inside the real one: exactly three lines start with "pub".
  size_t pubLines = 0;
  for (size_t p = 0; (p = text.find("\r\npub", p)) != std::string::npos; ++p) ++pubLines;
  EXPECT_EQ(pubLines, 3u);

  std::string id = "Alice";
  req.filter = &id;
  req.fingerprints = true;
  EXPECT_EQ(FormatListing({&keys[0]}, req),
            "\r\nKey ring: 'C:\\PGP\\pubring.pgp', looking for user ID \"Alice\".\r\n"
            "Type Bits/KeyID    Date       User ID\r\n"
            "pub  1024/90ABCDEF 1996/03/07 Alice Example <alice@example.org>\r\n"
            "            Key fingerprint = 00 11 22 33 44 55 66 77 88 99  AA BB CC DD EE FF 12 34 56 78\r\n"
            "                              Alice at work: office\r\n"
            "1 matching key found.\r\n");
  // The echoed user ID is escaped like every printed one: it cannot forge a fingerprint line.
  id = "x\r\n            Key fingerprint = 66 66";
  const std::string echoed = FormatListing({}, req);
  EXPECT_NE(echoed.find("looking for user ID \"x\\x0d\\x0a            Key"), std::string::npos) << echoed;
  EXPECT_EQ(echoed.find("\n            Key fingerprint"), std::string::npos) << echoed;
  EXPECT_EQ(FormatFingerprint("00112233445566778899AABBCCDDEEFF"), " 00 11 22 33 44 55 66 77  88 99 AA BB CC DD EE FF");
  EXPECT_EQ(DisplayUserId("a\tb\x7f"), "a\\x09b\\x7f");
}

TEST(Pgp26Keys, SelectionAsPgpDoesIt) {
  auto keys = ParseColonListing(kListing);
  auto ids = [](const std::vector<const Key*>& v) {
    std::string s;
    for (const Key* k : v) s += k->keyId.substr(8) + " ";
    return s;
  };
  EXPECT_EQ(ids(SelectKeys(keys, "alice")), "90ABCDEF 22222222 ");
  // A whole first user ID picks exactly that key, even though it is a substring of others.
  EXPECT_EQ(ids(SelectKeys(keys, "Alice Example <old@example.org>")), "22222222 ");
  EXPECT_EQ(ids(SelectKeys(keys, "ALICE AT WORK")), "90ABCDEF ");
  EXPECT_EQ(ids(SelectKeys(keys, "0xcafebabe")), "CAFEBABE ");
  EXPECT_EQ(ids(SelectKeys(keys, "0xFEDCBA9876543210")), "90ABCDEF ");  // by subkey
  // The listing's escaped form selects the key it was printed for.
  EXPECT_EQ(ids(SelectKeys(keys, "Mallory\\x0apub  2048/DEADBEEF 2020/01/01 Forged\\\\")), "CAFEBABE ");
  EXPECT_EQ(ids(SelectKeys(keys, "nobody")), "");
  EXPECT_EQ(ids(SelectKeys(keys, "alice", true)), "");
  keys[1].secret = true;
  EXPECT_EQ(ids(SelectKeys(keys, "", true)), "CAFEBABE ");
  EXPECT_EQ(FindByKeyId(keys, "9999FEDCBA9876543210"), &keys[0]);
  EXPECT_EQ(FindByKeyId(keys, "0000000000000000"), nullptr);
}

TEST(Pgp26Gpg, OutputNames) {
  EXPECT_EQ(EncryptedName(R"(C:\TEMP\TMP3A7.TMP)", true), R"(C:\TEMP\TMP3A7.asc)");
  EXPECT_EQ(EncryptedName(R"(C:\DOCS\LETTER.TXT)", false), R"(C:\DOCS\LETTER.pgp)");
  EXPECT_EQ(EncryptedName(R"(C:\MY.DIR\LETTER)", false), R"(C:\MY.DIR\LETTER.pgp)");
  EXPECT_EQ(EncryptedName(R"(C:\A\b.tar.gz)", true), R"(C:\A\b.tar.asc)");
  EXPECT_EQ(DecryptedName(R"(C:\DOCS\LETTER.pgp)"), R"(C:\DOCS\LETTER)");
  EXPECT_EQ(DecryptedName(R"(C:\MY.DIR\LETTER)"), "");
}

TEST(Pgp26Gpg, ScriptWritesEveryOutputToFilesAndTheStatusLast) {
  ScriptPaths p{"gpg", "gpgconf", "/h/gnupg", "/h/gnupg/run-1", "/h/gnupg/run-1/pp"};
  std::string s = BuildShellScript(p, {{{"--list-keys"}, false, {}}, {{"--decrypt"}, true, {"-it's.pgp"}}});
  EXPECT_NE(
      s.find("'--list-keys' </dev/null >'/h/gnupg/run-1/out0' 2>'/h/gnupg/run-1/err0' 3>'/h/gnupg/run-1/status0'"),
      std::string::npos);
  EXPECT_NE(s.find("--pinentry-mode loopback --passphrase-file '/h/gnupg/run-1/pp' '--decrypt' -- '-it'\\''s.pgp'"),
            std::string::npos);
  // Operands follow "--", so a name beginning with "-" is no option; only the
  // call that needs it gets the pass phrase file.
  EXPECT_GT(s.find("--passphrase-file"), s.find("out0"));
  EXPECT_LT(s.find("--kill gpg-agent"), s.rfind("mv -f"));
  // The pass phrase file is wiped once its gpg call ended, and by the exit trap
  // however the script ends.
  const size_t wiped = s.find("conv=notrunc,fsync 2>/dev/null; rm -f '/h/gnupg/run-1/pp'\n", s.find("status1"));
  EXPECT_LT(wiped, s.find("--kill gpg-agent"));
  EXPECT_LT(s.find("trap cleanup EXIT\n"), s.find("'--list-keys'"));
  EXPECT_NE(s.find("home=$(cd '/h/gnupg' && pwd -P)"), std::string::npos);
  EXPECT_NE(s.find("'gpg' '--homedir' \"$home\" '--batch'"), std::string::npos);
  const std::string last = "mv -f '/h/gnupg/run-1/rc.tmp' '/h/gnupg/run-1/rc'\n";
  ASSERT_GT(s.size(), last.size());
  EXPECT_EQ(s.substr(s.size() - last.size()), last);
}

TEST(Pgp26Gpg, StatusToExitCodes) {
  const std::string p = "[GNUPG:] ";
  EXPECT_EQ(ExitForEncrypt(0, p + "BEGIN_ENCRYPTION 2 9\n" + p + "END_ENCRYPTION\n", false), kExitOk);
  EXPECT_EQ(ExitForEncrypt(2, p + "INV_RECP 0 Bob\n", false), kExitRsaEncryption);
  EXPECT_EQ(ExitForEncrypt(2, p + "BAD_PASSPHRASE 1234\n", true), kExitSignature);
  EXPECT_EQ(ExitForEncrypt(2, p + "FAILURE sign 11\n", true), kExitSignature);
  EXPECT_EQ(ExitForDecrypt(0, p + "DECRYPTION_OKAY\n" + p + "GOODSIG 12 A\n"), kExitOk);
  EXPECT_EQ(ExitForDecrypt(2, p + "BAD_PASSPHRASE 12\n" + p + "DECRYPTION_FAILED\n"), kExitRsaDecryption);
  EXPECT_EQ(ExitForDecrypt(2, p + "ENC_TO 12 1 0\n" + p + "NO_SECKEY 12\n" + p + "DECRYPTION_FAILED\n"),
            kExitRsaDecryption);
  EXPECT_EQ(ExitForDecrypt(2, p + "BAD_PASSPHRASE 12\n" + p + "DECRYPTION_OKAY\n"), kExitOk);
  EXPECT_EQ(ExitForDecrypt(2, p + "NODATA 1\n"), kExitInvalidFile);
  EXPECT_EQ(ExitForDecrypt(1, p + "DECRYPTION_OKAY\n" + p + "BADSIG 12 A\n"), kExitSignatureCheck);
  EXPECT_EQ(ExitForDecrypt(2, ""), kExitDecryption);
  EXPECT_EQ(ExitForImport(0, p + "IMPORT_OK 1 AB\n"), kExitOk);
  EXPECT_EQ(ExitForImport(2, p + "NODATA 1\n"), kExitKeyRingAdd);
  EXPECT_EQ(ExitForExport(0, ""), kExitKeyExtract);  // gpg says 0 when nothing matched
  EXPECT_EQ(ExitForExport(0, p + "EXPORTED AB\n"), kExitOk);
  EXPECT_EQ(ExitForDelete(2, p + "DELETE_PROBLEM 2\n"), kExitKeyRemove);
  EXPECT_EQ(ExitForGenerate(0, p + "KEY_CREATED P AB\n"), kExitOk);
  EXPECT_EQ(ExitForGenerate(2, ""), kExitKeyGeneration);
}

TEST(Pgp26Gpg, SignatureReport) {
  const std::string p = "[GNUPG:] ";
  EXPECT_EQ(
      SignatureReport(p + "GOODSIG 1234567890ABCDEF Al%25ice\n" + p + "VALIDSIG FPR 2023-11-14 1700000000 0\n", ""),
      "Good signature from user \"Al%ice\".\r\nSignature made 2023/11/14 22:13 GMT\r\n");
  EXPECT_EQ(SignatureReport(p + "GOODSIG 1234 x\n", "Alice"), "Good signature from user \"Alice\".\r\n");
  EXPECT_NE(SignatureReport(p + "BADSIG 1234 x\n", "").find("Bad signature"), std::string::npos);
  EXPECT_NE(SignatureReport(p + "ERRSIG 1234567890ABCDEF 1 8 00 1700000000 9\n", "").find("90ABCDEF"),
            std::string::npos);
  EXPECT_EQ(SignatureReport(p + "DECRYPTION_OKAY\n", ""), "");
}

}  // namespace
}  // namespace pgp26
