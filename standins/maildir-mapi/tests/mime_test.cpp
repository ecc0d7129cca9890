// The message parser and builder on the host, on messages made at test time by
// Python's email library, gpg and mutt (make-messages.sh, folder in
// SW_MESSAGES), and on hostile input.
#include "standins/maildir-mapi/mime.h"

#include <iconv.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "standins/bridge/files.h"
#include "standins/maildir-mapi/compose.h"
#include "standins/maildir-mapi/store.h"

namespace maildir {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> Iconv(std::string_view charset, std::string_view bytes) {
  iconv_t cd = iconv_open("UTF-8", std::string(charset).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string in(bytes), out(bytes.size() * 4 + 4, '\0');
  char* ip = in.data();
  char* op = out.data();
  size_t il = in.size(), ol = out.size();
  size_t r = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return std::nullopt;
  out.resize(out.size() - ol);
  return out;
}

std::string Slurp(const fs::path& p) { return bridge::ReadWholeFile(p.string()).value_or(""); }

fs::path Messages() {
  const char* dir = std::getenv("SW_MESSAGES");
  return dir ? fs::path(dir) : fs::path();
}

TEST(MimeParse, MessagesMadeByRealTools) {
  ASSERT_FALSE(Messages().empty()) << "SW_MESSAGES names the folder make-messages.sh filled";
  int checked = 0;
  for (const auto& e : fs::directory_iterator(Messages())) {
    if (e.path().extension() != ".eml") continue;
    std::string expect = Slurp(fs::path(e.path()).replace_extension(".expect"));
    size_t a = expect.find('\0'), b = expect.find('\0', a + 1);
    ParsedMessage m = ParseMessage(Slurp(e.path()), Iconv);
    SCOPED_TRACE(e.path().filename().string());
    EXPECT_EQ(m.fromName, expect.substr(0, a));
    EXPECT_EQ(m.subject, expect.substr(a + 1, b - a - 1));
    EXPECT_EQ(m.text, expect.substr(b + 1));
    ++checked;
  }
  EXPECT_EQ(checked, 7);

  // mutt: 8-bit ISO-8859-1 body, encoded subject, the key as a second part.
  const fs::path box = Messages() / "mutt-maildir" / "new";
  ASSERT_TRUE(fs::exists(box));
  const fs::path sent = fs::directory_iterator(box)->path();
  ParsedMessage m = ParseMessage(Slurp(sent), Iconv);
  EXPECT_EQ(m.fromName, "Mutt User");
  EXPECT_EQ(m.fromAddress, "mutt@example.org");
  EXPECT_EQ(m.subject, "Grüße from mutt");
  EXPECT_EQ(m.text, "Hallo, here is the key: Grüße.\n");
}

TEST(MimeParse, HostileInputStaysBestEffortAndBounded) {
  auto start = std::chrono::steady_clock::now();
  // A 10 MB header line, bad base64 and a NUL byte.
  std::string big = "Subject: " + std::string(10 << 20, 'a') + "\nFrom: x@y\n\nbody";
  EXPECT_EQ(ParseMessage(big, nullptr).text, "body");
  EXPECT_EQ(ParseMessage("Content-Transfer-Encoding: base64\n\n!!aGk=*=garbage", nullptr).text, "hi");
  EXPECT_EQ(ParseMessage(std::string("Subject: a\0b\n\nx\0y", 17), nullptr).text, "x\xEF\xBF\xBDy");
  // Missing and unclosed boundaries, and nesting deeper than any reader makes.
  EXPECT_EQ(ParseMessage("Content-Type: multipart/mixed\n\n--x\nhello", nullptr).text, "--x\nhello");
  EXPECT_EQ(ParseMessage("Content-Type: multipart/mixed; boundary=b\n\n--b\n\nopen part", nullptr).text, "open part");
  std::string nested;
  for (int i = 0; i < 20000; ++i) {
    std::string b = "b" + std::to_string(i);
    nested += "Content-Type: multipart/mixed; boundary=" + b + "\n\n--" + b + "\n";
  }
  EXPECT_EQ(ParseMessage(nested, nullptr).text, "");
  // Many encoded-word starts without an end.
  std::string words = "Subject: ";
  for (int i = 0; i < 200000; ++i) words += "=?utf-8?q?x";
  EXPECT_FALSE(ParseMessage(words + "\n\n", nullptr).subject.empty());
  // Unknown charsets keep ASCII and mark every other byte.
  EXPECT_EQ(DecodeEncodedWords("=?x-unknown?q?a=E9b?= =?utf-8?b?w6k=?=", nullptr),
            "a\xEF\xBF\xBD"
            "b\xC3\xA9");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST(MimeBuild, RoundTripsAndRefusesHeaderInjection) {
  OutgoingMessage o{.from = "Me <me@example.org>",
                    .to = "Ann <ann@example.org>; bob@example.org",
                    .cc = "\"Doe, Carl\" <carl@example.org>",
                    .subject = "Grüße " + std::string(120, 's'),
                    .note = "=line one\n.\nFrom here\n" + std::string(200, 'n') + " \n",
                    .attachments = {{"PGPDOC.TXT", "-----BEGIN PGP MESSAGE-----\r\nabc\r\n", ""}},
                    .date = FormatRfc5322Date(0, 90),
                    .messageId = "1.2@example.org",
                    .boundary = "=_b1"};
  BuiltMessage b = BuildMessage(o);
  ASSERT_EQ(b.error, "");
  EXPECT_NE(b.text.find("To: Ann <ann@example.org>,\n bob@example.org\n"), std::string::npos);
  EXPECT_NE(b.text.find("Cc: \"Doe, Carl\" <carl@example.org>\n"), std::string::npos);
  EXPECT_NE(b.text.find("Date: Thu, 1 Jan 1970 01:30:00 +0130\n"), std::string::npos);
  EXPECT_NE(b.text.find("filename=\"PGPDOC.TXT\""), std::string::npos);
  for (size_t pos = 0, end; pos < b.text.size(); pos = end + 1) {
    end = b.text.find('\n', pos);
    EXPECT_LE(end - pos, 78u) << b.text.substr(pos, end - pos);
  }
  ParsedMessage back = ParseMessage(b.text, Iconv);
  EXPECT_EQ(back.subject, o.subject);
  EXPECT_EQ(back.text, o.note);
  EXPECT_EQ(back.fromName, "Me");

  for (std::string OutgoingMessage::*field : {&OutgoingMessage::to, &OutgoingMessage::cc, &OutgoingMessage::subject}) {
    OutgoingMessage bad = o;
    bad.*field += "\r\nBcc: victim@example.org";
    BuiltMessage refused = BuildMessage(bad);
    EXPECT_NE(refused.error, "");
    EXPECT_EQ(refused.text, "");
  }
  OutgoingMessage none = o;
  none.to = " ; ";
  EXPECT_NE(BuildMessage(none).error, "");
}

TEST(MaildirNames, FlagsAndDeliveryOrder) {
  FileName n = SplitFileName("1700000000.M20P7.host:2,ST");
  EXPECT_EQ(n.base, "1700000000.M20P7.host");
  EXPECT_EQ(n.flags, "ST");
  EXPECT_EQ(AddFlag("SF", 'R'), "FRS");
  EXPECT_EQ(AddFlag("S", 'S'), "S");
  EXPECT_LT(KeyOf("999999999.M1.h"), KeyOf("1700000000.M1.h"));  // numeric, not lexical
  EXPECT_LT(KeyOf("1700000000.M9P1.h"), KeyOf("1700000000.M10P1.h"));
  EXPECT_LT(KeyOf("1700000000.M10P1.h"), KeyOf("odd-name"));
  EXPECT_FALSE(UsableIdentifier("..\\..\\x"));
  EXPECT_FALSE(UsableIdentifier(".Trash"));
  EXPECT_FALSE(UsableIdentifier(std::string(300, 'a')));
}

}  // namespace
}  // namespace maildir
