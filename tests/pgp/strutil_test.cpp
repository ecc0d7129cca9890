// The batch file text of the job runner.
#include "pgp/strutil.h"

#include <gtest/gtest.h>

namespace {

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
