// File-name surgery.
#include "files/filenames.h"

#include <gtest/gtest.h>
#include <string>

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

}  // namespace
