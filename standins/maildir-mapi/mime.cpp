#include "standins/maildir-mapi/mime.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

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

// Well-formed UTF-8 is kept; every byte of a bad sequence and NUL become U+FFFD.
std::string CleanUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<unsigned char>(s[i]);
    if (b == 0) {
      AppendUtf8(out, kReplacement);
      ++i;
      continue;
    }
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    int len = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    uint32_t cp = len == 4 ? b & 0x07 : len == 3 ? b & 0x0F : b & 0x1F;
    bool ok = len > 0 && i + len <= s.size();
    for (int k = 1; ok && k < len; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (ok &&
        ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
      ok = false;
    if (!ok) {
      AppendUtf8(out, kReplacement);
      ++i;
      continue;
    }
    out.append(s.substr(i, len));
    i += len;
  }
  return out;
}

// One header field, unfolded.
struct Field {
  std::string name;
  std::string value;
};

// A message or body part: its header fields and the body after them.
struct Entity {
  std::vector<Field> fields;
  std::string_view body;

  std::string Get(std::string_view name) const {
    for (const Field& f : fields)
      if (EqualNoCase(f.name, name)) return std::string(Trim(f.value));
    return {};
  }
};

// Next line of `s` from `pos` without its line end; `pos` moves past it.
std::string_view NextLine(std::string_view s, size_t& pos) {
  size_t end = s.find('\n', pos);
  size_t next = end == std::string_view::npos ? s.size() : end + 1;
  std::string_view line = s.substr(pos, (end == std::string_view::npos ? s.size() : end) - pos);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  pos = next;
  return line;
}

