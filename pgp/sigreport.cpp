#include "pgp/sigreport.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace pgp {

namespace {

constexpr std::string_view kGood = "Good signature from user \"";
constexpr std::string_view kBad = "Bad signature from user \"";
constexpr std::string_view kBadWarning = "WARNING: Bad signature, doesn't match file contents!";
constexpr std::string_view kMade = "Signature made ";
constexpr std::string_view kNoKey = "Key matching expected Key ID ";
constexpr std::string_view kNoKeyWarning = "WARNING: Can't find the right public key";
constexpr std::string_view kRevoked = "WARNING: This key has been revoked by its owner";
constexpr std::string_view kExpired = "WARNING: This key has expired.";
constexpr std::string_view kWarning = "WARNING:";
constexpr std::string_view kNotCertified = "Because this public key is not certified";
constexpr std::string_view kBeginSigned = "-----BEGIN PGP SIGNED MESSAGE-----";
constexpr std::string_view kEndSignature = "-----END PGP SIGNATURE-----";

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = std::min(text.find('\n', pos), text.size());
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    pos = end + 1;
  }
  return lines;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Every control character as \xNN, so nothing in a user ID can break the
// line it is shown in.
std::string Printable(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (unsigned char c : s) {
    if (IsControl(c)) {
      char esc[5];
      std::snprintf(esc, sizeof esc, "\\x%02X", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The user ID between `prefix` and the line's final `".`; nothing when the
// line does not end so.
bool QuotedUserId(std::string_view line, std::string_view prefix, std::string& userId) {
  if (line.size() < prefix.size() + 2 || !line.ends_with("\".")) return false;
  userId = Printable(line.substr(prefix.size(), line.size() - prefix.size() - 2));
  return true;
}

// 1 to 16 hex digits at the start of `s`, ending the text or followed by a
// non-hex character; empty otherwise.
std::string HexRun(std::string_view s) {
  size_t n = 0;
  while (n < s.size() && IsHex(s[n])) ++n;
  return n >= 1 && n <= 16 ? std::string(s.substr(0, n)) : std::string();
}

// "Signature made 1996/03/04 12:00 GMT using 1024-bit key, key ID 0DBF906D"
void ReadMadeLine(std::string_view line, Verdict& v) {
  std::string_view rest = line.substr(kMade.size());
  const size_t gmt = rest.find(" GMT");
  if (gmt != std::string_view::npos && gmt <= 32) {
    std::string_view date = rest.substr(0, gmt);
    if (!date.empty() && std::all_of(date.begin(), date.end(), [](char c) {
          return (c >= '0' && c <= '9') || c == '/' || c == ':' || c == ' ' || c == '-';
        }))
      v.made = std::string(date);
  }
  const size_t id = rest.rfind("key ID ");
  if (id != std::string_view::npos) {
    std::string_view hex = rest.substr(id + 7);
    std::string run = HexRun(hex);
    if (!run.empty() && hex.find_first_not_of(' ', run.size()) == std::string_view::npos) v.keyId = run;
  }
}

int Severity(Signature s) {
  switch (s) {
    case Signature::Bad:
      return 3;
    case Signature::UnknownSigner:
      return 2;
    case Signature::Good:
      return 1;
    default:
      return 0;
  }
}

}  // namespace

Verdict ReadSignatureReport(std::string_view report) {
  const std::vector<std::string_view> lines = Lines(report);
  std::vector<Verdict> found;
  // A result whose second fixed line may still follow: the bad-signature
  // warning before its "Bad signature from" line, the missing key before
  // its "Can't find" warning.
  bool badOpen = false;
  bool unknownOpen = false;
  auto start = [&](Signature kind) {
    found.push_back({});
    found.back().kind = kind;
    badOpen = unknownOpen = false;
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    std::string userId;
    if (line.starts_with(kGood)) {
      if (!QuotedUserId(line, kGood, userId)) continue;
      start(Signature::Good);
      found.back().userId = userId;
    } else if (line.starts_with(kBad)) {
      if (!badOpen) start(Signature::Bad);
      badOpen = false;
      if (QuotedUserId(line, kBad, userId)) found.back().userId = userId;
    } else if (line.starts_with(kBadWarning)) {
      start(Signature::Bad);
      badOpen = true;
      continue;
    } else if (line.starts_with(kNoKey)) {
      start(Signature::UnknownSigner);
      found.back().keyId = HexRun(line.substr(kNoKey.size()));
      unknownOpen = true;
      continue;
    } else if (line.starts_with(kNoKeyWarning)) {
      if (!unknownOpen) start(Signature::UnknownSigner);
      unknownOpen = false;
      continue;
    } else if (!found.empty() && found.back().kind != Signature::UnknownSigner) {
      Verdict& v = found.back();
      if (line.starts_with(kRevoked)) {
        v.revoked = true;
      } else if (line.starts_with(kExpired)) {
        v.expired = true;
      } else if (line.starts_with(kWarning)) {
        std::string_view after = line.substr(kWarning.size());
        const size_t text = after.find_first_not_of(' ');
        if (text != std::string_view::npos && text > 0 && after.substr(text).starts_with(kNotCertified))
          v.notCertified = true;
      }
      continue;
    } else {
      continue;
    }
    // A good or bad line: the date and key ID stand on the next line.
    if (i + 1 < lines.size() && lines[i + 1].starts_with(kMade)) ReadMadeLine(lines[++i], found.back());
  }
  Verdict worst;
  for (const Verdict& v : found)
    if (Severity(v.kind) > Severity(worst.kind)) worst = v;
  return worst;
}

std::string VerdictText(const Verdict& v) {
  const std::string keyId = v.keyId.empty() ? std::string() : " (key ID " + v.keyId + ")";
  const std::string made = v.made.empty() ? std::string() : ", made " + v.made + " GMT";
  const std::string from = v.userId.empty() ? std::string() : " from " + v.userId;
  std::string text;
  switch (v.kind) {
    case Signature::None:
      return {};
    case Signature::Good:
      text = "Good signature" + from + keyId + made;
      break;
    case Signature::Bad:
      text = "BAD signature" + from + keyId + made + ": the text does not match its signature";
      break;
    case Signature::UnknownSigner:
      text = "Unknown signer" + (v.keyId.empty() ? std::string() : ": key ID " + v.keyId) +
             " is not in your public key ring, so the signature could not be checked";
      break;
  }
  if (v.revoked) text += "; the signer's key is revoked";
  if (v.expired) text += "; the signer's key has expired";
  if (v.notCertified) text += "; the key is not certified by a key you trust";
  if (v.textOutside) text += "; the text around the signed part is not covered by the signature";
  return text;
}

VerdictTone ToneOf(const Verdict& v) {
  switch (v.kind) {
    case Signature::None:
      return VerdictTone::None;
    case Signature::Bad:
      return VerdictTone::Bad;
    case Signature::UnknownSigner:
      return VerdictTone::Caution;
    case Signature::Good:
      break;
  }
  return v.revoked || v.expired || v.textOutside ? VerdictTone::Caution : VerdictTone::Good;
}

bool NeedsWarning(const Verdict& v) {
  return v.kind == Signature::Bad || v.kind == Signature::UnknownSigner || (v.kind == Signature::Good && v.revoked);
}

bool TextOutsideSignedPart(std::string_view text) {
  const std::vector<std::string_view> lines = Lines(text);
  auto trimmed = [](std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
  };
  size_t begin = lines.size(), end = lines.size(), begins = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = trimmed(lines[i]);
    if (line == kBeginSigned) {
      ++begins;
      if (begin == lines.size()) begin = i;
    } else if (line == kEndSignature) {
      end = i;
    }
  }
  if (begins != 1 || end == lines.size() || end < begin) return true;
  auto blank = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
      if (!trimmed(lines[i]).empty()) return false;
    return true;
  };
  return !blank(0, begin) || !blank(end + 1, lines.size());
}

}  // namespace pgp
