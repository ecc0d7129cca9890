#include "mail/mailtext.h"

#include <cstring>

namespace mail {

std::string EntryText(std::string_view sender, std::string_view subject) {
  std::string entry = "From : ";
  entry += sender;
  if (entry.size() < 70) entry.append(70 - entry.size(), ' ');
  entry += " (Subject)[";
  entry += subject;
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
