#include "standins/maildir-mapi/session.h"

#include <algorithm>
#include <memory>
#include <set>

#include "standins/bridge/files.h"

namespace maildir {

namespace {

// The sessions handed out; a handle is checked against them before use.
std::set<Session*>& Sessions() {
  static std::set<Session*> sessions;
  return sessions;
}

}  // namespace

std::optional<Entry> Session::Find(const std::string& id) const {
  if (!UsableIdentifier(id)) return std::nullopt;
  DeliveryKey key = KeyOf(id);
  auto it = std::lower_bound(listing.begin(), listing.end(), key,
                             [](const Entry& e, const DeliveryKey& k) { return e.key < k; });
  if (it != listing.end() && it->name.base == id && bridge::FileExists(it->path)) return *it;
  return Locate(root, id);
}

LHANDLE OpenSession(const std::string& root) {
  auto s = std::make_unique<Session>();
  s->root = root;
  Sessions().insert(s.get());
  return reinterpret_cast<LHANDLE>(s.release());
}

Session* SessionOf(LHANDLE h) {
  auto* s = reinterpret_cast<Session*>(h);
  return Sessions().count(s) ? s : nullptr;
}

bool CloseSession(LHANDLE h) {
  Session* s = SessionOf(h);
  if (!s) return false;
  Sessions().erase(s);
  delete s;
  return true;
}

}  // namespace maildir
