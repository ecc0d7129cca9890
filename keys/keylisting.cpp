#include "keys/keylisting.h"

#include <algorithm>

namespace keys {

namespace {

// Calls `each` with every line of `text` without its CR LF or LF end.
template <class Each>
void ForEachLine(std::string_view text, Each each) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    size_t stop = end;
    if (stop > pos && text[stop - 1] == '\r' && end != text.size()) --stop;
    each(text.substr(pos, stop - pos));
    pos = next;
  }
}

// The lines of `text` without their CR LF or LF end.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  ForEachLine(text, [&lines](std::string_view line) { lines.push_back(line); });
  return lines;
}

bool IsKeyLine(std::string_view line) { return line.substr(0, 3) == "pub"; }

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// "pub  1024/0DBF906D 1996/03/04 User ID": the key ID, and where the user ID
// starts (after the date and one blank; column 31 when the fields are not there).
KeyEntry ReadKeyLine(std::string_view line) {
  constexpr size_t kUserIdColumn = 30;  // 0-based: the 31st character
  KeyEntry entry;
  size_t textAt = kUserIdColumn;
  size_t slash = line.find('/');
  if (slash != std::string_view::npos && slash < kUserIdColumn) {
    size_t end = slash + 1;
    while (end < line.size() && IsHex(line[end])) ++end;
    if (end - slash - 1 >= 1 && end - slash - 1 <= 16 && (end == line.size() || line[end] == ' ')) {
      entry.keyId = std::string(line.substr(slash + 1, end - slash - 1));
      size_t date = end + 1;
      size_t dateEnd = line.find(' ', date);
      if (date < line.size() && dateEnd != std::string_view::npos && dateEnd - date == 10) textAt = dateEnd + 1;
    }
  }
  if (line.size() > textAt) entry.text = std::string(line.substr(textAt));
  return entry;
}

}  // namespace

std::vector<KeyEntry> ReadKeyListing(std::string_view listing) {
  // Counted first, so that the list is made once at its size: a big ring's
  // key list is what the program holds most of.
  size_t count = 0;
  ForEachLine(listing, [&count](std::string_view line) { count += IsKeyLine(line) ? 1 : 0; });
  std::vector<KeyEntry> keys;
  keys.reserve(count);
  ForEachLine(listing, [&keys](std::string_view line) {
    if (IsKeyLine(line)) keys.push_back(ReadKeyLine(line));
  });
  return keys;
}

std::vector<std::string> KeyTexts(const std::vector<KeyEntry>& entries) {
  std::vector<std::string> texts;
  texts.reserve(entries.size());
  for (const auto& entry : entries) texts.push_back(entry.text);
  return texts;
}

std::vector<std::string> ParseKeyListing(std::string_view listing) { return KeyTexts(ReadKeyListing(listing)); }

std::optional<std::string> KeySelector(const KeyEntry& entry) {
  const std::string& id = entry.keyId;
  if (id.empty() || id.size() > 16 || !std::all_of(id.begin(), id.end(), IsHex)) return std::nullopt;
  return "0x" + id;
}

std::vector<size_t> SharingKeyId(const std::vector<KeyEntry>& entries, size_t index) {
  std::vector<size_t> others;
  const std::string& id = entries[index].keyId;
  if (id.empty()) return others;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& other = entries[i].keyId;
    if (i == index || other.size() < id.size()) continue;
    if (std::equal(id.begin(), id.end(), other.end() - static_cast<std::ptrdiff_t>(id.size()),
                   [&](char a, char b) { return lower(a) == lower(b); }))
      others.push_back(i);
  }
  return others;
}

std::string FindFingerprint(std::string_view output) {
  const std::vector<std::string_view> lines = Lines(output);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].substr(0, 3) != "pub") continue;
    size_t userIdLine = ReadKeyLine(lines[i]).text == "*** KEY REVOKED ***" ? i + 1 : i;
    if (userIdLine + 1 >= lines.size()) return {};
    std::string_view next = lines[userIdLine + 1];
    size_t at = next.find_first_not_of(' ');
    // Further user IDs stand at the user-ID column; the fingerprint before it.
    if (at == std::string_view::npos || at >= 30 || next.substr(at, 17) != "Key fingerprint =") return {};
    return std::string(next.substr(at));
  }
  return {};
}

}  // namespace keys
