// Window-free texts of the mail commands: the message list's entries, the
// PGP message test on a body, and the texts of the delete errors.
#pragma once

#include <string>
#include <string_view>

namespace mail {

// "From : " and the sender, padded with spaces to 70 characters (a longer
// start is kept whole), then " (Subject)[", the subject and "]".
std::string EntryText(std::string_view sender, std::string_view subject);

// True when the body holds "BEGIN PGP MESSAGE" anywhere (case-sensitive);
// false for a missing body.
bool HoldsPgpMessage(const char* body);

// The text shown for a failed delete's Simple MAPI code; empty for codes
// without one of their own.
std::string_view MapiErrorText(unsigned long code);

}  // namespace mail
