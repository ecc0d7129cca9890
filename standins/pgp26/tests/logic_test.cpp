// Window-free parts of the PGP 2.6 compatible command.
#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "standins/pgp26/command.h"
#include "standins/pgp26/gpg.h"
#include "standins/pgp26/keys.h"
#include "standins/pgp26/keystore.h"
#include "standins/pgp26/message.h"
#include "standins/pgp26/report.h"

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

  // Signing text: +clearsig=on may stand anywhere.
  auto s = Parse(R"("C:\PGP\PGP.EXE" +clearsig=on -sta "C:\TEMP\TMP3A7.TMP"  -u"Alice Example" +BatchMode)");
  EXPECT_EQ(s.error, "");
  EXPECT_EQ(s.op.op, Op::Sign);
  EXPECT_TRUE(s.op.clearsig && s.op.text && s.op.armor);
  EXPECT_EQ(s.op.file, R"(C:\TEMP\TMP3A7.TMP)");
  EXPECT_EQ(s.op.signer.value_or(""), "Alice Example");
  EXPECT_FALSE(Parse(R"("P" -s "in" +ClearSig=On +clearsig=off)").op.clearsig);

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
  EXPECT_NE(Parse(R"("P" -s "in" "more")").error, "");
  EXPECT_NE(Parse(R"("P" -s -kv)").error, "");
  EXPECT_NE(Parse(R"("P" -s "in" -@ "list")").error, "");
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

  EXPECT_EQ(keys[0].subkeyFingerprints, (std::vector<std::string>{"99999999999999999999999FEDCBA9876543210"}));

  // Secret parts as key files of the home: the first key's only for its
  // subkey, the second's named in lower case; the revoked key has none.
  const auto grips =
      KeygripsOfKeyFiles({"5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B5B.key",
                          "c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1c1.key", "0A0A0A0A0A0A0A0A0A0A.key", "notes.txt"});
  EXPECT_TRUE(HoldsKeygrip(keys[0], grips));
  EXPECT_TRUE(HoldsKeygrip(keys[1], grips));
  EXPECT_FALSE(HoldsKeygrip(keys[2], grips));
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
  EXPECT_EQ(Printable("a\tb\x7f"), "a\\x09b\\x7f");
}

// The kept listing and its index, as PGP.EXE reads them.
struct Store {
  explicit Store(std::string text, std::set<std::string> grips = {})
      : listing(std::move(text)), index(BuildKeyIndex(listing)), store(listingSource, indexSource, std::move(grips)) {}
  std::string listing, index;
  TextSource listingSource{listing}, indexSource{index};
  KeyStore store;
};

std::string Ids(const Selection& s) {
  std::string out = s.ambiguous ? "ambiguous: " : "";
  for (const Key& k : s.keys) out += k.keyId.substr(8) + " ";
  return out;
}

