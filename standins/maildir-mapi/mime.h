// Mail messages as text: reading one (headers, encoded words, transfer
// encodings, the choice of the part a reader shows) and building one to send.
// Every input is untrusted; nothing here calls the platform.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

struct Attachment {
  std::string name;
  std::string content;  // bytes as read from the file
  std::string charset;  // of the content; empty when not known
};

struct OutgoingMessage {
  std::string from;                   // "Name <address>" or an address
  std::string to, cc, subject, note;  // UTF-8, as the user typed them
  std::vector<Attachment> attachments;
  std::string date;       // RFC 5322 date text
  std::string messageId;  // without the angle brackets
  std::string boundary;
};

struct BuiltMessage {
  std::string text;   // LF line ends, as the sendmail interface takes it
  std::string error;  // why the message was refused; empty when built
};

// The message as multipart/mixed: the note, then each attachment. Refuses
// line breaks in To, Cc, Subject and attachment names (they would add
// headers or recipients) and a message without a recipient.
BuiltMessage BuildMessage(const OutgoingMessage& m);

// The addresses in a To or Cc text separated by ';' or ','.
std::vector<std::string> SplitAddresses(std::string_view list);

// "Tue, 8 Dec 2026 03:01:46 +0100" for a time in seconds since 1970 (UTC)
// and the local offset in minutes.
std::string FormatRfc5322Date(long long utcSeconds, int offsetMinutes);

}  // namespace maildir
