// The rows File > Print puts on paper, measured here in characters.
#include "ui/printrows.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::wstring>;

// A printer whose rows hold `width` characters.
ui::RowFit Columns(size_t width) {
  return [width](std::wstring_view row) { return std::min(row.size(), width); };
}

TEST(PrintRows, LinesBreakAtTheLastBlankThatFitsOrInsideAWordTooLong) {
  // Every kind of line end; a final one starts no further row.
  EXPECT_EQ(ui::PrintRows(L"one\r\ntwo\nthree\rfour\r\n", Columns(10)), (Rows{L"one", L"two", L"three", L"four"}));
  EXPECT_EQ(ui::PrintRows(L"", Columns(10)), (Rows{L""}));
  EXPECT_EQ(ui::PrintRows(L"a\r\n\r\n\r\nb", Columns(10)), (Rows{L"a", L"", L"", L"b"}));
  // Broken after the last blank that fits, the next row from its first
  // non-blank; a blank just past the width still counts.
  EXPECT_EQ(ui::PrintRows(L"the quick brown fox", Columns(10)), (Rows{L"the quick", L"brown fox"}));
  EXPECT_EQ(ui::PrintRows(L"abcdefghij   klm", Columns(10)), (Rows{L"abcdefghij", L"klm"}));
  // A word wider than a row is cut at the width; a leading blank is no break.
  EXPECT_EQ(ui::PrintRows(L"abcdefghijklmnopqrstuvw x", Columns(10)), (Rows{L"abcdefghij", L"klmnopqrst", L"uvw x"}));
  EXPECT_EQ(ui::PrintRows(L" abcdefghijkl", Columns(10)), (Rows{L" abcdefghi", L"jkl"}));
  // Tabs become blanks up to the next eighth column before measuring.
  EXPECT_EQ(ui::PrintRows(L"a\tb\tc", Columns(40)), (Rows{L"a       b       c"}));
  EXPECT_EQ(ui::PrintRows(L"ab\tcdefgh", Columns(10)), (Rows{L"ab     ", L"cdefgh"}));
  // A printer where not even one character fits still moves on, one a row.
  EXPECT_EQ(ui::PrintRows(L"abc", Columns(0)), (Rows{L"a", L"b", L"c"}));
  // Any script: measured in characters, never cut between a surrogate
  // pair's halves (an emoji is one such pair).
  EXPECT_EQ(ui::PrintRows(L"\x41F\x440\x438\x432\x435\x442 \x43C\x438\x440", Columns(8)),
            (Rows{L"\x41F\x440\x438\x432\x435\x442", L"\x43C\x438\x440"}));
  const std::wstring smile = L"\xD83D\xDE00";
  EXPECT_EQ(ui::PrintRows(L"ab" + smile + L"cd", Columns(3)), (Rows{L"ab", smile + L"c", L"d"}));
  EXPECT_EQ(ui::PrintRows(smile + smile, Columns(1)), (Rows{smile, smile}));
}

}  // namespace
