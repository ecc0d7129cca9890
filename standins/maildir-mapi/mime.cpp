#include "standins/maildir-mapi/mime.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "standins/maildir-mapi/mimetext.h"

namespace maildir {

namespace {

using mimetext::IsSpace;
using mimetext::kBase64;
using mimetext::Lower;
using mimetext::Trim;
using mimetext::Unquote;

// Deeper nesting than any mail reader produces is treated as hostile.
constexpr int kMaxDepth = 32;
// A header value is cut here before it is unfolded further or decoded: far
// above any subject or sender a writer makes, and it keeps a hostile one
// from costing time and memory.
constexpr size_t kMaxHeaderValue = 16 << 10;

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

constexpr uint32_t kReplacement = 0xFFFD;

// The length of the well-formed UTF-8 sequence at `i`, 0 when there is none.
size_t SequenceAt(std::string_view s, size_t i) {
  auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) return 1;
  size_t len = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  uint32_t cp = len == 4 ? b & 0x07 : len == 3 ? b & 0x0F : b & 0x1F;
  for (size_t k = 1; k < len; ++k) {
    auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
    return 0;
  return len;
}

// Plain ASCII other than NUL from `i` on: copied as it is, in one piece.
size_t AsciiRunEnd(std::string_view s, size_t i) {
  while (i < s.size() && static_cast<unsigned char>(s[i]) - 1u < 0x7Fu) ++i;
  return i;
}

// Well-formed UTF-8 is kept and NUL becomes U+FFFD; every byte of a bad
// sequence becomes U+FFFD too, or, when `strict`, ends it all: nothing.
std::optional<std::string> Utf8Text(std::string_view s, bool strict) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    size_t run = AsciiRunEnd(s, i);
    out.append(s.substr(i, run - i));
    if ((i = run) == s.size()) break;
    size_t len = s[i] == '\0' ? 1 : SequenceAt(s, i);
    if (len == 0 && strict) return std::nullopt;
    if (len == 0 || s[i] == '\0') {
      AppendUtf8(out, kReplacement);
      ++i;
    } else {
      out.append(s.substr(i, len));
      i += len;
    }
  }
  return out;
}

std::string CleanUtf8(std::string_view s) { return *Utf8Text(s, false); }

