// Which text a window shows for bytes read from a file.
#include "files/oldtext.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr unsigned kUtf8 = 65001, kWestern = 1252;

TEST(OldText, UnderUtf8ValidTextIsKeptAndAnythingElseReadsAsWindows1252) {
  // Valid UTF-8, kept byte for byte: every script, an emoji, the last code
  // point, a byte order mark, nothing at all.
  for (const std::string valid :
       {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA"
        "\xCE\xAC, \xE4\xB8\x96\xE7\x95\x8C, \xF0\x9F\x98\x80",
        "plain\r\nASCII", "\xF4\x8F\xBF\xBF",
        "\xEF\xBB\xBF"
        "caf\xC3\xA9",
        ""}) {
    EXPECT_TRUE(IsUtf8(valid)) << valid;
    EXPECT_EQ(TextForWindow(valid, kUtf8), valid);
  }
  // Not UTF-8: overlong forms, a surrogate, past U+10FFFF, bytes that never
  // start a sequence, a stray continuation byte, a sequence cut at the end.
  for (const std::string invalid : {"\xC0\xAF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                    "\xF5\x80\x80\x80", "\xFF", "a\x80", "\xD0", "\xE4\xB8", "\xE4\x41\x96"}) {
    EXPECT_FALSE(IsUtf8(invalid)) << testing::PrintToString(invalid);
  }
  // An old Latin-1 letter reads right; the whole text is taken as
  // Windows-1252 when any of it is not UTF-8, including 0x80 to 0x9F and the
  // five bytes the code page leaves unassigned.
  EXPECT_EQ(TextForWindow("caf\xE9", kUtf8), "caf\xC3\xA9");
  EXPECT_EQ(TextForWindow("\x93Na\xEFve\x94 \x80"
                          "5 \x85 \x9F\xFF",
                          kUtf8),
            "\xE2\x80\x9CNa\xC3\xAFve\xE2\x80\x9D \xE2\x82\xAC"
            "5 \xE2\x80\xA6 \xC5\xB8\xC3\xBF");
  EXPECT_EQ(Windows1252ToUtf8("\x81\x8D\x8F\x90\x9D\xA0"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\xC2\xA0");
  EXPECT_EQ(TextForWindow("\xC3\xA9t\xE9", kUtf8), "\xC3\x83\xC2\xA9t\xC3\xA9");
  // Where the process code page is not UTF-8 the bytes are the code page's
  // own: untouched.
  EXPECT_EQ(TextForWindow("caf\xE9 \x80", kWestern), "caf\xE9 \x80");
  EXPECT_EQ(TextForWindow("caf\xC3\xA9", kWestern), "caf\xC3\xA9");
}

}  // namespace
