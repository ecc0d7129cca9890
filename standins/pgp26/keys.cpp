#include "standins/pgp26/keys.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <set>

namespace pgp26 {

namespace {

// Fills `f` with the fields of `line`; one vector serves every line of a
// listing, since allocating one a line is most of the cost of a large ring.
void SplitFields(std::string_view line, std::vector<std::string_view>& f) {
  f.clear();
  size_t pos = 0;
  for (;;) {
    size_t c = line.find(':', pos);
    if (c == std::string_view::npos) {
      f.push_back(line.substr(pos));
      return;
    }
    f.push_back(line.substr(pos, c - pos));
    pos = c + 1;
  }
}

std::string_view Field(const std::vector<std::string_view>& f, size_t i) {
  return i < f.size() ? f[i] : std::string_view();
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

template <class F>
void ForEachLine(std::string_view text, F f) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    f(line);
    pos = end + 1;
  }
}

}  // namespace

int64_t FieldNumber(std::string_view field) {
  int64_t value = 0;
  std::from_chars(field.data(), field.data() + field.size(), value);
  return value;
}

std::string ColonUnescape(std::string_view s) {
  if (s.find('\\') == std::string_view::npos) return std::string(s);
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    char n = s[i + 1];
    if (n == 'x' && i + 3 < s.size() && HexValue(s[i + 2]) >= 0 && HexValue(s[i + 3]) >= 0) {
      out += static_cast<char>(HexValue(s[i + 2]) * 16 + HexValue(s[i + 3]));
      i += 3;
      continue;
    }
    char c;
    switch (n) {
      case 'n':
        c = '\n';
        break;
      case 'r':
        c = '\r';
        break;
      case 't':
        c = '\t';
        break;
      case 'f':
        c = '\f';
        break;
      case 'v':
        c = '\v';
        break;
      case 'b':
        c = '\b';
        break;
      case '0':
        c = '\0';
        break;
      case '\\':
        c = '\\';
        break;
      default:
        out += '\\';
        continue;
    }
    out += c;
    ++i;
  }
  return out;
}

std::vector<Key> ParseColonListing(std::string_view text) {
  std::vector<Key> keys;
  bool inSub = false;
  std::vector<std::string_view> f;
  ForEachLine(text, [&](std::string_view line) {
    SplitFields(line, f);
    std::string_view type = Field(f, 0);
    if (type == "pub") {
      Key k;
      k.bits = static_cast<int>(FieldNumber(Field(f, 2)));
      k.keyId = Upper(Field(f, 4));
      k.created = FieldNumber(Field(f, 5));
      k.expires = FieldNumber(Field(f, 6));
      k.revoked = Field(f, 1) == "r";
      k.disabled = Field(f, 11).find('D') != std::string_view::npos;
      keys.push_back(std::move(k));
      inSub = false;
    } else if (keys.empty()) {
      return;
    } else if (type == "fpr") {
      Key& k = keys.back();
      if (!inSub && k.fingerprint.empty())
        k.fingerprint = Upper(Field(f, 9));
      else if (inSub && k.subkeyFingerprints.size() < k.subkeyIds.size())
        k.subkeyFingerprints.push_back(Upper(Field(f, 9)));
    } else if (type == "uid") {
      keys.back().userIds.push_back(ColonUnescape(Field(f, 9)));
    } else if (type == "grp") {
      keys.back().keygrips.push_back(Upper(Field(f, 9)));
    } else if (type == "sub") {
      keys.back().subkeyIds.push_back(Upper(Field(f, 4)));
      inSub = true;
    }
  });
  return keys;
}

std::set<std::string> KeygripsOfKeyFiles(const std::vector<std::string>& keyFileNames) {
  std::set<std::string> grips;
  for (const std::string& name : keyFileNames)
    if (EndsWith(Lower(name), ".key")) grips.insert(Upper(name.substr(0, name.size() - 4)));
  return grips;
}