TEST(Pgp26Keys, SelectionAsPgpDoesItAndKeyIdsNameOneKeyOrNone) {
  // A fourth key whose subkey shares the first key's short ID 90ABCDEF.
  Store st(std::string(kListing) +
               "pub:-:2048:1:00000000DEADBEEF:1700000000:::-:::sc::::::23::0:\n"
               "fpr:::::::::DDDDDDDDDDDDDDDDDDDDDDDD00000000DEADBEEF:\n"
               "uid:-::::1700000000::EE::Eve <eve@example.org>::::::::::0:\n"
               "sub:-:2048:1:FFFFFFFF90ABCDEF:1700000000::::::e::::::23:\n"
               "fpr:::::::::EEEEEEEEEEEEEEEEEEEEEEEEFFFFFFFF90ABCDEF:\n",
           {"C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1C1"});
  const KeyStore& ks = st.store;
  EXPECT_EQ(Ids(ks.Select("alice", false)), "90ABCDEF 22222222 ");
  // A whole first user ID picks exactly that key, even though it is a substring of others.
  EXPECT_EQ(Ids(ks.Select("Alice Example <old@example.org>", false)), "22222222 ");
  EXPECT_EQ(Ids(ks.Select("ALICE AT WORK", false)), "90ABCDEF ");
  // The listing's escaped form selects the key it was printed for.
  EXPECT_EQ(Ids(ks.Select("Mallory\\x0apub  2048/DEADBEEF 2020/01/01 Forged\\\\", false)), "CAFEBABE ");
  EXPECT_EQ(Ids(ks.Select("nobody", false)), "");

  // Key IDs: one key, or refused when two keys (primary or subkey) share it.
  EXPECT_EQ(Ids(ks.Select("0xcafebabe", false)), "CAFEBABE ");
  EXPECT_EQ(Ids(ks.Select("0x90ABCDEF", false)), "ambiguous: 90ABCDEF DEADBEEF ");
  EXPECT_EQ(Ids(ks.Select("0x1234567890ABCDEF", false)), "90ABCDEF ");
  EXPECT_EQ(Ids(ks.Select("0xFFFFFFFF90ABCDEF", false)), "DEADBEEF ");  // by subkey
  EXPECT_EQ(Ids(ks.Select("0xFEDCBA9876543210", false)), "90ABCDEF ");
  EXPECT_EQ(Ids(ks.Select("0xaaaabbbbccccddddeeeeffff00000000cafebabe", false)), "CAFEBABE ");
  EXPECT_EQ(Ids(ks.Select("0xEEEEEEEEEEEEEEEEEEEEEEEEFFFFFFFF90ABCDEF", false)), "DEADBEEF ");  // subkey fingerprint
  EXPECT_EQ(Ids(ks.Select("0x10112233445566778899AABBCCDDEEFF12345678", false)), "");
  EXPECT_EQ(Ids(ks.Select("0xABCDEF", false)), "ambiguous: 90ABCDEF DEADBEEF ");  // other lengths: a pass
  EXPECT_EQ(Ids(ks.Select("0x0000000022222222", false)), "");
  EXPECT_EQ(Ids(ks.Select("0xnothex1", false)), "");

  // Keys with a secret part: -u among them; a clash is refused all the same.
  EXPECT_EQ(Ids(ks.Select("", true)), "CAFEBABE ");
  EXPECT_EQ(Ids(ks.Select("alice", true)), "");
  EXPECT_EQ(Ids(ks.Select("0xCAFEBABE", true)), "CAFEBABE ");
  EXPECT_TRUE(ks.Select("0x90ABCDEF", true).ambiguous);
  ASSERT_EQ(ks.SecretKeys().size(), 1u);
  EXPECT_TRUE(ks.SecretKeys()[0].secret);

  EXPECT_EQ(ks.ByFingerprint("AAAABBBBCCCCDDDDEEEEFFFF00000000CAFEBABE").value_or(Key{}).keyId, "00000000CAFEBABE");
  EXPECT_FALSE(ks.ByFingerprint("FFFFBBBBCCCCDDDDEEEEFFFF00000000CAFEBABE"));
  EXPECT_EQ(ks.ByLongKeyId("FFFFFFFF90ABCDEF").size(), 1u);
  EXPECT_EQ(ks.ByLongKeyId("9999999990ABCDEF").size(), 0u);
  EXPECT_FALSE(ks.failed());

  // A pass through pieces: records cut anywhere, also a "pub" record, are read whole.
  std::string big;
  for (int i = 0; i < 3000; ++i) {
    char id[17];
    std::snprintf(id, sizeof id, "%016X", 0x100000 + i);
    big += std::string("pub:-:2048:1:") + id + ":1700000000:::-:::sc::::::23::0:\nfpr:::::::::00000000000000000000000" +
           std::string(id).substr(0, 16) + "0:\nuid:-::::1::AA::Key " + std::to_string(i) + "::::::::::0:\n";
  }
  Store many(big);
  EXPECT_EQ(many.store.Select("Key 2999", false).keys.size(), 1u);
  EXPECT_EQ(many.store.Select("ey 1", false).keys.size(), 1111u);  // 1, 10-19, 100-199, 1000-1999
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
  ScriptPaths p{"gpg", "gpgconf", "/h/gnupg", "/h/gnupg/run-1"};
  std::vector<GpgCall> calls(3);
  calls[0].args = {"--list-keys"};
  calls[1].args = {"--decrypt"};
  calls[1].passPhrase = true;
  calls[1].operands = {"-it's.pgp"};
  calls[2].args = {"--check-sigs"};
  calls[2].signersOf = 1;
  calls[2].knownSigners = {"034A6F134F78F2B6EAC87D355D9044BC21FE5CD8"};
  std::string s = BuildShellScript(p, calls);
  EXPECT_NE(
      s.find("'--list-keys' </dev/null >'/h/gnupg/run-1/out0' 2>'/h/gnupg/run-1/err0' 3>'/h/gnupg/run-1/status0'"),
      std::string::npos);
  // The pass phrase comes from sh's printf through a pipe, never a file or a
  // command line; the environment variable that brought it is gone before
  // anything starts, and the shell's copy after its last use.
  EXPECT_NE(s.find("printf \"$pp\" | 'gpg'"), std::string::npos);
  EXPECT_NE(s.find("'--pinentry-mode' 'loopback' --status-fd 3 --passphrase-fd 0 '--decrypt' -- '-it'\\''s.pgp' >"),
            std::string::npos);
  EXPECT_EQ(s.find("passphrase-file"), std::string::npos);
  EXPECT_LT(s.find("unset GNUPGHOME GPG_AGENT_INFO PGPPASS PGP26_PASS\n"), s.find("'gpg'"));
  EXPECT_LT(s.find("pp=\n"), s.find("--check-sigs"));
  EXPECT_EQ(PassPhraseForScript("a'b\\%\xE9"), "\\141\\047\\142\\134\\045\\351");
  // Operands follow "--", so a name beginning with "-" is no option.
  EXPECT_EQ(s.find("--passphrase-fd"), s.rfind("--passphrase-fd"));
  // The home is private before gpg writes anything into it.
  EXPECT_LT(s.find("chmod 700 '/h/gnupg' '/h/gnupg/run-1'"), s.find("'gpg'"));
  // The third call checks the keys the second verified other than the known
  // ones, or is left out.
  EXPECT_NE(s.find("set --\nfor f in $(sed -n 's/^\\[GNUPG:\\] VALIDSIG .* \\([0-9A-F]\\{40\\}\\)$/\\1/p' "
                   "'/h/gnupg/run-1/status1'); do case ' 034A6F134F78F2B6EAC87D355D9044BC21FE5CD8 ' in *\" $f \"*) "
                   ";; *) set -- \"$@\" \"$f\" ;; esac; done\nif [ $# -gt 0 ]; then\n"),
            std::string::npos)
      << s;
  EXPECT_NE(s.find("'--check-sigs' -- \"$@\" </dev/null >'/h/gnupg/run-1/out2'"), std::string::npos);
  EXPECT_NE(s.find("else\necho 0 >>'/h/gnupg/run-1/rc.tmp'\nfi\n"), std::string::npos);
  EXPECT_LT(s.find("--kill gpg-agent"), s.rfind("mv -f"));
  EXPECT_LT(s.find("' EXIT\n"), s.find("'--list-keys'"));
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
  // A packet appended to a genuine encrypted message fails: nothing is kept.
  EXPECT_EQ(ExitForDecrypt(2, p + "ENC_TO 12 18 0\n" + p + "BEGIN_DECRYPTION\n" + p + "PLAINTEXT 62 0 t\n" + p +
                                  "GOODSIG 12 A\n" + p + "DECRYPTION_FAILED\n" + p + "DECRYPTION_OKAY\n"),
            kExitDecryption);
  EXPECT_EQ(ExitForDecrypt(0, p + "ENC_TO 12 18 0\n" + p + "PLAINTEXT 62 0 t\n"), kExitRsaDecryption);
  // Signed only: gpg's 2 for a signer it does not know still gives the text.
  EXPECT_EQ(ExitForDecrypt(2, p + "PLAINTEXT 74 0\n" + p + "NEWSIG\n" + p + "ERRSIG 5D90 22 8 01 1796 9 034A\n"),
            kExitOk);
  EXPECT_EQ(ExitForDecrypt(1, p + "PLAINTEXT 74 0\n" + p + "BADSIG 5D90 G\n"), kExitSignatureCheck);
  EXPECT_EQ(ExitForDecrypt(2, p + "PLAINTEXT 74 0\n" + p + "ERRSIG 5D90 22 8 01 1796 9\n" + p + "ERROR x 1\n"),
            kExitDecryption);
  EXPECT_EQ(ExitForDecrypt(2, p + "NEWSIG\n" + p + "ERRSIG 5D90 22 8 01 1796 9\n"), kExitDecryption);
  EXPECT_EQ(ExitForSign(0, p + "SIG_CREATED C 22 8 01 1796 AB\n"), kExitOk);
  EXPECT_EQ(ExitForSign(2, p + "BAD_PASSPHRASE 12\n"), kExitSignature);
  EXPECT_EQ(ExitForImport(0, p + "IMPORT_OK 1 AB\n"), kExitOk);
  EXPECT_EQ(ExitForImport(2, p + "NODATA 1\n"), kExitKeyRingAdd);
  EXPECT_EQ(ExitForExport(0, ""), kExitKeyExtract);  // gpg says 0 when nothing matched
  EXPECT_EQ(ExitForExport(0, p + "EXPORTED AB\n"), kExitOk);
  EXPECT_EQ(ExitForDelete(2, p + "DELETE_PROBLEM 2\n"), kExitKeyRemove);
  EXPECT_EQ(ExitForGenerate(0, p + "KEY_CREATED P AB\n"), kExitOk);
  EXPECT_EQ(ExitForGenerate(2, ""), kExitKeyGeneration);
}

