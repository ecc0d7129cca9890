// The mail message parser and builder under a fuzzer. Invariants: parsing
// never fails and yields well-formed UTF-8 without NUL or CR LF; transfer
// decoders never grow their input beyond the encoding's ratio; a built
// message parses back to the subject and note that went in.
#include "standins/maildir-mapi/mime.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "standins/maildir-mapi/compose.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool WellFormed(std::string_view s) {
  return maildir::ToUtf8(s, "utf-8", nullptr) == s && s.find('\0') == std::string_view::npos;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  maildir::ParsedMessage m = maildir::ParseMessage(in, nullptr);
  Check(WellFormed(m.fromName) && WellFormed(m.fromAddress) && WellFormed(m.subject) && WellFormed(m.text));
  Check(m.text.find("\r\n") == std::string::npos);
  Check(maildir::DecodeBase64(in).size() <= in.size() * 3 / 4 + 1);
  Check(maildir::DecodeQuotedPrintable(in).size() <= in.size());

  // The first line as the subject, the rest as the note, made well-formed.
  size_t nl = in.find('\n');
  std::string subject = maildir::ToUtf8(in.substr(0, nl), "utf-8", nullptr);
  std::string note = nl == std::string_view::npos ? "" : maildir::ToUtf8(in.substr(nl + 1), "utf-8", nullptr);
  std::erase(subject, '\r');
  std::erase(note, '\r');
  maildir::BuiltMessage b = maildir::BuildMessage({.from = "a@example.org",
                                                   .to = "b@example.org",
                                                   .cc = "",
                                                   .subject = subject,
                                                   .note = note,
                                                   .attachments = {{"PGPDOC.TXT", std::string(in), ""}},
                                                   .date = maildir::FormatRfc5322Date(0, 0),
                                                   .messageId = "1@example.org",
                                                   .boundary = "=_fuzz"});
  Check(b.error.empty());
  maildir::ParsedMessage back = maildir::ParseMessage(b.text, nullptr);
  Check(Trim(back.subject) == Trim(subject));
  Check(back.text == note);
  return 0;
}
