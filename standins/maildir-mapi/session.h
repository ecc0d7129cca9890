// The sessions handed out by MAPILogon: the Maildir each reads, the listing a
// scan walks through, and the private folder of its body files and pack.
#pragma once

#include <windows.h>
// windows.h first: the mail header needs its types.
#include <mapi.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "standins/bridge/workfolder.h"
#include "standins/maildir-mapi/listing.h"
#include "standins/maildir-mapi/pack.h"

namespace maildir {

struct Session {
  std::string root;
  std::vector<Entry> listing;  // taken when a scan starts (empty seed)

  // A new listing for a scan, its small messages packed (see pack.h).
  void Rescan(bool unreadOnly);
  // The message a caller names, from the listing (a stat per message costs
  // under Wine), or from a fresh one when it is not there or `fresh` asks
  // for it (its listed file was gone). A caller's identifier is never made
  // into a path: only names the Maildir lists are opened.
  std::optional<Entry> Find(const std::string& id, bool fresh = false);
  // The provider moved a message (seen, trashed): the listing follows.
  void Moved(const Entry& now);
  void Removed(const std::string& id);
  // The message's bytes, at most `limit` of them: from the pack when it
  // holds the message, else from its file; nothing when it cannot be read.
  std::optional<std::string> Read(const Entry& e, size_t limit) const;
  // The session's folder for body files and the pack: private to the user
  // (mode 0700 under Wine), made at the first use and wiped with the
  // session; empty when it cannot be made.
  std::string PrivateFolder();

 private:
  std::unique_ptr<bridge::WorkFolder> private_;
  std::unique_ptr<Pack> pack_;  // after private_: gone before its folder
};

// A new session over `root`, as the caller's handle.
LHANDLE OpenSession(const std::string& root);
// The session of a handle; null for one not handed out or already closed.
Session* SessionOf(LHANDLE h);
// Ends the session; false for a handle that is none.
bool CloseSession(LHANDLE h);

}  // namespace maildir