TEST(Pgp26Report, EveryKindInPgpsLayoutAndNothingASignerWroteStartsALine) {
  const std::string p = "[GNUPG:] ";
  const std::string grace = "034A6F134F78F2B6EAC87D355D9044BC21FE5CD8";
  Key k;
  k.keyId = "5D9044BC21FE5CD8";
  k.fingerprint = grace;
  k.bits = 255;
  k.userIds = {"Grace Hopper <grace@example.org>"};
  const std::string ring = R"(C:\PGP\pubring.pgp)";
  const int64_t now = 1800000000;

  // Good, from a key nobody of ours certified; gpg's own name for the signer is not used.
  auto good = ReadSignatures(p + "PLAINTEXT 74 0 \n" + p + "NEWSIG\n" + p + "GOODSIG 5D9044BC21FE5CD8 Mallory\n" + p +
                                 "VALIDSIG " + grace + " 2026-12-08 1796756485 0 4 0 22 8 01 " + grace + "\n",
                             "");
  ASSERT_EQ(good.size(), 1u);
  EXPECT_EQ(good[0].primaryFingerprint, grace);
  EXPECT_EQ(SignatureReportBlock(good[0], &k, false, now, ring),
            "Good signature from user \"Grace Hopper <grace@example.org>\".\r\n"
            "Signature made 2026/12/08 19:01 GMT using 255-bit key, key ID 21FE5CD8\r\n"
            "WARNING:  Because this public key is not certified with a trusted signature, it is not known with high "
            "confidence that this public key actually belongs to: \"Grace Hopper <grace@example.org>\".\r\n");
  EXPECT_EQ(SignatureReportBlock(good[0], &k, true, now, ring).find("WARNING"), std::string::npos);

  // Bad: no VALIDSIG; the time comes from gpg's message, the key by its long ID.
  auto bad = ReadSignatures(p + "NEWSIG\n" + p + "BADSIG 5D9044BC21FE5CD8 Grace\n",
                            "gpg: Signature made Tue Dec  8 19:01:25 2026 UTC\n"
                            "gpg:                using EDDSA key 034A6F\n");
  ASSERT_EQ(bad.size(), 1u);
  EXPECT_EQ(bad[0].keyId, "5D9044BC21FE5CD8");
  Key revoked = k;
  revoked.revoked = true;
  EXPECT_EQ(SignatureReportBlock(bad[0], &revoked, false, now, ring),
            "WARNING: Bad signature, doesn't match file contents!\r\n\r\n"
            "Bad signature from user \"Grace Hopper <grace@example.org>\".\r\n"
            "Signature made 2026/12/08 19:01 GMT using 255-bit key, key ID 21FE5CD8\r\n"
            "WARNING: This key has been revoked by its owner, possibly because the secret key was compromised.\r\n");

  // Revoked and expired signers as gpg reports them, and an expired key from the ring.
  auto rev = ReadSignatures(p + "NEWSIG\n" + p + "REVKEYSIG 5D9044BC21FE5CD8 G\n" + p + "VALIDSIG " + grace +
                                " 2026-12-08 1796756485 0 4 0 22 8 01 " + grace + "\n" + p + "NEWSIG\n" + p +
                                "EXPKEYSIG 5D9044BC21FE5CD8 G\n" + p + "VALIDSIG " + grace +
                                " 2026-12-08 1796756485 0 4 0 22 8 01 " + grace + "\n",
                            "");
  ASSERT_EQ(rev.size(), 2u);
  EXPECT_NE(SignatureReportBlock(rev[0], &k, true, now, ring).find("\r\nWARNING: This key has been revoked"),
            std::string::npos);
  EXPECT_EQ(SignatureReportBlock(rev[1], &k, true, now, ring).rfind("WARNING: This key has expired.\r\n"),
            SignatureReportBlock(rev[1], &k, true, now, ring).size() - 32);
  Key expired = k;
  expired.expires = now - 1;
  EXPECT_NE(SignatureReportBlock(good[0], &expired, true, now, ring).find("WARNING: This key has expired."),
            std::string::npos);

  // Unknown signer, and a signer who chose what the listing and report print.
  auto unknown = ReadSignatures(p + "PLAINTEXT 62 1796756489 Good%20signature\n" + p + "NEWSIG\n" + p +
                                    "ERRSIG 5D9044BC21FE5CD8 22 8 00 1796756489 9 " + grace + "\n" + p +
                                    "NO_PUBKEY 5D9044BC21FE5CD8\n",
                                "");
  ASSERT_EQ(unknown.size(), 1u);
  EXPECT_EQ(SignatureReportBlock(unknown[0], nullptr, false, now, "C:\\PGP\nGood signature\\pubring.pgp"),
            "Key matching expected Key ID 21FE5CD8 not found in file 'C:\\PGP\\x0aGood signature\\pubring.pgp'.\r\n"
            "\r\nWARNING: Can't find the right public key-- can't check signature integrity.\r\n");
  Key forger = k;
  forger.userIds = {"Eve\r\nGood signature from user \"Grace Hopper <grace@example.org>\"."};
  const std::string forged = SignatureReportBlock(good[0], &forger, false, now, ring);
  EXPECT_EQ(forged.find("\nGood signature"), std::string::npos) << forged;
  EXPECT_EQ(forged.rfind("Good signature", 0), 0u);
  EXPECT_TRUE(ReadSignatures(p + "DECRYPTION_OKAY\n" + p + "PLAINTEXT 62 0 x\n", "").empty());
}

