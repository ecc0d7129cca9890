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
