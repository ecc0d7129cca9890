// Mail messages as text, read: headers, encoded words, transfer encodings and
// the choice of the part a reader shows. Every input is untrusted; nothing
// here calls the platform.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace maildir {

// Turns bytes in a named charset into UTF-8; nullopt for a charset it does not
// know. UTF-8, US-ASCII and ISO-8859-1 are decoded without it.
using CharsetDecoder = std::function<std::optional<std::string>(std::string_view charset, std::string_view bytes)>;

// The Windows code page of a MIME charset name; 0 when unknown.
unsigned CodePageOf(std::string_view charset);

// Bytes in `charset` as UTF-8. Invalid or undecodable bytes and NUL become
// U+FFFD, so nothing is dropped without a trace.
std::string ToUtf8(std::string_view bytes, std::string_view charset, const CharsetDecoder& decode);

std::string DecodeQuotedPrintable(std::string_view s);
std::string DecodeBase64(std::string_view s);
// A header value with its RFC 2047 encoded words decoded, as UTF-8.
std::string DecodeEncodedWords(std::string_view value, const CharsetDecoder& decode);

struct ParsedMessage {
  std::string fromName;  // display name, else the address
  std::string fromAddress;
  std::string subject;
  std::string text;  // what a reader shows: UTF-8 with LF line ends
};

ParsedMessage ParseMessage(std::string_view raw, const CharsetDecoder& decode);

}  // namespace maildir