TEST(Pgp26Report, CertifiedByAKeyOfOurOwn) {
  Key grace;
  grace.keyId = "5D9044BC21FE5CD8";
  grace.fingerprint = "034A6F134F78F2B6EAC87D355D9044BC21FE5CD8";
  Key me;
  me.keyId = "B9D7442EC9DD3B4C";
  me.fingerprint = "7E902B9193759E2A7EF045C3B9D7442EC9DD3B4C";
  me.secret = true;
  const std::string head =
      "pub:-:255:22:5D9044BC21FE5CD8:1796756460:::-:::scESC:::::ed25519:::0:\n"
      "fpr:::::::::034A6F134F78F2B6EAC87D355D9044BC21FE5CD8:\n"
      "uid:-::::1796756460::31FF::Grace Hopper <grace@example.org>::::::::::0:\n"
      "sig:!::22:5D9044BC21FE5CD8:1796756460::::Grace Hopper <grace@example.org>:13x::"
      "034A6F134F78F2B6EAC87D355D9044BC21FE5CD8:::8:\n";
  const std::string mine =
      "sig:!::22:B9D7442EC9DD3B4C:1796756543::::Me "
      "<me@example.org>:10x::7E902B9193759E2A7EF045C3B9D7442EC9DD3B4C:::8:\n";
  const std::string sub =
      "sub:-:255:18:06C3AFDEF81268DA:1796756460::::::e:::::cv25519::\n"
      "fpr:::::::::BDF9D0A84DC4E768792043DF06C3AFDEF81268DA:\n";
  EXPECT_FALSE(IsCertified(grace, head + sub, {me}));  // her own signature only
  EXPECT_TRUE(IsCertified(grace, head + mine + sub, {me}));
  EXPECT_TRUE(IsCertified(me, "", {me}));  // our own key
  // A certification gpg could not verify, or one we revoked later, counts for nothing.
  std::string forged = mine;
  forged.replace(4, 1, "-");
  EXPECT_FALSE(IsCertified(grace, head + forged + sub, {me}));
  EXPECT_FALSE(IsCertified(
      grace,
      head + mine + "rev:!::22:B9D7442EC9DD3B4C:1796756600::::Me:30x::7E902B9193759E2A7EF045C3B9D7442EC9DD3B4C:::8:\n" +
          sub,
      {me}));
  // On another key's user ID it does not count for this one.
  Key other = grace;
  other.fingerprint = "FFFF6F134F78F2B6EAC87D355D9044BC21FE5CD8";
  EXPECT_FALSE(IsCertified(other, head + mine + sub, {me}));
}

