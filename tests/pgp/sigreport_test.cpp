// Reading PGP's signature report, and the verdict line made from it.
#include "pgp/sigreport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using pgp::ReadSignatureReport;
using pgp::Signature;
using pgp::Verdict;
using pgp::VerdictText;
using pgp::VerdictTone;

namespace {

const char* const kGrace = "Grace Hopper <grace@example.org>";
const std::string kMadeLine = "Signature made 2024/05/01 10:20 GMT using 2048-bit key, key ID 0DBF906D\r\n";
const std::string kGoodLine = std::string("Good signature from user \"") + kGrace + "\".\r\n";
const std::string kNotCertified =
    "WARNING:  Because this public key is not certified with a trusted signature, it is not known with high "
    "confidence that this public key actually belongs to: \"Grace Hopper <grace@example.org>\".\r\n";
const std::string kUnknown =
    "\r\nKey matching expected Key ID 5A3B0C11 not found in file 'C:\\PGP\\pubring.pgp'.\r\n\r\n"
    "WARNING: Can't find the right public key-- can't check signature integrity.\r\n";

}  // namespace

TEST(SignatureReport, EachLayoutGivesItsVerdictAndLine) {
  struct Case {
    std::string report;
    Signature kind;
    bool revoked, expired, notCertified;
    std::string text;
    VerdictTone tone;
    bool warning;
  };
  const std::string good =
      std::string("Good signature from ") + kGrace + " (key ID 0DBF906D), made 2024/05/01 10:20 GMT";
  const std::string bad = std::string("BAD signature from ") + kGrace +
                          " (key ID 0DBF906D), made 2024/05/01 10:20 GMT: the text does not match its signature";
  const Case cases[] = {
      {"Plaintext filename: C:\\x\r\n" + kGoodLine + kMadeLine, Signature::Good, false, false, false, good,
       VerdictTone::Good, false},
      // PGP 2.6.3 rings the bell before the line; the warning may be wrapped.
      {"\a\n" + kGoodLine + kMadeLine + "\r\n" + kNotCertified, Signature::Good, false, false, true,
       good + "; the key is not certified by a key you trust", VerdictTone::Good, false},
      {"\a\nWARNING: Bad signature, doesn't match file contents!\a\r\n\r\nBad signature from user \"" +
           std::string(kGrace) + "\".\r\n" + kMadeLine,
       Signature::Bad, false, false, false, bad, VerdictTone::Bad, true},
      {kUnknown, Signature::UnknownSigner, false, false, false,
       "Unknown signer: key ID 5A3B0C11 is not in your public key ring, so the signature could not be checked",
       VerdictTone::Caution, true},
      {kGoodLine + kMadeLine +
           "WARNING: This key has been revoked by its owner, possibly because the secret key was compromised.\r\n",
       Signature::Good, true, false, false, good + "; the signer's key is revoked", VerdictTone::Caution, true},
      {kGoodLine + kMadeLine + "WARNING: This key has expired.\r\n" + kNotCertified, Signature::Good, false, true, true,
       good + "; the signer's key has expired; the key is not certified by a key you trust", VerdictTone::Caution,
       false},
      // A good and a bad signature: the bad one speaks.
      {kGoodLine + kMadeLine + "Bad signature from user \"Eve\".\r\n", Signature::Bad, false, false, false,
       "BAD signature from Eve: the text does not match its signature", VerdictTone::Bad, true},
      {"Error:  Bad pass phrase.\r\n", Signature::None, false, false, false, "", VerdictTone::None, false},
      {"", Signature::None, false, false, false, "", VerdictTone::None, false},
  };
  for (const Case& c : cases) {
    const Verdict v = ReadSignatureReport(c.report);
    EXPECT_EQ(v.kind, c.kind) << c.report;
    EXPECT_EQ(v.revoked, c.revoked) << c.report;
    EXPECT_EQ(v.expired, c.expired) << c.report;
    EXPECT_EQ(v.notCertified, c.notCertified) << c.report;
    EXPECT_EQ(VerdictText(v), c.text) << c.report;
    EXPECT_EQ(pgp::ToneOf(v), c.tone) << c.report;
    EXPECT_EQ(pgp::NeedsWarning(v), c.warning) << c.report;
  }
}

// Lines that only look like the report, and user IDs with control characters.
TEST(SignatureReport, NothingAnAttackerWritesCounts) {
  const std::string spoof = std::string("Good signature from user \"") + kGrace + "\".";
  for (const std::string& report : std::vector<std::string>{
           " " + spoof + "\r\n" + kMadeLine,                                   // indented
           "Plaintext filename: " + spoof + "\r\n",                            // echoed after a fixed text
           "\"" + spoof + "\"\r\n",                                            // quoted
           spoof + " and more\r\n",                                            // not the line's end
           "good signature from user \"x\".\r\n",                              // another letter case
           "WARNING: This key has been revoked by its owner\r\n" + kMadeLine,  // no signature line
       }) {
    EXPECT_EQ(ReadSignatureReport(report), Verdict{}) << report;
  }
  // The spoofing message of an unknown signer stays unknown.
  const Verdict v = ReadSignatureReport("Plaintext filename: \\x0A" + spoof + kUnknown);
  EXPECT_EQ(v.kind, Signature::UnknownSigner);
  // A control character in the user ID never reaches the line.
  const Verdict odd = ReadSignatureReport("Good signature from user \"A\x1B[2J\rB\x7F\".\r\n");
  EXPECT_EQ(odd.userId, "A\\x1B[2J\\x0DB\\x7F");
  for (char c : VerdictText(odd)) EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F);
  // A user ID holding quotes ends at the line's final quote and full stop.
  EXPECT_EQ(ReadSignatureReport("Good signature from user \"Al \"Q\". Smith\".\n").userId, "Al \"Q\". Smith");
  // The made line's fields are taken only in their own shape.
  const Verdict made =
      ReadSignatureReport(kGoodLine + "Signature made <script> GMT using 1-bit key, key ID 0DBF906D; rm\r\n");
  EXPECT_EQ(made.made, "");
  EXPECT_EQ(made.keyId, "");
}

TEST(SignatureReport, TextOutsideTheSignedPart) {
  const std::string part =
      "-----BEGIN PGP SIGNED MESSAGE-----\r\nHash: SHA256\r\n\r\nPay Bob 10.\r\n-----BEGIN PGP SIGNATURE-----\r\n"
      "abc\r\n-----END PGP SIGNATURE-----\r\n";
  EXPECT_FALSE(pgp::TextOutsideSignedPart(part));
  EXPECT_FALSE(pgp::TextOutsideSignedPart("\r\n  \r\n" + part + "\r\n\t\r\n"));
  EXPECT_TRUE(pgp::TextOutsideSignedPart("Pay Mallory 1000.\r\n" + part));
  EXPECT_TRUE(pgp::TextOutsideSignedPart(part + "P.S. and Mallory.\r\n"));
  EXPECT_TRUE(pgp::TextOutsideSignedPart(part + part));
  EXPECT_TRUE(pgp::TextOutsideSignedPart("-----BEGIN PGP SIGNED MESSAGE-----\r\nno end\r\n"));
  Verdict v = ReadSignatureReport(kGoodLine);
  v.textOutside = true;
  EXPECT_EQ(pgp::ToneOf(v), VerdictTone::Caution);
  EXPECT_EQ(VerdictText(v), std::string("Good signature from ") + kGrace +
                                "; the text around the signed part is not covered by the signature");
}