// Windows-1252, what unlabelled 8-bit mail is written in; its five unused
// bytes and NUL become U+FFFD.
std::string FromWindows1252(std::string_view s) {
  static constexpr uint16_t kHigh[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                         0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  out.reserve(s.size() + s.size() / 8);
  for (char c : s) {
    auto b = static_cast<unsigned char>(c);
    AppendUtf8(out, b == 0 ? kReplacement : b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
  }
  return out;
}

// Text that names no charset: UTF-8 when it is that, else Windows-1252.
std::string Unlabelled(std::string_view s) {
  std::optional<std::string> utf8 = Utf8Text(s, true);
  return utf8 ? std::move(*utf8) : FromWindows1252(s);
}

// Next line of `s` from `pos` without its line end; `pos` moves past it.
std::string_view NextLine(std::string_view s, size_t& pos) {
  size_t end = s.find('\n', pos);
  size_t next = end == std::string_view::npos ? s.size() : end + 1;
  std::string_view line = s.substr(pos, (end == std::string_view::npos ? s.size() : end) - pos);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  pos = next;
  return line;
}

// Appends a piece of a header value, up to the cap.
void AppendCapped(std::string& value, std::string_view piece) {
  if (value.size() < kMaxHeaderValue) value.append(piece.substr(0, kMaxHeaderValue - value.size()));
}

// A value cut at the cap loses the UTF-8 sequence the cut went through.
void DropCutSequence(std::string& value) {
  if (value.size() < kMaxHeaderValue) return;
  size_t i = value.size() - 1;
  while (i > 0 && value.size() - i < 4 && (static_cast<unsigned char>(value[i]) & 0xC0) == 0x80) --i;
  if (SequenceAt(value, i) == 0 && static_cast<unsigned char>(value[i]) >= 0xC0) value.resize(i);
}

// A message or body part: its header lines as written and the body after
// them, both views into the message.
struct Entity {
  std::string_view header;
  std::string_view body;

  // The first field of that name, unfolded, trimmed and capped.
  std::string Get(std::string_view name) const {
    std::string value;
    bool matching = false;
    size_t pos = 0;
    while (pos < header.size()) {
      std::string_view line = NextLine(header, pos);
      if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
        if (matching) AppendCapped(value, line);
        continue;
      }
      if (matching) break;
      size_t colon = line.find(':');
      matching = colon != std::string_view::npos && colon > 0 &&
                 line.substr(0, colon).find(' ') == std::string_view::npos && EqualNoCase(line.substr(0, colon), name);
      if (matching) AppendCapped(value, line.substr(colon + 1));
    }
    DropCutSequence(value);
    return std::string(Trim(value));
  }
};

Entity SplitEntity(std::string_view raw) {
  size_t pos = 0;
  while (pos < raw.size()) {
    size_t start = pos;
    if (NextLine(raw, pos).empty()) return {raw.substr(0, start), raw.substr(pos)};
  }
  return {raw, {}};  // no blank line: headers only
}

struct ContentType {
  std::string type = "text/plain";
  std::vector<std::pair<std::string, std::string>> params;

  std::string Param(std::string_view name) const {
    for (const auto& [n, v] : params)
      if (n == name) return v;
    return {};
  }
};

ContentType ParseContentType(std::string_view value) {
  ContentType ct;
  size_t semi = value.find(';');
  std::string type = LowerCase(Trim(value.substr(0, semi)));
  if (type.find('/') != std::string::npos) ct.type = type;
  size_t pos = semi == std::string_view::npos ? value.size() : semi + 1;
  while (pos < value.size()) {
    size_t eq = value.find('=', pos);
    if (eq == std::string_view::npos) break;
    std::string name = LowerCase(Trim(value.substr(pos, eq - pos)));
    pos = eq + 1;
    while (pos < value.size() && IsSpace(value[pos])) ++pos;
    std::string v;
    if (pos < value.size() && value[pos] == '"') {
      for (++pos; pos < value.size() && value[pos] != '"'; ++pos) {
        if (value[pos] == '\\' && pos + 1 < value.size()) ++pos;
        v += value[pos];
      }
      size_t next = value.find(';', pos);
      pos = next == std::string_view::npos ? value.size() : next + 1;
    } else {
      size_t next = value.find(';', pos);
      v = std::string(Trim(value.substr(pos, next == std::string_view::npos ? std::string_view::npos : next - pos)));
      pos = next == std::string_view::npos ? value.size() : next + 1;
    }
    ct.params.emplace_back(std::move(name), std::move(v));
  }
  return ct;
}

ContentType TypeOf(const Entity& e) { return ParseContentType(e.Get("Content-Type")); }

bool IsNested(const ContentType& ct) { return ct.type.starts_with("multipart/") || ct.type == "message/rfc822"; }

// The parts of a multipart body, one at a time: the text between delimiter
// lines, each without the line break that belongs to the next delimiter. A
// missing close delimiter ends the last part at the end of the body.
class PartReader {
 public:
  PartReader(std::string_view body, std::string_view boundary)
      : body_(body), delimiter_("--" + std::string(boundary)) {}

  // The next part; false after the last.
  bool Next(Entity& part) {
    while (!done_ && pos_ < body_.size()) {
      size_t lineStart = pos_;
      std::string_view line = NextLine(body_, pos_);
      if (!line.starts_with(delimiter_)) continue;
      std::string_view rest = line.substr(delimiter_.size());
      bool close = rest.starts_with("--");
      if (!close && !Trim(rest).empty()) continue;
      size_t begin = start_;
      start_ = pos_;
      done_ = close;
      if (begin == std::string_view::npos) continue;
      size_t end = lineStart;
      if (end > begin && body_[end - 1] == '\n') --end;
      if (end > begin && body_[end - 1] == '\r') --end;
      part = SplitEntity(body_.substr(begin, end - begin));
      return true;
    }
    if (done_ || start_ == std::string_view::npos || start_ >= body_.size()) return false;
    part = SplitEntity(body_.substr(start_));
    done_ = true;
    return true;
  }

 private:
  std::string_view body_;
  std::string delimiter_;
  size_t pos_ = 0;
  size_t start_ = std::string_view::npos;  // where the current part begins
  bool done_ = false;
};

// A body without its transfer encoding: a view into the message when it has
// none, else the decoded bytes, owned.
class Body {
 public:
  explicit Body(std::string_view raw) : raw_(raw) {}
  explicit Body(std::string decoded) : decoded_(std::move(decoded)) {}
  std::string_view view() const { return decoded_ ? std::string_view(*decoded_) : raw_; }

 private:
  std::string_view raw_;
  std::optional<std::string> decoded_;
};

// Chooses the text a reader shows and decodes it. Transfer decoding is paid
// from a budget of the message's size twice over: parts nested inside
// encoded parts cannot make it decode the same bytes again and again.
class TextChooser {
 public:
  TextChooser(const CharsetDecoder& decode, size_t budget) : decode_(decode), budget_(budget) {}

  // The text a reader shows for the entity, or nothing when it has none.
  std::optional<std::string> Choose(const Entity& e, int depth) {
    if (depth > kMaxDepth) return std::nullopt;
    ContentType ct = TypeOf(e);
    if (ct.type.starts_with("multipart/")) return ChooseMultipart(e, ct, depth);
    if (ct.type == "message/rfc822") {
      std::optional<Body> inner = Decoded(e);
      if (!inner) return std::nullopt;
      return Choose(SplitEntity(inner->view()), depth + 1);
    }
    if (ct.type.starts_with("text/")) return Text(e, ct.Param("charset"));
    return std::nullopt;
  }

 private:
  std::optional<Body> Decoded(const Entity& e) {
    std::string cte = LowerCase(e.Get("Content-Transfer-Encoding"));
    const bool base64 = cte == "base64";
    if (!base64 && cte != "quoted-printable") return Body(e.body);
    if (e.body.size() > budget_) {
      budget_ = 0;
      return std::nullopt;
    }
    budget_ -= e.body.size();
    return Body(base64 ? DecodeBase64(e.body) : DecodeQuotedPrintable(e.body));
  }

  std::optional<std::string> Text(const Entity& e, std::string_view charset) {
    std::optional<Body> body = Decoded(e);
    if (!body) return std::nullopt;
    return ToUtf8(body->view(), charset, decode_);
  }

  std::optional<std::string> ChooseMultipart(const Entity& e, const ContentType& ct, int depth) {
    std::string boundary = ct.Param("boundary");
    // Without a boundary the parts cannot be told apart: the body as it is.
    if (boundary.empty()) return Unlabelled(e.body);
    // One pass finds the parts a reader prefers: PGP/MIME's armoured
    // application/octet-stream part, then plain text, then nested parts,
    // then any text. Each nested part is looked into at most once, so the
    // work stays linear in the size of the message at every depth.
    std::optional<Entity> armour, plain, text;
    bool nested = false;
    PartReader parts(e.body, boundary);
    for (Entity part; parts.Next(part);) {
      ContentType type = TypeOf(part);
      if (!armour && type.type == "application/octet-stream") armour = part;
      if (!plain && type.type == "text/plain") plain = part;
      if (!text && type.type.starts_with("text/")) text = part;
      nested = nested || IsNested(type);
    }
    if (ct.type == "multipart/encrypted" && armour) return Text(*armour, "us-ascii");
    if (plain) return Text(*plain, TypeOf(*plain).Param("charset"));
    if (nested) {
      PartReader again(e.body, boundary);
      for (Entity part; again.Next(part);) {
        if (!IsNested(TypeOf(part))) continue;
        if (auto found = Choose(part, depth + 1)) return found;
      }
    }
    if (text) return Text(*text, TypeOf(*text).Param("charset"));
    return std::nullopt;
  }

  const CharsetDecoder& decode_;
  size_t budget_;
};

// The end of a charset name or an encoded text: the next '?' or blank.
size_t WordPieceEnd(std::string_view s, size_t pos) {
  while (pos < s.size() && s[pos] != '?' && !IsSpace(s[pos])) ++pos;
  return pos;
}

constexpr auto kBase64Values = [] {
  std::array<int8_t, 256> v{};
  v.fill(-1);
  for (int i = 0; i < 64; ++i) v[static_cast<unsigned char>(kBase64[i])] = static_cast<int8_t>(i);
  return v;
}();

}  // namespace

