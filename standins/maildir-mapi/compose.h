// Mail messages as text, built to send: multipart/mixed with the note and the
// attached files, headers encoded where they need it. Nothing here calls the
// platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace maildir {

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
// The address of "Name <address>" (inside the angle brackets), else the
// text itself, trimmed.
std::string_view AddressOf(std::string_view from);

// "Tue, 8 Dec 2026 03:01:46 +0100" for a time in seconds since 1970 (UTC)
// and the local offset in minutes.
std::string FormatRfc5322Date(long long utcSeconds, int offsetMinutes);

}  // namespace maildir
