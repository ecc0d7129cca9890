// The Maildir on disk: which folders are one, its messages in delivery order,
// one message by identifier.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "standins/maildir-mapi/store.h"

namespace maildir {

struct Entry {
  DeliveryKey key;
  std::string path;  // full path of the message file
  FileName name;
};

// A folder with cur, new and tmp.
bool IsMaildir(const std::string& root);
// The messages of new/ and cur/ in delivery order, without trashed ones.
std::vector<Entry> ListMessages(const std::string& root, bool unreadOnly);
// The file of a message by identifier: new/<id>, else cur/<id>:2,<flags>.
std::optional<Entry> Locate(const std::string& root, const std::string& id);
// "YYYY/MM/DD HH:MM" in local time from the delivery time of the name.
std::string ReceivedDate(const DeliveryKey& key);

}  // namespace maildir