unsigned CodePageOf(std::string_view charset) {
  std::string c = LowerCase(Trim(charset));
  if (c.starts_with("iso-8859-") || c.starts_with("iso8859-")) {
    int n = std::atoi(c.c_str() + c.find('-', 4) + 1);
    return n >= 1 && n <= 15 && n != 12 && n != 10 && n != 14 ? 28590 + n : 0;
  }
  if (c.starts_with("windows-125") && c.size() == 12 && c[11] >= '0' && c[11] <= '8') return 1250 + (c[11] - '0');
  if (c.starts_with("cp125") && c.size() == 6 && c[5] >= '0' && c[5] <= '8') return 1250 + (c[5] - '0');
  static const std::pair<const char*, unsigned> kNames[] = {
      {"utf-8", 65001},   {"utf8", 65001},   {"us-ascii", 20127},    {"ascii", 20127},   {"koi8-r", 20866},
      {"koi8-u", 21866},  {"gb2312", 936},   {"gbk", 936},           {"gb18030", 54936}, {"big5", 950},
      {"shift_jis", 932}, {"euc-jp", 20932}, {"iso-2022-jp", 50220}, {"euc-kr", 51949},  {"ks_c_5601-1987", 949},
      {"ibm850", 850},    {"cp850", 850},    {"ibm437", 437},        {"latin1", 28591},  {"utf-7", 65000}};
  for (const auto& [name, cp] : kNames)
    if (c == name) return cp;
  return 0;
}

