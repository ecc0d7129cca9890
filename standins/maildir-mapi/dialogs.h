// The provider's two windows: the compose dialog of MAPISendDocuments and the
// dialog that asks for a Maildir when none is found at logon.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "standins/maildir-mapi/compose.h"

namespace maildir {

struct ComposeOutcome {
  INT_PTR result = IDCANCEL;  // IDOK once the message was sent; -1: no dialog
  bool failed = false;        // a send failed before the dialog was cancelled (its reason was shown)
};

// Lets the user write a message around the attachments and sends it.
ComposeOutcome ComposeAndSend(HWND owner, std::vector<Attachment> attachments, const std::string& root);

// Names the folder looked for and asks for a Maildir; nothing when cancelled.
std::optional<std::string> AskForMaildir(HWND owner, const std::string& looked);

}  // namespace maildir
