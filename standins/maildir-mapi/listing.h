// The Maildir on disk: which folders are one, its messages in delivery order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standins/maildir-mapi/store.h"

namespace maildir {

struct Entry {
  DeliveryKey key;
  std::string path;  // full path of the message file
  FileName name;
  std::string relative;  // "new\\<file>" or "cur\\<file>"
  uint64_t size = 0;     // as listed
  int64_t packed = -1;   // where the session's pack holds it; -1: not there
};

// A folder with cur, new and tmp.
bool IsMaildir(const std::string& root);
// The messages of new/ and cur/ in delivery order, without trashed ones.
std::vector<Entry> ListMessages(const std::string& root, bool unreadOnly);
// "YYYY/MM/DD HH:MM" in local time from the delivery time of the name.
std::string ReceivedDate(const DeliveryKey& key);

}  // namespace maildir