std::string ToUtf8(std::string_view bytes, std::string_view charset, const CharsetDecoder& decode) {
  std::string c = LowerCase(Trim(charset));
  if (size_t star = c.find('*'); star != std::string::npos) c.resize(star);  // RFC 2231 language
  if (c.empty() || c == "us-ascii" || c == "ascii") return Unlabelled(bytes);
  if (c == "utf-8" || c == "utf8") return CleanUtf8(bytes);
  if (c == "iso-8859-1" || c == "latin1") {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char b : bytes) AppendUtf8(out, b == 0 ? kReplacement : static_cast<unsigned char>(b));
    return out;
  }
  if (decode) {
    if (std::optional<std::string> s = decode(c, bytes)) return CleanUtf8(*s);
  }
  // Unknown charset: ASCII stays, every other byte is marked.
  std::string out;
  for (char b : bytes) AppendUtf8(out, b == 0 || static_cast<unsigned char>(b) >= 0x80 ? kReplacement : b);
  return out;
}

std::string DecodeQuotedPrintable(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    size_t escape = s.find('=', i);
    out.append(s.substr(i, escape - i));
    if (escape == std::string_view::npos) break;
    i = escape;
    // Soft line break: "=" and blanks up to the line end.
    size_t j = i + 1;
    while (j < s.size() && (s[j] == ' ' || s[j] == '\t')) ++j;
    if (j < s.size() && (s[j] == '\n' || s[j] == '\r')) {
      if (s[j] == '\r' && j + 1 < s.size() && s[j + 1] == '\n') ++j;
      i = j;
      continue;
    }
    if (j == s.size()) break;
    int hi = i + 2 < s.size() ? HexValue(s[i + 1]) : -1;
    int lo = hi >= 0 ? HexValue(s[i + 2]) : -1;
    if (lo >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += '=';  // not an escape: kept as written
    }
  }
  return out;
}

