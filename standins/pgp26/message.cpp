#include "standins/pgp26/message.h"

#include <string>

namespace pgp26 {

namespace {

MessageKind FromFirstPacket(unsigned char header) {
  if (!(header & 0x80)) return MessageKind::Unknown;
  // New format: the tag in the low six bits; old format: four bits above the length type.
  const int tag = (header & 0x40) ? (header & 0x3f) : ((header >> 2) & 0x0f);
  switch (tag) {
    case 1:   // public-key encrypted session key
    case 3:   // symmetric-key encrypted session key
    case 9:   // symmetrically encrypted data
    case 18:  // integrity-protected encrypted data
    case 20:  // AEAD encrypted data
      return MessageKind::Encrypted;
    case 2:   // signature
    case 4:   // one-pass signature
    case 8:   // compressed data
    case 11:  // literal data
      return MessageKind::Signed;
    default:
      return MessageKind::Unknown;
  }
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::string_view TrimEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  return line;
}

}  // namespace

MessageKind SniffMessage(std::string_view head) {
  if (head.empty()) return MessageKind::Unknown;
  if (static_cast<unsigned char>(head[0]) & 0x80) return FromFirstPacket(static_cast<unsigned char>(head[0]));
  constexpr std::string_view kBegin = "-----BEGIN PGP ";
  size_t at = head.substr(0, kBegin.size()) == kBegin ? 0 : head.find(std::string("\n") + std::string(kBegin));
  if (at == std::string_view::npos) return MessageKind::Unknown;
  if (head[at] == '\n') ++at;
  size_t end = head.find('\n', at);
  const std::string_view begin = TrimEnd(head.substr(at, end == std::string_view::npos ? head.npos : end - at));
  if (begin == "-----BEGIN PGP SIGNED MESSAGE-----") return MessageKind::ClearSigned;
  if (begin.substr(0, 26) != "-----BEGIN PGP MESSAGE----" && begin.substr(0, 26) != "-----BEGIN PGP MESSAGE, PA")
    return MessageKind::Unknown;
  // Header lines ("Version: ...") up to a blank line, then base64.
  while (end != std::string_view::npos) {
    const size_t start = end + 1;
    end = head.find('\n', start);
    const std::string_view line = TrimEnd(head.substr(start, end == std::string_view::npos ? head.npos : end - start));
    if (!line.empty()) continue;
    if (end == std::string_view::npos) break;
    const std::string_view data = head.substr(end + 1);
    if (data.size() < 2 || Base64Value(data[0]) < 0 || Base64Value(data[1]) < 0) break;
    return FromFirstPacket(static_cast<unsigned char>((Base64Value(data[0]) << 2) | (Base64Value(data[1]) >> 4)));
  }
  return MessageKind::Unknown;
}

}  // namespace pgp26
