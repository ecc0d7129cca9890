// The message parser and builder on the host, on messages made at test time by
// Python's email library, gpg and mutt (make-messages.sh, folder in
// SW_MESSAGES), and on hostile input.
#include "standins/maildir-mapi/mime.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <new>

#include "standins/bridge/files.h"
#include "standins/maildir-mapi/compose.h"
#include "standins/maildir-mapi/store.h"

// The heap this test program holds at its peak, so that a case can see how
// much a parse takes beyond its input.
namespace heap {
std::atomic<size_t> live{0}, peak{0};
constexpr size_t kHeader = alignof(std::max_align_t);
size_t PeakSince(size_t base) { return peak - std::min<size_t>(base, peak); }
size_t Reset() { return peak = live.load(); }
}  // namespace heap

void* operator new(size_t n) {
  auto* p = static_cast<char*>(std::malloc(n + heap::kHeader));
  if (!p) throw std::bad_alloc();
  *reinterpret_cast<size_t*>(p) = n;
  size_t now = heap::live += n, seen = heap::peak;
  while (now > seen && !heap::peak.compare_exchange_weak(seen, now)) {
  }
  return p + heap::kHeader;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  char* block = static_cast<char*>(p) - heap::kHeader;
  heap::live -= *reinterpret_cast<size_t*>(block);
  std::free(block);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

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
  EXPECT_EQ(checked, 8);

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
  // A 10 MB header line is cut before decoding; bad base64 and a NUL byte.
  std::string big = "Subject: " + std::string(10 << 20, 'a') + "\nFrom: x@y\n\nbody";
  ParsedMessage cut = ParseMessage(big, nullptr);
  EXPECT_EQ(cut.text, "body");
  EXPECT_LT(cut.subject.size(), 64u << 10);
  // Cut where the cap falls, without half a character.
  for (size_t as : {16381u, 16382u}) {
    std::string capped = ParseMessage("Subject: " + std::string(as, 'a') + "\xC3\xA9\xC3\xA9\n\n", nullptr).subject;
    EXPECT_EQ(capped.size(), as + (as == 16381 ? 2 : 0));
    EXPECT_EQ(capped.substr(as - 1), as == 16381 ? "a\xC3\xA9" : "a");
  }
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
  // Many encoded-word starts without an end, in a subject and in 8 MiB of
  // value: the scan stays linear (about a second each under the sanitizers;
  // a scan that went back over the value would take hours).
  std::string words = "Subject: ";
  for (int i = 0; i < 200000; ++i) words += "=?utf-8?q?x";
  EXPECT_FALSE(ParseMessage(words + "\n\n", nullptr).subject.empty());
  for (std::string unit : {"=?a?b?c", "=?=?=?", "=?utf-8?q?x"}) {
    std::string value;
    while (value.size() < (8u << 20)) value += unit;
    auto t = std::chrono::steady_clock::now();
    EXPECT_TRUE(DecodeEncodedWords(value, nullptr) == value);
    EXPECT_LT(std::chrono::steady_clock::now() - t, std::chrono::seconds(15)) << unit;
  }
  // Unknown charsets keep ASCII and mark every other byte.
  EXPECT_EQ(DecodeEncodedWords("=?x-unknown?q?a=E9b?= =?utf-8?b?w6k=?=", nullptr),
            "a\xEF\xBF\xBD"
            "b\xC3\xA9");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

// 32 nested messages around 8 MiB of text: as plain parts they are read in
// place (no copy per level), and as quoted-printable parts the decoding
// stops at its budget of twice the message instead of decoding every level.
TEST(MimeParse, NestedMessagesCostOneCopyAtMost) {
  constexpr size_t size = 8 << 20;
  auto nest = [](const std::string& encoding) {
    std::string m;
    for (int i = 0; i < 32; ++i) m += "Content-Type: message/rfc822\n" + encoding + "\n";
    m += "Content-Type: text/plain\n\n";
    std::string line = std::string(75, 'x') + "\n";
    m.reserve(size + line.size());
    while (m.size() < size) m += line;
    return m;
  };
  const std::string plain = nest("");
  size_t base = heap::Reset();
  EXPECT_EQ(ParseMessage(plain, nullptr).text.size(), plain.size() - plain.find("xxx"));
  EXPECT_LT(heap::PeakSince(base), 2 * size);

  const std::string encoded = nest("Content-Transfer-Encoding: quoted-printable\n");
  base = heap::Reset();
  EXPECT_TRUE(ParseMessage(encoded, nullptr).text.empty());
  EXPECT_LT(heap::PeakSince(base), 3 * size);
}

// Charsets as they reach a reader: RFC 2047 words in UTF-8 (CJK, Cyrillic),
// ISO-8859-x and Windows code pages through the platform's decoder, and
// 8-bit text that names no charset, read as UTF-8 when it is that and as
// Windows-1252 otherwise.
TEST(MimeParse, CharsetsOfHeadersAndBodies) {
  ParsedMessage m = ParseMessage(
      "From: =?UTF-8?B?0JDQu9C40YHQsCDQn9GA0LjQvNC10YA=?= <alice@example.ru>\n"
      "Subject: =?UTF-8?B?5bGx55Sw5aSq6YOO44Gu6Y2144Gn?= =?utf-8?q?_=E4=B8=96=E7=95=8C?=\n\nbody\n",
      Iconv);
  EXPECT_EQ(m.fromName, "Алиса Пример");
  EXPECT_EQ(m.subject, "山田太郎の鍵で 世界");
  EXPECT_EQ(ParseMessage("Subject: =?windows-1251?q?=CF=F0=E8=E2=E5=F2?=\n\n", Iconv).subject, "Привет");
  EXPECT_EQ(ParseMessage("Subject: =?iso-8859-7?q?=C5=EB=EB=E7=ED=E9=EA=DC?=\n\n", Iconv).subject, "Ελληνικά");
  EXPECT_EQ(ParseMessage("From: Ren\xE9 <r@x>\n\ncaf\xE9 \x80 \x93ok\x94\n", Iconv).text, "café € “ok”\n");
  EXPECT_EQ(ParseMessage("From: Ren\xE9 <r@x>\n\ncaf\xE9\n", Iconv).fromName, "René");
  EXPECT_EQ(ParseMessage("Content-Type: text/plain; charset=us-ascii\n\nna\xC3\xAFve\n", Iconv).text, "naïve\n");
  // Declared UTF-8 stays UTF-8: a bad byte is marked, not reread.
  EXPECT_EQ(ParseMessage("Content-Type: text/plain; charset=utf-8\n\nna\xEFve\n", Iconv).text, "na\xEF\xBF\xBDve\n");
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
  // The sender's address (its domain ends the message ID) with or without a name.
  EXPECT_EQ(AddressOf("Name <a@b.example>"), "a@b.example");
  EXPECT_EQ(AddressOf(" a@b.example "), "a@b.example");
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
