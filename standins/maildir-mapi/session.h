// The sessions handed out by MAPILogon: the Maildir each reads and the
// listing a scan walks through.
#pragma once

#include <windows.h>
// windows.h first: the mail header needs its types.
#include <mapi.h>

#include <optional>
#include <string>
#include <vector>

#include "standins/maildir-mapi/listing.h"

namespace maildir {

struct Session {
  std::string root;
  std::vector<Entry> listing;  // taken when a scan starts (empty seed)

  // The message's file: from the listing while it is still there (a wildcard
  // search costs a pass over the whole folder under Wine), else searched.
  std::optional<Entry> Find(const std::string& id) const;
};

// A new session over `root`, as the caller's handle.
LHANDLE OpenSession(const std::string& root);
// The session of a handle; null for one not handed out or already closed.
Session* SessionOf(LHANDLE h);
// Ends the session; false for a handle that is none.
bool CloseSession(LHANDLE h);

}  // namespace maildir
