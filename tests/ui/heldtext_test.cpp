// A text too big for the text window's control: what the program holds, what
// the control shows of it, and finding in it.
#include "ui/heldtext.h"

#include <gtest/gtest.h>

namespace {

TEST(HeldText, LineEndsAsTheControlGivesThemBackAndTheShownPartEndsAtALineEnd) {
  EXPECT_EQ(ui::WithControlLineEnds("a\r\nb\nc\rd\n\ne\r"), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
  EXPECT_EQ(ui::WithControlLineEnds("\n\r"), "\r\n\r\n");
  // A text with CR LF throughout, and one without line ends, come back as they are.
  EXPECT_EQ(ui::WithControlLineEnds("x\r\ny\r\n"), "x\r\ny\r\n");
  EXPECT_EQ(ui::WithControlLineEnds(std::string("no\0end", 6)), std::string("no\0end", 6));

  EXPECT_EQ(ui::ShownLength("short", 10), 5u);
  EXPECT_EQ(ui::ShownLength("0123456789", 10), 10u);
  // Up to and with the last line end within the limit, never half of CR LF.
  EXPECT_EQ(ui::ShownLength("ab\r\ncd\r\nefgh", 9), 8u);
  EXPECT_EQ(ui::ShownLength("ab\r\ncdef\r\ngh", 9), 4u);
  // One long line is cut at the limit, but not inside a UTF-8 character.
  EXPECT_EQ(ui::ShownLength("abcdefghijkl", 5), 5u);
  EXPECT_EQ(ui::ShownLength("abcd\xE2\x82\xAC"
                            "efgh",
                            5),
            4u);
  EXPECT_EQ(ui::ShownLength("abcd\xE2\x82\xAC"
                            "efgh",
                            6),
            4u);
  EXPECT_EQ(ui::ShownLength("abcd\xE2\x82\xAC"
                            "efgh",
                            7),
            7u);

  // What fills before the window paints: whole lines, never past the view.
  EXPECT_EQ(ui::FirstLinesLength("a\r\nbb\r\nccc\r\n", 2, 100), 7u);
  EXPECT_EQ(ui::FirstLinesLength("a\r\nbb\r\nccc\r\n", 9, 100), 12u);
  EXPECT_EQ(ui::FirstLinesLength("a\r\nbb\r\nccc\r\n", 9, 8), 7u);
  EXPECT_EQ(ui::FirstLinesLength("a\r\nbb\r\nccc", 9, 100), 10u);
}

TEST(HeldText, FindingIgnoresTheCaseOfAsciiLettersOnly) {
  const std::string text = "Forwarded:\r\n-----begin PGP Message-----\r\n\xC9t\xE9";
  EXPECT_EQ(ui::FindAsciiNoCase(text, "BEGIN PGP MESSAGE"), 17u);
  EXPECT_EQ(ui::FindAsciiNoCase(text, "forwarded"), 0u);
  EXPECT_EQ(ui::FindAsciiNoCase(text, "END PGP"), std::string::npos);
  EXPECT_EQ(ui::FindAsciiNoCase(text, "\xC9t\xE9"), text.size() - 3);
  EXPECT_EQ(ui::FindAsciiNoCase(text, "\xE9t\xE9"), std::string::npos);
  EXPECT_EQ(ui::FindAsciiNoCase("", "x"), std::string::npos);

  EXPECT_EQ(ui::HeldTextNotice(32700, 10'000'000),
            "Read-only view of the first 32 of 9766 KB; commands use the whole text");
}

}  // namespace
