// The send pipeline: a message the user wrote, built, handed to the send
// command through the host's sh, and copied into the Sent folder.
#pragma once

#include <string>

#include "standins/maildir-mapi/compose.h"

namespace maildir {

struct SendResult {
  enum class Outcome { Sent, Refused, Failed, Unknown } outcome = Outcome::Sent;
  std::string error;  // why, in the ANSI code page, for a message box
};

// Sends `m` (To, Cc, Subject, note and attachments as the user gave them;
// sender, date, message ID and boundary are filled in here). Refused: the
// message cannot be built as given. Failed: the send command could not run
// or failed. Unknown: it did not end in time and may still deliver. A sent
// message is copied into `root`'s .Sent when it exists.
SendResult SendMessage(OutgoingMessage m, const std::string& root);

}  // namespace maildir
