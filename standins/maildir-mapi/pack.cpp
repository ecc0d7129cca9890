#include "standins/maildir-mapi/pack.h"

#include <windows.h>

#include <algorithm>

#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"

namespace maildir {

namespace {

// A message larger than this costs its bytes more than its opening.
constexpr uint64_t kMaxPacked = 64 << 10;
// What one pack may hold in all.
constexpr uint64_t kMaxPack = 64 << 20;
// Fewer messages are read sooner one by one than through an sh run.
constexpr size_t kMinPacked = 100;

bool Packable(const Entry& e) {
  return e.size <= kMaxPacked &&
         std::all_of(e.relative.begin(), e.relative.end(), [](char c) { return c > 0 && c < 0x7F; });
}

}  // namespace

Pack::Pack(const std::string& folder, const std::string& root, std::vector<Entry>& listing) {
  if (std::count_if(listing.begin(), listing.end(), Packable) < static_cast<long>(kMinPacked)) return;
  const std::string unixRoot = bridge::UnixPath(root);
  if (unixRoot.empty()) return;
  // The host's names: Win32 names that are ASCII are the same bytes.
  std::string names;
  uint64_t total = 0;
  std::vector<Entry*> packed;
  for (Entry& e : listing) {
    if (!Packable(e) || total + e.size > kMaxPack) continue;
    std::string name = e.relative;
    std::replace(name.begin(), name.end(), '\\', '/');
    names.append(name).push_back('\0');
    packed.push_back(&e);
    total += e.size;
  }
  path_ = folder + "\\pack";
  if (!bridge::WriteWholeFile(folder + "\\names", names)) return;
  auto r = bridge::RunShell(folder,
                            "cd -P " + bridge::ShQuote(unixRoot) + " && xargs -0 cat -- <" +
                                bridge::ShQuote(bridge::UnixPath(folder) + "/names") + " >" +
                                bridge::ShQuote(bridge::UnixPath(path_)),
                            60000);
  file_ = ui::Handle(CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!r || r->status != 0 || !file_ || !GetFileSizeEx(file_.get(), &size) ||
      static_cast<uint64_t>(size.QuadPart) != total) {
    file_.reset();
    return;
  }
  int64_t offset = 0;
  for (Entry* e : packed) {
    e->packed = offset;
    offset += static_cast<int64_t>(e->size);
  }
}

Pack::~Pack() {
  file_.reset();
  if (!path_.empty()) bridge::WipeFile(path_);
}

std::optional<std::string> Pack::Read(const Entry& e) const {
  if (!file_ || e.packed < 0) return std::nullopt;
  std::string data(e.size, '\0');
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(e.packed);
  at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(e.packed) >> 32);
  DWORD got = 0;
  if (!data.empty() &&
      (!ReadFile(file_.get(), data.data(), static_cast<DWORD>(data.size()), &got, &at) || got != data.size()))
    return std::nullopt;
  return data;
}

}  // namespace maildir