std::string DecodeBase64(std::string_view s) {
  std::string out;
  out.reserve(s.size() / 4 * 3);
  uint32_t acc = 0;
  int bits = 0;
  for (char c : s) {
    if (c == '=') break;
    int v = kBase64Values[static_cast<unsigned char>(c)];
    if (v < 0) continue;  // line breaks and stray characters
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return out;
}

std::string DecodeEncodedWords(std::string_view value, const CharsetDecoder& decode) {
  // "=?charset?q?text?=" or "?b?": neither the charset nor the text holds a
  // '?' or a blank. A failed word is left at the first place it went wrong,
  // and the next is looked for from there on: no part of the value is read
  // more than twice, so a long value of broken words stays linear.
  std::string out;
  size_t written = 0;  // value before this is in `out`
  bool lastEncoded = false;
  size_t i = 0;
  while (true) {
    size_t start = value.find("=?", i);
    if (start == std::string_view::npos) break;
    i = start + 2;
    size_t q1 = WordPieceEnd(value, start + 2);
    if (q1 == start + 2 || q1 + 2 >= value.size() || value[q1] != '?' || value[q1 + 2] != '?') continue;
    size_t end = WordPieceEnd(value, q1 + 3);
    if (end + 1 >= value.size() || value[end] != '?' || value[end + 1] != '=') continue;
    std::string_view charset = value.substr(start + 2, q1 - start - 2);
    char enc = Lower(value[q1 + 1]);
    std::string_view text = value.substr(q1 + 3, end - q1 - 3);
    if (enc != 'q' && enc != 'b') continue;
    std::string bytes;
    if (enc == 'b') {
      bytes = DecodeBase64(text);
    } else {
      std::string t(text);
      std::replace(t.begin(), t.end(), '_', ' ');
      bytes = DecodeQuotedPrintable(t);
    }
    // Blanks between two encoded words are not part of the text.
    std::string_view between = value.substr(written, start - written);
    if (!(lastEncoded && Trim(between).empty())) out += Unlabelled(between);
    out += ToUtf8(bytes, charset, decode);
    lastEncoded = true;
    i = written = end + 2;
  }
  out += Unlabelled(value.substr(written));
  return out;
}

ParsedMessage ParseMessage(std::string_view raw, const CharsetDecoder& decode) {
  ParsedMessage m;
  Entity top = SplitEntity(raw);
  std::string from = top.Get("From");
  // The first address of the list: "Name <address>", "address (Name)" or "address".
  size_t lt = std::string::npos;
  bool quoted = false;
  for (size_t i = 0; i < from.size(); ++i) {
    if (from[i] == '\\' && quoted) {
      ++i;
    } else if (from[i] == '"') {
      quoted = !quoted;
    } else if (!quoted && from[i] == '<') {
      lt = i;
      break;
    }
  }
  if (lt != std::string::npos) {
    size_t gt = from.find('>', lt);
    m.fromAddress = std::string(Trim(from.substr(lt + 1, gt == std::string::npos ? std::string::npos : gt - lt - 1)));
    m.fromName = DecodeEncodedWords(Unquote(from.substr(0, lt)), decode);
  } else if (size_t paren = from.find('('); paren != std::string::npos) {
    size_t close = from.find(')', paren);
    m.fromAddress = std::string(Trim(from.substr(0, paren)));
    m.fromName = DecodeEncodedWords(
        Trim(from.substr(paren + 1, close == std::string::npos ? std::string::npos : close - paren - 1)), decode);
  } else {
    m.fromAddress = std::string(Trim(from));
  }
  m.fromAddress = Unlabelled(m.fromAddress);
  if (Trim(m.fromName).empty()) m.fromName = m.fromAddress;
  m.subject = DecodeEncodedWords(top.Get("Subject"), decode);
  std::optional<std::string> text = TextChooser(decode, 2 * raw.size()).Choose(top, 0);
  if (text) {
    // CR before a line feed goes, in place.
    std::string& t = *text;
    size_t w = 0;
    for (char c : t) {
      if (c == '\n')
        while (w > 0 && t[w - 1] == '\r') --w;
      t[w++] = c;
    }
    t.resize(w);
    m.text = std::move(t);
  }
  return m;
}

}  // namespace maildir