bool HoldsKeygrip(const Key& key, const std::set<std::string>& grips) {
  for (const std::string& g : key.keygrips)
    if (grips.count(g)) return true;
  return false;
}

namespace {

std::string Escaped(std::string_view text, bool backslash) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\\' && backslash) {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace

std::string Printable(std::string_view text) { return Escaped(text, true); }

std::string PrintablePath(std::string_view path) { return Escaped(path, false); }

namespace {

std::tm UtcTime(int64_t seconds) {
  int64_t days = seconds / 86400;
  int64_t rem = seconds % 86400;
  if (rem < 0) {
    rem += 86400;
    --days;
  }
  // Civil date from days since 1970-01-01 (proleptic Gregorian).
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  int64_t y = yoe + era * 400 + (m <= 2);
  std::tm t{};
  t.tm_year = static_cast<int>(y - 1900);
  t.tm_mon = static_cast<int>(m - 1);
  t.tm_mday = static_cast<int>(d);
  t.tm_hour = static_cast<int>(rem / 3600);
  t.tm_min = static_cast<int>(rem % 3600 / 60);
  return t;
}

}  // namespace

std::string FormatDate(int64_t seconds) {
  std::tm t = UtcTime(seconds);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  return buf;
}

std::string FormatDateTime(int64_t seconds) {
  std::tm t = UtcTime(seconds);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                t.tm_min);
  return buf;
}

int64_t UtcSeconds(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute, int64_t second) {
  // Days since 1970-01-01 of a civil date (proleptic Gregorian).
  const int64_t y = year - (month <= 2);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days = era * 146097 + doe - 719468;
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::string FormatFingerprint(std::string_view hex) {
  std::string out;
  size_t bytes = hex.size() / 2;
  for (size_t i = 0; i < bytes; ++i) {
    if (i == bytes / 2 && i > 0) out += ' ';
    out += ' ';
    out += Upper(hex.substr(i * 2, 2));
  }
  return out;
}

std::string ListingHead(const ListingRequest& req) {
  std::string out = "\r\nKey ring: '" + PrintablePath(req.ringPath) + "'";
  if (req.filter) out += ", looking for user ID \"" + Printable(*req.filter) + "\".";
  return out + "\r\nType Bits/KeyID    Date       User ID\r\n";
}

std::string ListingEntry(const Key& k, bool fingerprints) {
  const std::string indent(30, ' ');
  char head[64];
  std::string shortId = k.keyId.size() > 8 ? k.keyId.substr(k.keyId.size() - 8) : k.keyId;
  std::snprintf(head, sizeof head, "pub%s%4d/%s %s ", k.disabled ? "- " : "  ", k.bits, shortId.c_str(),
                FormatDate(k.created).c_str());
  std::string out = head;
  if (k.revoked) {
    out += "*** KEY REVOKED ***\r\n";
    if (!k.userIds.empty()) out += indent;
  }
  if (!k.userIds.empty()) out += Printable(k.userIds[0]);
  if (!k.revoked || !k.userIds.empty()) out += "\r\n";
  if (fingerprints) out += std::string(12, ' ') + "Key fingerprint =" + FormatFingerprint(k.fingerprint) + "\r\n";
  for (size_t i = 1; i < k.userIds.size(); ++i) out += indent + Printable(k.userIds[i]) + "\r\n";
  return out;
}

std::string ListingFoot(size_t keys) {
  return std::to_string(keys) + (keys == 1 ? " matching key found.\r\n" : " matching keys found.\r\n");
}

std::string FormatListing(const std::vector<const Key*>& keys, const ListingRequest& req) {
  std::string out = ListingHead(req);
  for (const Key* k : keys) out += ListingEntry(*k, req.fingerprints);
  return out + ListingFoot(keys.size());
}

bool IsKeyIdSelector(std::string_view text) {
  return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

std::string SelectorHex(std::string_view text) { return Upper(text.substr(2)); }

}  // namespace pgp26
