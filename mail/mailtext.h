// Window-free texts of the mail commands: the message list's entries, the
// PGP message test on a body, and the texts of the delete errors.
#pragma once

#include <string>
#include <string_view>

namespace mail {

// The sender as the list names it: the display name, and, where the name
// holds an "@" of its own (it could pass for another address), the real
// address after it in angle brackets. `address` may carry the mail system's
// "SMTP:" in front.
std::string SenderText(std::string_view name, std::string_view address);

// "From : " and the sender, padded with spaces to 70 characters (a longer
// start is kept whole), then " (Subject)[", the subject and "]". Control
// characters (line breaks, tabs) in the sender and subject become a blank,
// so that an entry stays one line. With `utf8` the texts are UTF-8 and the
// padding counts characters, not bytes.
std::string EntryText(std::string_view sender, std::string_view subject, bool utf8 = false);

// True when the body holds "BEGIN PGP MESSAGE" anywhere (case-sensitive);
// false for a missing body.
bool HoldsPgpMessage(const char* body);

// The text shown for a failed delete's Simple MAPI code; empty for codes
// without one of their own.
std::string_view MapiErrorText(unsigned long code);

}  // namespace mail
