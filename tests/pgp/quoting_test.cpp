// Values between double quotes on a PGP command line, the command lines
// themselves, and PGP's output names.
#include "pgp/quoting.h"

#include <gtest/gtest.h>
#include <string>

#include "pgp/cryptname.h"
#include "pgp/pgpcommand.h"

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

// Every command line keeps its blanks byte for byte, the doubled ones
// included: PGP and the scripts that read its logged lines see them.
TEST(PgpCommandLines, EachCommandWithItsBlanks) {
  pgp::Context ctx;
  ctx.command = pgp::MakePgpCommand("C:\\PGP");
  const std::string p = "\"C:\\PGP\\PGP.EXE\"";
  EXPECT_EQ(ctx.command, p + " ");
  EXPECT_EQ(pgp::KeyListCommand(ctx), p + " -kv");
  EXPECT_EQ(pgp::GenerateKeysCommand(ctx), p + "  -kg");
  EXPECT_EQ(pgp::AddKeyCommand(ctx, "C:\\KEYS\\FRIEND.KEY"), p + "  -ka \"C:\\KEYS\\FRIEND.KEY\"");
  EXPECT_EQ(pgp::ExtractKeyCommand(ctx, "0x0DBF906D", "C:\\K\\A.ASC", true),
            p + "  -kxa \"0x0DBF906D\" \"C:\\K\\A.ASC\"");
  EXPECT_EQ(pgp::ExtractKeyCommand(ctx, "0x0DBF906D", "A.KEY", false), p + "  -kx \"0x0DBF906D\" \"A.KEY\"");
  EXPECT_EQ(pgp::RemoveKeyCommand(ctx, "0x0DBF906D"), p + "  -kr \"0x0DBF906D\"");
  EXPECT_EQ(pgp::FingerprintCommand(ctx, "0x0DBF906D"), p + "  -kvc \"0x0DBF906D\"");
  EXPECT_EQ(pgp::DecryptCommand(ctx, "C:\\T\\IN.TMP", "C:\\T\\OUT.TMP"),
            p + " \"C:\\T\\IN.TMP\" -o \"C:\\T\\OUT.TMP\"");

  const std::string two = pgp::RecipientArguments({"0x0DBF906D", "0x1234ABCD"});
  EXPECT_EQ(two, "\"0x0DBF906D\" \"0x1234ABCD\" ");
  EXPECT_EQ(pgp::EncryptCommand(ctx, "F.TXT", false, two), p + " -e \"F.TXT\" " + two);
  ctx.signFiles = true;
  ctx.idSign = "Carol Example";
  EXPECT_EQ(pgp::EncryptCommand(ctx, "T.TMP", true, two),
            p + " -esa \"T.TMP\" \"0x0DBF906D\" \"0x1234ABCD\"  -u\"Carol Example\"");
  ctx.useList = true;
  EXPECT_EQ(pgp::EncryptCommand(ctx, "F.TXT", false, "L.TMP"), p + " -es \"F.TXT\" -@ \"L.TMP\" -u\"Carol Example\"");
  EXPECT_EQ(pgp::EncryptCommand(ctx, "F.TXT", false, "L.TMP", "R\\F.pgp"),
            p + " -es \"F.TXT\" -@ \"L.TMP\" -u\"Carol Example\" -o \"R\\F.pgp\"");
  EXPECT_EQ(pgp::ClearSignCommand(ctx, "T.TMP"), p + " -sta \"T.TMP\" -u\"Carol Example\" +clearsig=on");
  ctx.signFiles = false;
  EXPECT_EQ(pgp::EncryptCommand(ctx, "T.TMP", true, "L.TMP"), p + " -ea \"T.TMP\" -@ \"L.TMP\"");
}
