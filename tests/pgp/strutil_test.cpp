// File-name surgery and the batch file text of the job runner.
#include "files/filenames.h"
#include "pgp/strutil.h"

#include <gtest/gtest.h>

namespace {

TEST(LastCharPos, FindsTheLastOccurrenceOneBased) {
  EXPECT_EQ(LastCharPos('.', "C:\\DIR.X\\FILE"), 7);
  EXPECT_EQ(LastCharPos('.', "C:\\DIR.X\\FILE.TXT"), 14);
  EXPECT_EQ(LastCharPos('.', "."), 1);
  EXPECT_EQ(LastCharPos('\\', "C:\\A\\"), 5);
}

TEST(LastCharPos, AbsentOrEmptyGivesZero) {
  EXPECT_EQ(LastCharPos('.', "C:\\DIR\\FILE"), 0);
  EXPECT_EQ(LastCharPos('.', ""), 0);
}

TEST(LastCharPos, CountsPastSixteenBits) {
  std::string s(70000, 'a');
  s += '.';
  EXPECT_EQ(LastCharPos('.', s), 70001);
}

TEST(BatchFileText, IsThreeCrLfLinesWithTheQuotedOutputFile) {
  EXPECT_EQ(BatchFileText("\"C:\\PGP\\PGP.EXE\" -kv", "C:\\TEMP\\TMP3A7.TMP"),
            "@echo off\r\n\"C:\\PGP\\PGP.EXE\" -kv +BatchMode >\"C:\\TEMP\\TMP3A7.TMP\"\r\nexit\r\n");
}

TEST(BatchFileText, DoublesEveryPercentAndLeavesOtherCharacters) {
  EXPECT_EQ(DoublePercents(""), "");
  EXPECT_EQ(DoublePercents("%"), "%%");
  EXPECT_EQ(DoublePercents("a%%b%1%PATH%"), "a%%%%b%%1%%PATH%%");
  EXPECT_EQ(BatchFileText("x -z \"p%1&^|<>\"", "C:\\T%\\O"),
            "@echo off\r\nx -z \"p%%1&^|<>\" +BatchMode >\"C:\\T%%\\O\"\r\nexit\r\n");
}

}  // namespace
