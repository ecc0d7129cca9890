#include "standins/scriptpgp/scriptmsg.h"

namespace scriptpgp {
namespace {

constexpr std::string_view kBegin = "-----BEGIN PGP MESSAGE-----";
constexpr std::string_view kEnd = "-----END PGP MESSAGE-----";
constexpr std::string_view kRecipients = "Recipients:";
constexpr std::string_view kSigner = "Signer:";
constexpr std::size_t kHexPerLine = 64;
constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string EscapeField(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == ';' || c == '%' || c == '\r' || c == '\n') {
      const auto u = static_cast<unsigned char>(c);
      out += '%';
      out += kHexDigits[u >> 4];
      out += kHexDigits[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> UnescapeField(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int hi = HexValue(text[i + 1]);
    const int lo = HexValue(text[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

}  // namespace

std::string FormatScriptMessage(const ScriptMessage& message) {
  std::string out;
  out += kBegin;
  out += "\r\nVersion: scripted\r\nRecipients: ";
  for (std::size_t i = 0; i < message.recipients.size(); ++i) {
    if (i > 0) out += ';';
    out += EscapeField(message.recipients[i]);
  }
  out += "\r\nSigner: ";
  out += EscapeField(message.signer);
  out += "\r\n";
  const std::string& bytes = message.plainBytes;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto u = static_cast<unsigned char>(bytes[i]);
    out += kHexDigits[u >> 4];
    out += kHexDigits[u & 15];
    if ((i + 1) * 2 % kHexPerLine == 0 || i + 1 == bytes.size()) out += "\r\n";
  }
  out += kEnd;
  out += "\r\n";
  return out;
}

std::optional<ScriptMessage> ParseScriptMessage(std::string_view fileText) {
  const std::vector<std::string_view> lines = Lines(fileText);
  std::size_t i = 0;
  while (i < lines.size() && TrimRight(lines[i]) != kBegin) ++i;
  if (i == lines.size()) return std::nullopt;
  ++i;

  ScriptMessage message;
  bool haveRecipients = false;
  // Header lines up to the first hex line: Version, Recipients, Signer.
  for (; i < lines.size(); ++i) {
    const std::string_view line = TrimRight(lines[i]);
    if (line.starts_with(kRecipients)) {
      haveRecipients = true;
      std::string_view rest = TrimLeft(line.substr(kRecipients.size()));
      while (!rest.empty()) {
        const std::size_t semi = rest.find(';');
        auto field = UnescapeField(rest.substr(0, semi));
        if (!field) return std::nullopt;
        message.recipients.push_back(std::move(*field));
        if (semi == std::string_view::npos) break;
        rest.remove_prefix(semi + 1);
      }
    } else if (line.starts_with(kSigner)) {
      auto field = UnescapeField(TrimLeft(line.substr(kSigner.size())));
      if (!field) return std::nullopt;
      message.signer = std::move(*field);
    } else if (!line.starts_with("Version:")) {
      break;
    }
  }
  if (!haveRecipients) return std::nullopt;

  for (; i < lines.size(); ++i) {
    const std::string_view line = TrimLeft(TrimRight(lines[i]));
    if (line == kEnd) return message;
    if (line.size() % 2 != 0) return std::nullopt;
    for (std::size_t k = 0; k < line.size(); k += 2) {
      const int hi = HexValue(line[k]);
      const int lo = HexValue(line[k + 1]);
      if (hi < 0 || lo < 0) return std::nullopt;
      message.plainBytes += static_cast<char>(hi * 16 + lo);
    }
  }
  return std::nullopt;
}

namespace {

constexpr std::string_view kBeginSigned = "-----BEGIN PGP SIGNED MESSAGE-----";
constexpr std::string_view kBeginSignature = "-----BEGIN PGP SIGNATURE-----";
constexpr std::string_view kEndSignature = "-----END PGP SIGNATURE-----";
constexpr std::string_view kDigest = "Digest:";

// FNV-1a over the text, as 16 hex digits.
std::string Digest(std::string_view text) {
  unsigned long long h = 14695981039346656037ULL;
  for (char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ULL;
  }
  std::string hex;
  for (int shift = 60; shift >= 0; shift -= 4) hex += kHexDigits[(h >> shift) & 15];
  return hex;
}

}  // namespace

std::string FormatClearSigned(std::string_view text, std::string_view signer) {
  std::string out = std::string(kBeginSigned) + "\r\nHash: scripted\r\n\r\n";
  std::string joined;
  const std::vector<std::string_view> lines = Lines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += "\r\n";
    joined += lines[i];
    out += lines[i].starts_with("-") ? "- " + std::string(lines[i]) : std::string(lines[i]);
    out += "\r\n";
  }
  out += std::string(kBeginSignature) + "\r\nVersion: scripted\r\n" + std::string(kSigner) + " " + EscapeField(signer) +
         "\r\n" + std::string(kDigest) + " " + Digest(joined) + "\r\n" + std::string(kEndSignature) + "\r\n";
  return out;
}

std::optional<ClearSigned> ParseClearSigned(std::string_view fileText) {
  const std::vector<std::string_view> lines = Lines(fileText);
  std::size_t i = 0;
  while (i < lines.size() && TrimRight(lines[i]) != kBeginSigned) ++i;
  // Header lines ("Hash: ...") up to the first blank line.
  while (i < lines.size() && !lines[i].empty()) ++i;
  if (i++ >= lines.size()) return std::nullopt;
  ClearSigned message;
  bool first = true;
  for (; i < lines.size() && TrimRight(lines[i]) != kBeginSignature; ++i) {
    std::string_view line = lines[i];
    if (line.starts_with("- ")) line.remove_prefix(2);
    if (!first) message.text += "\r\n";
    message.text += line;
    first = false;
  }
  std::string digest;
  bool ended = false;
  for (; i < lines.size() && !ended; ++i) {
    const std::string_view line = TrimRight(lines[i]);
    if (line.starts_with(kSigner)) {
      auto field = UnescapeField(TrimLeft(line.substr(kSigner.size())));
      if (!field) return std::nullopt;
      message.signer = std::move(*field);
    } else if (line.starts_with(kDigest)) {
      digest = TrimLeft(line.substr(kDigest.size()));
    }
    ended = line == kEndSignature;
  }
  if (!ended) return std::nullopt;
  message.intact = digest == Digest(message.text);
  return message;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = next;
  }
  return lines;
}

}  // namespace scriptpgp
