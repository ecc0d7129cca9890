#include "standins/scriptpgp/scriptmsg.h"

#include <gtest/gtest.h>

using scriptpgp::FormatScriptMessage;
using scriptpgp::ParseScriptMessage;
using scriptpgp::ScriptMessage;

namespace {

std::string AllByteValues() {
  std::string s;
  for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
  return s;
}

void ExpectRoundTrip(const ScriptMessage& m) {
  const auto back = ParseScriptMessage(FormatScriptMessage(m));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->plainBytes, m.plainBytes);
  EXPECT_EQ(back->recipients, m.recipients);
  EXPECT_EQ(back->signer, m.signer);
}

}  // namespace

TEST(ScriptMessage, RoundTripsArbitraryBytes) {
  ExpectRoundTrip({AllByteValues(), {"Alice <a@x>"}, ""});
  ExpectRoundTrip({std::string("\0\r\n\r\n\0\xff\x80", 8), {"A", "B"}, "Carol Example"});
  ExpectRoundTrip({"", {"Alice"}, ""});
  // Around the 32-byte line boundary.
  for (std::size_t n : {31u, 32u, 33u, 64u, 65u}) ExpectRoundTrip({std::string(n, '\x7f'), {"A"}, "S"});
}

TEST(ScriptMessage, RecipientsAndSignerKeepSeparatorsAndLineBreaks) {
  ExpectRoundTrip({"x", {"semi;colon", "per%cent", "two\r\nlines"}, "sig;ner%"});
}

TEST(ScriptMessage, ExactLayout) {
  std::string line;
  for (int i = 0; i < 32; ++i) line += "41";
  EXPECT_EQ(FormatScriptMessage({std::string(33, 'A'), {"Alice", "Bob"}, ""}),
            "-----BEGIN PGP MESSAGE-----\r\n"
            "Version: scripted\r\n"
            "Recipients: Alice;Bob\r\n"
            "Signer: \r\n" +
                line + "\r\n41\r\n-----END PGP MESSAGE-----\r\n");
}

TEST(ScriptMessage, FoundAfterOtherTextAndWithBareLineFeeds) {
  std::string block = FormatScriptMessage({"hello\n", {"Alice"}, "Bob"});
  std::string lf;
  for (char c : block)
    if (c != '\r') lf += c;
  for (const std::string& text : {"Subject: hi\r\n\r\nsome text\r\n" + block, "x\n" + lf + "trailer\n"}) {
    const auto m = ParseScriptMessage(text);
    ASSERT_TRUE(m.has_value()) << text;
    EXPECT_EQ(m->plainBytes, "hello\n");
    EXPECT_EQ(m->recipients, std::vector<std::string>{"Alice"});
    EXPECT_EQ(m->signer, "Bob");
  }
}

TEST(ScriptMessage, RejectsMissingOrDamagedBlocks) {
  const std::string good = FormatScriptMessage({"abc", {"Alice"}, ""});
  EXPECT_FALSE(ParseScriptMessage(""));
  EXPECT_FALSE(ParseScriptMessage("plain text, no block\r\n"));
  EXPECT_FALSE(ParseScriptMessage("-----begin pgp message-----\r\n" + good.substr(good.find('\n') + 1)));
  EXPECT_FALSE(ParseScriptMessage(good.substr(0, good.find("-----END"))));  // cut off
  std::string odd = good;
  odd.replace(odd.find("616263"), 6, "61626");
  EXPECT_FALSE(ParseScriptMessage(odd));
  std::string notHex = good;
  notHex.replace(notHex.find("616263"), 6, "61zz63");
  EXPECT_FALSE(ParseScriptMessage(notHex));
}
