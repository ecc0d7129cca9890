#include "standins/maildir-mapi/compose.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "standins/maildir-mapi/mimetext.h"

namespace maildir {

namespace {

using mimetext::kBase64;
using mimetext::Trim;
using mimetext::Unquote;

std::string EncodeBase64(std::string_view s) {
  std::string out;
  out.reserve((s.size() + 2) / 3 * 4);
  for (size_t i = 0; i < s.size(); i += 3) {
    uint32_t v = static_cast<unsigned char>(s[i]) << 16;
    if (i + 1 < s.size()) v |= static_cast<unsigned char>(s[i + 1]) << 8;
    if (i + 2 < s.size()) v |= static_cast<unsigned char>(s[i + 2]);
    out += kBase64[(v >> 18) & 63];
    out += kBase64[(v >> 12) & 63];
    out += i + 1 < s.size() ? kBase64[(v >> 6) & 63] : '=';
    out += i + 2 < s.size() ? kBase64[v & 63] : '=';
  }
  return out;
}

std::string EncodeBase64Lines(std::string_view s) {
  std::string b = EncodeBase64(s), out;
  for (size_t i = 0; i < b.size(); i += 76) out.append(b, i, 76).append("\n");
  return out;
}

// Quoted-printable with soft breaks before 76 columns; LF is a line break.
std::string EncodeQuotedPrintable(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  size_t column = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c == '\n') {
      out += '\n';
      column = 0;
      continue;
    }
    bool lineEnd = i + 1 == s.size() || s[i + 1] == '\n';
    std::string piece;
    // "=" and a trailing blank, and "." or "From " at a line start (mangled by
    // some transfer agents), are encoded too.
    bool plain = (c >= 33 && c <= 126 && c != '=') || (c == ' ' && !lineEnd);
    if (column == 0 && (c == '.' || (c == 'F' && s.substr(i, 5) == "From "))) plain = false;
    if (plain) {
      piece = static_cast<char>(c);
    } else {
      piece = {'=', kHex[c >> 4], kHex[c & 15]};
    }
    if (column + piece.size() > 75) {
      out += "=\n";
      column = 0;
    }
    out += piece;
    column += piece.size();
  }
  return out;
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// UTF-8 text as encoded words of at most 39 bytes each (whole characters),
// folded onto lines of their own.
std::string EncodeWords(std::string_view s) {
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    size_t n = std::min<size_t>(39, s.size() - i);
    while (i + n < s.size() && n > 1 && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) --n;
    if (!out.empty()) out += "\n ";
    out += "=?UTF-8?B?" + EncodeBase64(s.substr(i, n)) + "?=";
    i += n;
  }
  return out;
}

// A header value as written: kept when plain ASCII of a sane length that
// cannot be mistaken for an encoded word, else encoded.
std::string HeaderText(std::string_view s) {
  bool plain = IsAscii(s) && s.size() <= 900 && s.find("=?") == std::string_view::npos;
  return plain ? std::string(s) : EncodeWords(s);
}

// An address as written: a non-ASCII display name is encoded, the address in
// angle brackets kept.
std::string HeaderAddress(std::string_view a) {
  if (IsAscii(a)) return std::string(a);
  size_t lt = a.rfind('<');
  if (lt == std::string_view::npos) return EncodeWords(a);
  return EncodeWords(Unquote(a.substr(0, lt))) + " " + std::string(a.substr(lt));
}

std::string QuotedParam(std::string_view v) {
  std::string out = "\"";
  std::string text = IsAscii(v) ? std::string(v) : EncodeWords(v);
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c == '\n' ? ' ' : c;
  }
  return out + "\"";
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::vector<std::string> SplitAddresses(std::string_view list) {
  std::vector<std::string> out;
  std::string current;
  bool quoted = false;
  int angle = 0;
  for (size_t i = 0; i <= list.size(); ++i) {
    char c = i < list.size() ? list[i] : ';';
    if (c == '"') quoted = !quoted;
    if (!quoted && c == '<') ++angle;
    if (!quoted && c == '>' && angle > 0) --angle;
    if (!quoted && angle == 0 && (c == ';' || c == ',')) {
      if (!Trim(current).empty()) out.emplace_back(Trim(current));
      current.clear();
    } else {
      current += c;
    }
  }
  return out;
}