Entity SplitEntity(std::string_view raw) {
  Entity e;
  size_t pos = 0;
  bool current = false;
  while (pos < raw.size()) {
    std::string_view line = NextLine(raw, pos);
    if (line.empty()) {
      e.body = raw.substr(pos);
      return e;
    }
    if ((line[0] == ' ' || line[0] == '\t') && current) {
      e.fields.back().value.append(line);
      continue;
    }
    size_t colon = line.find(':');
    current = colon != std::string_view::npos && colon > 0 && line.substr(0, colon).find(' ') == std::string_view::npos;
    if (current) e.fields.push_back({std::string(line.substr(0, colon)), std::string(line.substr(colon + 1))});
  }
  return e;  // no blank line: headers only
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

std::string DecodedBody(const Entity& e) {
  std::string cte = LowerCase(e.Get("Content-Transfer-Encoding"));
  if (cte == "base64") return DecodeBase64(e.body);
  if (cte == "quoted-printable") return DecodeQuotedPrintable(e.body);
  return std::string(e.body);
}

// The parts of a multipart body: the text between delimiter lines, each
// without the line break that belongs to the next delimiter. A missing close
// delimiter ends the last part at the end of the body.
std::vector<std::string_view> SplitMultipart(std::string_view body, std::string_view boundary) {
  std::vector<std::string_view> parts;
  const std::string delimiter = "--" + std::string(boundary);
  size_t pos = 0;
  size_t start = std::string_view::npos;
  while (pos < body.size()) {
    size_t lineStart = pos;
    std::string_view line = NextLine(body, pos);
    if (line.size() < delimiter.size() || line.compare(0, delimiter.size(), delimiter) != 0) continue;
    std::string_view rest = line.substr(delimiter.size());
    bool close = rest.size() >= 2 && rest[0] == '-' && rest[1] == '-';
    if (!close && !Trim(rest).empty()) continue;
    if (start != std::string_view::npos) {
      size_t end = lineStart;
      if (end > start && body[end - 1] == '\n') --end;
      if (end > start && body[end - 1] == '\r') --end;
      parts.push_back(body.substr(start, end - start));
    }
    if (close) return parts;
    start = pos;
  }
  if (start != std::string_view::npos && start < body.size()) parts.push_back(body.substr(start));
  return parts;
}

class TextChooser {
 public:
  explicit TextChooser(const CharsetDecoder& decode) : decode_(decode) {}

  // The text a reader shows for the entity, or nothing when it has none.
  std::optional<std::string> Choose(const Entity& e, int depth) {
    if (depth > kMaxDepth) return std::nullopt;
    ContentType ct = TypeOf(e);
    if (ct.type.starts_with("multipart/")) return ChooseMultipart(e, ct, depth);
    if (ct.type == "message/rfc822") return Choose(SplitEntity(DecodedBody(e)), depth + 1);
    if (ct.type.starts_with("text/")) return Text(e, ct);
    return std::nullopt;
  }

 private:
  std::string Text(const Entity& e, const ContentType& ct) {
    std::string charset = ct.Param("charset");
    return ToUtf8(DecodedBody(e), charset.empty() ? "us-ascii" : charset, decode_);
  }

  std::optional<std::string> ChooseMultipart(const Entity& e, const ContentType& ct, int depth) {
    std::string boundary = ct.Param("boundary");
    // Without a boundary the parts cannot be told apart: the body as it is.
    if (boundary.empty()) return ToUtf8(e.body, "us-ascii", decode_);
    std::vector<Entity> parts;
    for (std::string_view p : SplitMultipart(e.body, boundary)) parts.push_back(SplitEntity(p));
    std::vector<ContentType> types;
    for (const Entity& p : parts) types.push_back(TypeOf(p));
    // PGP/MIME: the armoured message is the application/octet-stream part.
    if (ct.type == "multipart/encrypted") {
      for (size_t i = 0; i < parts.size(); ++i)
        if (types[i].type == "application/octet-stream") return ToUtf8(DecodedBody(parts[i]), "us-ascii", decode_);
    }
    // Plain text first; each nested part is looked into at most once, so
    // the work stays linear in the size of the message at every depth.
    for (size_t i = 0; i < parts.size(); ++i)
      if (types[i].type == "text/plain") return Text(parts[i], types[i]);
    for (size_t i = 0; i < parts.size(); ++i) {
      if (!types[i].type.starts_with("multipart/") && types[i].type != "message/rfc822") continue;
      if (auto text = Choose(parts[i], depth + 1)) return text;
    }
    for (size_t i = 0; i < parts.size(); ++i)
      if (types[i].type.starts_with("text/")) return Text(parts[i], types[i]);
    return std::nullopt;
  }

  const CharsetDecoder& decode_;
};

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
  if (c.empty() || c == "utf-8" || c == "utf8" || c == "us-ascii" || c == "ascii") return CleanUtf8(bytes);
  if (c == "iso-8859-1" || c == "latin1") {
    std::string out;
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
    if (s[i] != '=') {
      out += s[i];
      continue;
    }
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
    const char* p = c ? std::char_traits<char>::find(kBase64, 64, c) : nullptr;
    if (!p) continue;  // line breaks and stray characters
    acc = (acc << 6) | static_cast<uint32_t>(p - kBase64);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return out;
}

std::string DecodeEncodedWords(std::string_view value, const CharsetDecoder& decode) {
  // An encoded word is at most 75 characters; a longer window is allowed for
  // careless writers, and bounds the search so that long values stay linear.
  constexpr size_t kMaxWord = 1024;
  std::string out;
  size_t written = 0;  // value before this is in `out`
  bool lastEncoded = false;
  size_t i = 0;
  while (true) {
    size_t start = value.find("=?", i);
    if (start == std::string_view::npos) break;
    std::string_view word = value.substr(start, kMaxWord);
    size_t q1 = word.find('?', 2);
    size_t q2 = q1 == std::string_view::npos ? q1 : word.find('?', q1 + 1);
    size_t end = q2 == std::string_view::npos ? q2 : word.find("?=", q2 + 1);
    i = start + 2;
    if (end == std::string_view::npos || q2 != q1 + 2) continue;
    std::string_view charset = word.substr(2, q1 - 2);
    char enc = Lower(word[q1 + 1]);
    std::string_view text = word.substr(q2 + 1, end - q2 - 1);
    if ((enc != 'q' && enc != 'b') || charset.empty() || text.find_first_of(" \t") != std::string_view::npos) continue;
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
    if (!(lastEncoded && Trim(between).empty())) out += CleanUtf8(between);
    out += ToUtf8(bytes, charset, decode);
    lastEncoded = true;
    i = written = start + end + 2;
  }
  out += CleanUtf8(value.substr(written));
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
  m.fromAddress = CleanUtf8(m.fromAddress);
  if (Trim(m.fromName).empty()) m.fromName = m.fromAddress;
  m.subject = DecodeEncodedWords(top.Get("Subject"), decode);
  std::optional<std::string> text = TextChooser(decode).Choose(top, 0);
  if (text) {
    m.text.reserve(text->size());
    for (char c : *text) {
      if (c == '\n')
        while (!m.text.empty() && m.text.back() == '\r') m.text.pop_back();
      m.text += c;
    }
  }
  return m;
}

}  // namespace maildir
