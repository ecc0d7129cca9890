// The rows File > Print puts on paper, measured here in characters.
#include "ui/printrows.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::string>;

// A printer whose rows hold `width` characters.
ui::RowFit Columns(size_t width) {
  return [width](std::string_view row) { return std::min(row.size(), width); };
}

TEST(PrintRows, LinesBreakAtTheLastBlankThatFitsOrInsideAWordTooLong) {
  // Every kind of line end; a final one starts no further row.
  EXPECT_EQ(ui::PrintRows("one\r\ntwo\nthree\rfour\r\n", Columns(10)), (Rows{"one", "two", "three", "four"}));
  EXPECT_EQ(ui::PrintRows("", Columns(10)), (Rows{""}));
  EXPECT_EQ(ui::PrintRows("a\r\n\r\n\r\nb", Columns(10)), (Rows{"a", "", "", "b"}));
  // Broken after the last blank that fits, the next row from its first
  // non-blank; a blank just past the width still counts.
  EXPECT_EQ(ui::PrintRows("the quick brown fox", Columns(10)), (Rows{"the quick", "brown fox"}));
  EXPECT_EQ(ui::PrintRows("abcdefghij   klm", Columns(10)), (Rows{"abcdefghij", "klm"}));
  // A word wider than a row is cut at the width; a leading blank is no break.
  EXPECT_EQ(ui::PrintRows("abcdefghijklmnopqrstuvw x", Columns(10)), (Rows{"abcdefghij", "klmnopqrst", "uvw x"}));
  EXPECT_EQ(ui::PrintRows(" abcdefghijkl", Columns(10)), (Rows{" abcdefghi", "jkl"}));
  // Tabs become blanks up to the next eighth column before measuring.
  EXPECT_EQ(ui::PrintRows("a\tb\tc", Columns(40)), (Rows{"a       b       c"}));
  EXPECT_EQ(ui::PrintRows("ab\tcdefgh", Columns(10)), (Rows{"ab     ", "cdefgh"}));
  // A printer where not even one character fits still moves on, one a row.
  EXPECT_EQ(ui::PrintRows("abc", Columns(0)), (Rows{"a", "b", "c"}));
}

}  // namespace
