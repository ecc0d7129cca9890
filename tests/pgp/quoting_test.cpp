// Values between double quotes on a PGP command line, and PGP's output names.
#include "pgp/quoting.h"

#include <gtest/gtest.h>

#include <string>

#include "pgp/cryptname.h"

using pgp::Quoted;
using pgp::QuotingProblem;

TEST(QuotingProblem, BreakingCharactersNamed) {
  EXPECT_NE(QuotingProblem("Eve \" & echo x > y"), "");
  EXPECT_NE(QuotingProblem("line\rbreak"), "");
  EXPECT_NE(QuotingProblem("line\nbreak"), "");
  EXPECT_NE(QuotingProblem(std::string("zero\0byte", 9)), "");
  EXPECT_NE(QuotingProblem("\""), QuotingProblem("\n"));
  // Ctrl-Z would end the line for the command interpreter: "Ali" would reach PGP.
  EXPECT_EQ(QuotingProblem("Ali\x1A"
                           "ce"),
            "it contains a control character");
  for (int c = 1; c < 0x20; ++c) EXPECT_NE(QuotingProblem(std::string(1, static_cast<char>(c))), "") << c;
  EXPECT_NE(QuotingProblem("\x7F"), "");
}

TEST(QuotingProblem, EverythingElsePasses) {
  std::string all;
  for (int c = 0x20; c < 256; ++c)
    if (c != '"' && c != 0x7F) all += static_cast<char>(c);
  EXPECT_EQ(QuotingProblem(all), "");
  EXPECT_EQ(QuotingProblem("100% & <sure> | ^%PATH%"), "");
  EXPECT_EQ(QuotingProblem(""), "");
  EXPECT_EQ(Quoted("a %b% c"), "\"a %b% c\"");
  EXPECT_EQ(Quoted(""), "\"\"");
}

TEST(PgpOutputName, ExtensionOfLastComponentReplaced) {
  EXPECT_EQ(PgpOutputName("C:\\DOCS\\LETTER.TXT", "pgp"), "C:\\DOCS\\LETTER.pgp");
  EXPECT_EQ(PgpOutputName("C:\\TEMP\\TMP3A7.TMP", "asc"), "C:\\TEMP\\TMP3A7.asc");
  EXPECT_EQ(PgpOutputName("C:\\A.B\\C.tar.gz", "pgp"), "C:\\A.B\\C.tar.pgp");
  EXPECT_EQ(PgpOutputName("C:\\DOCS\\LETTER.", "pgp"), "C:\\DOCS\\LETTER.pgp");
}

TEST(PgpOutputName, NoExtensionGetsOneAppended) {
  EXPECT_EQ(PgpOutputName("C:\\DIR.X\\FILE", "pgp"), "C:\\DIR.X\\FILE.pgp");
  EXPECT_EQ(PgpOutputName("C:/DIR.X/FILE", "asc"), "C:/DIR.X/FILE.asc");
  EXPECT_EQ(PgpOutputName("FILE", "pgp"), "FILE.pgp");
}
