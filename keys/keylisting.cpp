#include "keys/keylisting.h"

namespace keys {

namespace {

// Calls `line` for each line of `text` without its CR LF or LF end.
template <typename F>
void ForEachLine(std::string_view text, F&& line) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    size_t stop = end;
    if (stop > pos && text[stop - 1] == '\r' && end != text.size()) --stop;
    if (!line(text.substr(pos, stop - pos))) return;
    pos = next;
  }
}

}  // namespace

std::vector<std::string> ParseKeyListing(std::string_view listing) {
  constexpr size_t kUserIdColumn = 30;  // 0-based: the 31st character
  std::vector<std::string> keys;
  ForEachLine(listing, [&](std::string_view line) {
    if (line.substr(0, 3) == "pub")
      keys.emplace_back(line.size() > kUserIdColumn ? line.substr(kUserIdColumn) : std::string_view{});
    return true;
  });
  return keys;
}

std::string FindFingerprint(std::string_view output) {
  std::string found;
  ForEachLine(output, [&](std::string_view line) {
    size_t at = line.find("Key fingerprint");
    if (at == std::string_view::npos) return true;
    found.assign(line.substr(at));
    return false;
  });
  return found;
}

}  // namespace keys
