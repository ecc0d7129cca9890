// PGP's "-kv" listing and "-kvc" output as the key commands read them.
#include "keys/keylisting.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using keys::FindFingerprint;
using keys::ParseKeyListing;
using List = std::vector<std::string>;

TEST(ParseKeyListing, KeyLinesOnlyWithContinuationsHeadingsAndCountSkipped) {
  const char* listing =
      "\r\n"
      "Key ring: 'C:\\PGP\\pubring.pgp'\r\n"
      "Type Bits/KeyID    Date       User ID\r\n"
      "pub  1024/0DBF906D 1996/03/04 Alice Example <alice@example.org>\r\n"
      "                              Alice at work <alice@work.example>\r\n"
      "pub  1024/1234ABCD 1997/01/02 Bob Example <bob@example.org>\r\n"
      "                              Bob at home\r\n"
      "pub   512/CAFEF00D 1998/05/06 Carol Example\r\n"
      "                              Carol again\r\n"
      "3 matching keys found.\r\n";
  EXPECT_EQ(ParseKeyListing(listing),
            (List{"Alice Example <alice@example.org>", "Bob Example <bob@example.org>", "Carol Example"}));
}

TEST(ParseKeyListing, OnlyExactLowerCasePubAtLineStart) {
  EXPECT_EQ(ParseKeyListing(" pub  1024/0DBF906D 1996/03/04 Indented\r\n"
                            "Pub  1024/0DBF906D 1996/03/04 Capital\r\n"
                            "sec  1024/0DBF906D 1996/03/04 Secret\r\n"),
            List{});
}

TEST(ParseKeyListing, ShortLinesGiveEmptyEntriesThatCount) {
  const std::string thirty = "pub  1024/0DBF906D 1996/03/04 ";
  ASSERT_EQ(thirty.size(), 30u);
  EXPECT_EQ(ParseKeyListing(thirty + "\r\npub\r\n"), (List{"", ""}));
}

TEST(ParseKeyListing, BlanksDuplicatesAndEightBitKept) {
  const std::string p = "pub  1024/0DBF906D 1996/03/04 ";
  EXPECT_EQ(ParseKeyListing(p + "  Dana \xE9t\xE9  \r\n" + p + "  Dana \xE9t\xE9  \r\n"),
            (List{"  Dana \xE9t\xE9  ", "  Dana \xE9t\xE9  "}));
}

TEST(ParseKeyListing, LfEndsAndLastLineWithoutEnd) {
  const std::string p = "pub  1024/0DBF906D 1996/03/04 ";
  EXPECT_EQ(ParseKeyListing(p + "One\n" + p + "Two"), (List{"One", "Two"}));
  EXPECT_EQ(ParseKeyListing(""), List{});
}

TEST(ParseKeyListing, TenThousandKeys) {
  std::string listing = "\r\nKey ring: 'C:\\PGP\\pubring.pgp'\r\n";
  for (int i = 0; i < 10000; ++i)
    listing += "pub  1024/0DBF906D 1996/03/04 User " + std::to_string(i) + " <u" + std::to_string(i) +
               "@example.org>\r\n                              second id\r\n";
  List keys = ParseKeyListing(listing);
  ASSERT_EQ(keys.size(), 10000u);
  EXPECT_EQ(keys.front(), "User 0 <u0@example.org>");
  EXPECT_EQ(keys.back(), "User 9999 <u9999@example.org>");
}

TEST(FindFingerprint, FirstFingerprintLineWithoutIndentation) {
  EXPECT_EQ(FindFingerprint("pub  1024/0DBF906D 1996/03/04 Alice\r\n"
                            "          Key fingerprint = 01 23  45 \r\n"
                            "          Key fingerprint = FF\r\n"),
            "Key fingerprint = 01 23  45 ");
  EXPECT_EQ(FindFingerprint("0 matching keys found.\r\n"), "");
}

TEST(ReadKeyListing, KeyIdsBesideTheTextsAlsoForWideAndRevokedKeys) {
  const auto entries = keys::ReadKeyListing(
      "pub  1024/0DBF906D 1996/03/04 Ada\r\n"
      "pub  2048/1234ABCD 1997/01/02 Ada\r\n"
      "pub  16384/CAFEF00D 2020/05/06 Wide Key\r\n"
      "pub  1024/0000BEEF 1998/05/06 *** KEY REVOKED ***\r\n"
      "pub  1024/nothex 1998/05/06 Odd\r\n");
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].keyId, "0DBF906D");
  EXPECT_EQ(entries[1].keyId, "1234ABCD");
  EXPECT_EQ(entries[1].text, "Ada");
  EXPECT_EQ(entries[2].keyId, "CAFEF00D");
  EXPECT_EQ(entries[2].text, "Wide Key");
  EXPECT_EQ(entries[3].text, "*** KEY REVOKED ***");
  EXPECT_EQ(entries[4].keyId, "");
  // A key is named to PGP by its key ID alone, never by its text.
  EXPECT_EQ(keys::KeySelector(entries[1]), "0x1234ABCD");
  EXPECT_EQ(keys::KeySelector(entries[4]), std::nullopt);
  EXPECT_EQ(keys::KeySelector({"Ada", "12345678901234567"}), std::nullopt);
  EXPECT_EQ(keys::KeySelector({"Ada", "0DBF906D\" x"}), std::nullopt);
}

TEST(SharingKeyId, KeysThatOneKeyIdWouldSelect) {
  const std::vector<keys::KeyEntry> entries = {
      {"Grace", "0DBF906D"}, {"Mallory", "0dbf906d"}, {"Bob", "1234ABCD"}, {"Long", "FFFF00000DBF906D"}, {"None", ""}};
  EXPECT_EQ(keys::SharingKeyId(entries, 0), (std::vector<size_t>{1, 3}));
  EXPECT_EQ(keys::SharingKeyId(entries, 1), (std::vector<size_t>{0, 3}));
  EXPECT_EQ(keys::SharingKeyId(entries, 2), std::vector<size_t>{});
  EXPECT_EQ(keys::SharingKeyId(entries, 3), std::vector<size_t>{});  // its 16 digits name it alone
  EXPECT_EQ(keys::SharingKeyId(entries, 4), std::vector<size_t>{});
}

TEST(FindFingerprint, OnlyTheLineRightAfterTheFirstUserIdLine) {
  const std::string real = "          Key fingerprint = 01 23\r\n";
  // A user ID, a further user ID line or PGP's echo holding the text is not taken.
  EXPECT_EQ(FindFingerprint("Key ring: 'x', looking for user ID \"Key fingerprint = EC HO\".\r\n"
                            "pub  1024/0DBF906D 1996/03/04 Mal Key fingerprint = AA\r\n" +
                            real),
            "Key fingerprint = 01 23");
  EXPECT_EQ(FindFingerprint("pub  1024/0DBF906D 1996/03/04 Mal\r\n"
                            "                              Key fingerprint = FA KE\r\n" +
                            real),
            "");
  EXPECT_EQ(FindFingerprint("pub  1024/0DBF906D 1996/03/04 *** KEY REVOKED ***\r\n"
                            "                              Alice\r\n" +
                            real),
            "Key fingerprint = 01 23");
  EXPECT_EQ(FindFingerprint("pub  1024/0DBF906D 1996/03/04 Alice\r\n"), "");
}