std::string_view AddressOf(std::string_view from) {
  size_t lt = from.rfind('<');
  size_t gt = lt == std::string_view::npos ? lt : from.find('>', lt);
  return gt == std::string_view::npos ? Trim(from) : Trim(from.substr(lt + 1, gt - lt - 1));
}

BuiltMessage BuildMessage(const OutgoingMessage& m) {
  BuiltMessage b;
  if (HasLineBreak(m.to)) b.error = "The To field must not contain a line break.";
  if (HasLineBreak(m.cc)) b.error = "The Cc field must not contain a line break.";
  if (HasLineBreak(m.subject)) b.error = "The Subject must not contain a line break.";
  for (const Attachment& a : m.attachments)
    if (HasLineBreak(a.name)) b.error = "An attachment name must not contain a line break.";
  if (HasLineBreak(m.from) || HasLineBreak(m.messageId) || HasLineBreak(m.date) || HasLineBreak(m.boundary))
    b.error = "The sender, date or message ID holds a line break.";
  std::vector<std::string> to = SplitAddresses(m.to), cc = SplitAddresses(m.cc);
  if (b.error.empty() && to.empty()) b.error = "Enter at least one recipient in the To field.";
  if (!b.error.empty()) return b;

  auto list = [](const std::vector<std::string>& addresses) {
    std::string s;
    for (const std::string& a : addresses) s += (s.empty() ? "" : ",\n ") + HeaderAddress(a);
    return s;
  };
  std::string& t = b.text;
  t += "From: " + HeaderAddress(m.from) + "\n";
  t += "To: " + list(to) + "\n";
  if (!cc.empty()) t += "Cc: " + list(cc) + "\n";
  t += "Subject: " + HeaderText(m.subject) + "\n";
  t += "Date: " + m.date + "\n";
  t += "Message-ID: <" + m.messageId + ">\n";
  t += "MIME-Version: 1.0\n";
  t += "Content-Type: multipart/mixed; boundary=\"" + m.boundary + "\"\n\n";
  t += "This is a multi-part message in MIME format.\n";
  // The note is always quoted-printable and the attachments base64, so no
  // line of theirs can look like a boundary holding "=_".
  t += "--" + m.boundary + "\n";
  t += "Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: quoted-printable\n\n";
  t += EncodeQuotedPrintable(m.note) + "\n";
  for (const Attachment& a : m.attachments) {
    t += "--" + m.boundary + "\n";
    t += "Content-Type: text/plain; ";
    if (!a.charset.empty()) t += "charset=" + a.charset + "; ";
    t += "name=" + QuotedParam(a.name) + "\n";
    t += "Content-Disposition: attachment; filename=" + QuotedParam(a.name) + "\n";
    t += "Content-Transfer-Encoding: base64\n\n";
    t += EncodeBase64Lines(a.content);
  }
  t += "--" + m.boundary + "--\n";
  return b;
}

std::string FormatRfc5322Date(long long utcSeconds, int offsetMinutes) {
  long long local = utcSeconds + offsetMinutes * 60LL;
  long long days = local >= 0 ? local / 86400 : (local - 86399) / 86400;
  long long secs = local - days * 86400;
  // Civil date from days since 1970-01-01 (proleptic Gregorian).
  long long z = days + 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  long long day = doy - (153 * mp + 2) / 5 + 1;
  long long month = mp < 10 ? mp + 3 : mp - 9;
  long long year = yoe + era * 400 + (month <= 2);
  int weekday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  char buf[96];
  int off = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
  std::snprintf(buf, sizeof buf, "%s, %lld %s %lld %02lld:%02lld:%02lld %c%02d%02d", kDays[weekday], day,
                kMonths[month - 1], year, secs / 3600, secs / 60 % 60, secs % 60, offsetMinutes < 0 ? '-' : '+',
                off / 60, off % 60);
  return buf;
}

}  // namespace maildir
