#include "standins/maildir-mapi/session.h"

#include <algorithm>
#include <memory>
#include <set>

#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "standins/maildir-mapi/config.h"

namespace maildir {

namespace {

// Unchanged this long and unlocked, a session folder is one whose program
// ended inside the session (the lock is taken right after the folder is made).
constexpr DWORD kAbandonedAfterMs = 10000;

// The sessions handed out; a handle is checked against them before use.
std::set<Session*>& Sessions() {
  static std::set<Session*> sessions;
  return sessions;
}

// The listing's entry of a message; end() when it has none.
std::vector<Entry>::iterator Listed(std::vector<Entry>& listing, const std::string& id) {
  DeliveryKey key = KeyOf(id);
  auto it = std::lower_bound(listing.begin(), listing.end(), key,
                             [](const Entry& e, const DeliveryKey& k) { return e.key < k; });
  return it != listing.end() && it->name.base == id ? it : listing.end();
}

}  // namespace

void Session::Rescan(bool unreadOnly) {
  pack_.reset();
  listing = ListMessages(root, unreadOnly);
  if (!bridge::OnWine()) return;
  if (const std::string folder = PrivateFolder(); !folder.empty())
    pack_ = std::make_unique<Pack>(folder, root, listing);
}

std::optional<Entry> Session::Find(const std::string& id, bool fresh) {
  if (!UsableIdentifier(id)) return std::nullopt;
  if (auto it = Listed(listing, id); !fresh && it != listing.end()) return *it;
  std::vector<Entry> now = ListMessages(root, false);
  auto it = Listed(now, id);
  if (it == now.end()) return std::nullopt;
  Moved(*it);
  auto mine = Listed(listing, id);
  return mine != listing.end() ? *mine : *it;
}

void Session::Moved(const Entry& now) {
  auto it = Listed(listing, now.name.base);
  if (it == listing.end()) return;
  // The content stays: still in the pack.
  const int64_t packed = it->packed;
  *it = now;
  it->packed = packed;
}

void Session::Removed(const std::string& id) {
  if (auto it = Listed(listing, id); it != listing.end()) listing.erase(it);
}

std::optional<std::string> Session::Read(const Entry& e, size_t limit) const {
  if (pack_ && e.size <= limit) {
    if (std::optional<std::string> packed = pack_->Read(e)) return packed;
  }
  return bridge::ReadWholeFile(e.path, limit);
}

std::string Session::PrivateFolder() {
  if (!private_) {
    // A session's folder holds mail: one its program left behind (it ended
    // inside a session) is wiped now. A live session's folder is locked.
    bridge::SweepAbandonedWorkFolders(TempFolder(), "mapi", kAbandonedAfterMs);
    auto folder = std::make_unique<bridge::WorkFolder>(TempFolder(), "mapi", true);
    if (!folder->ok() || !folder->MakeHostPrivate()) return {};
    folder->WipeAtEnd();
    private_ = std::move(folder);
  }
  return private_->path();
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
