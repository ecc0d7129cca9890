#include "mail/mailtext.h"

#include <cstring>

namespace mail {

namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Each run of control characters becomes one blank.
void AppendLine(std::string& out, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsControl(text[i])) {
      out += text[i];
    } else if (i == 0 || !IsControl(text[i - 1])) {
      out += ' ';
    }
  }
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace

std::string SenderText(std::string_view name, std::string_view address) {
  if (address.size() >= 5 && SameNoCase(address.substr(0, 5), "smtp:")) address.remove_prefix(5);
  std::string sender(name);
  if (name.find('@') != std::string_view::npos && !address.empty() && !SameNoCase(name, address))
    sender.append(" <").append(address).append(">");
  return sender;
}

std::string EntryText(std::string_view sender, std::string_view subject, bool utf8) {
  std::string entry = "From : ";
  AppendLine(entry, sender);
  // Characters, not bytes: a UTF-8 character's continuation bytes do not count.
  size_t length = entry.size();
  if (utf8)
    for (char c : entry) length -= (static_cast<unsigned char>(c) & 0xC0) == 0x80;
  if (length < 70) entry.append(70 - length, ' ');
  entry += " (Subject)[";
  AppendLine(entry, subject);
  entry += "]";
  return entry;
}

bool HoldsPgpMessage(const char* body) { return body && std::strstr(body, "BEGIN PGP MESSAGE"); }

std::string_view MapiErrorText(unsigned long code) {
  switch (code) {
    case 2:  // MAPI_E_FAILURE
      return "One or more unspecified errors occurred while deleting the message. No message was deleted.";
    case 5:  // MAPI_E_INSUFFICIENT_MEMORY
      return "Insufficient memory to proceed !";
    case 17:  // MAPI_E_INVALID_MESSAGE
      return "An invalid message identifier was passed in for the lpszMessageID parameter !";
    case 19:  // MAPI_E_INVALID_SESSION
      return "An invalid session handle was passed in for the lhSession parameter !";
    default:
      return {};
  }
}

}  // namespace mail