TEST(Pgp26Message, WhatNeedsAPassPhrase) {
  EXPECT_EQ(SniffMessage("\x85\x01\x0c"), MessageKind::Encrypted);  // old format, public-key session key
  EXPECT_EQ(SniffMessage("\xc1\x5e\x03"), MessageKind::Encrypted);  // new format, tag 1
  EXPECT_EQ(SniffMessage("\xa3\x01\x78"), MessageKind::Signed);     // compressed
  EXPECT_EQ(SniffMessage("\x90\x0d\x03"), MessageKind::Signed);     // one-pass signature
  EXPECT_EQ(SniffMessage("text before\r\n-----BEGIN PGP SIGNED MESSAGE-----\r\nHash: SHA256\r\n\r\nhello\r\n"),
            MessageKind::ClearSigned);
  // "hQEMA" is base64 of 0x85 0x01 0x0c; "owGbwMvM" of a compressed packet.
  EXPECT_EQ(SniffMessage("-----BEGIN PGP MESSAGE-----\nVersion: 2.6.3i\n\nhQEMA5Xy\n-----END PGP MESSAGE-----\n"),
            MessageKind::Encrypted);
  EXPECT_EQ(SniffMessage("-----BEGIN PGP MESSAGE-----\r\n\r\nowGbwMvM\r\n"), MessageKind::Signed);
  EXPECT_EQ(SniffMessage("-----BEGIN PGP PUBLIC KEY BLOCK-----\n\nmDMEZ\n"), MessageKind::Unknown);
  EXPECT_EQ(SniffMessage("no message here"), MessageKind::Unknown);
  EXPECT_EQ(SniffMessage(""), MessageKind::Unknown);
}

}  // namespace
}  // namespace pgp26
