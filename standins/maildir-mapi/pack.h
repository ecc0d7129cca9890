// The small messages of a listing, read by the host in one go. Under Wine
// every file opened costs round trips to the server: in a scan of 10,000
// messages that is most of the time, while one host process reads them all
// in a fraction of it. One sh run concatenates them into a file of the
// session's private folder; reads then take a message by its offset.
// Delivered Maildir messages never change (only their names do), so a packed
// message stays right for the session.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "standins/maildir-mapi/listing.h"
#include "ui/handles.h"

namespace maildir {

class Pack {
 public:
  // Packs the listed messages of `root` that are small enough into `folder`
  // and gives each its offset (Entry::packed). Packs nothing, and marks no
  // entry, when there are too few to pay for the sh run or when the host
  // read other bytes than listed (a message moved meanwhile).
  Pack(const std::string& folder, const std::string& root, std::vector<Entry>& listing);
  Pack(const Pack&) = delete;
  Pack& operator=(const Pack&) = delete;
  // The pack held messages: it is wiped.
  ~Pack();

  // The bytes of a packed message; nothing for one not packed.
  std::optional<std::string> Read(const Entry& e) const;

 private:
  std::string path_;
  ui::Handle file_;
};

}  // namespace maildir
