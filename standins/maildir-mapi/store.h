// Maildir file names: the message's identifier, its flags and its place in
// delivery order. No platform calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace maildir {

struct FileName {
  std::string base;   // the identifier: the name without ":2,<flags>"
  std::string flags;  // the letters after ":2,"
};

FileName SplitFileName(std::string_view name);
// `flags` with `flag` added, in ASCII order as the Maildir format asks.
std::string AddFlag(std::string_view flags, char flag);
inline bool HasFlag(std::string_view flags, char flag) { return flags.find(flag) != std::string_view::npos; }
// The file name of a message in cur/ with those flags.
inline std::string CurName(const FileName& n) { return n.base + ":2," + n.flags; }

// Delivery order: the seconds at the start of the name, then the
// microseconds of an "M<digits>" part, then the name. Names that do not start
// with a time come last.
struct DeliveryKey {
  uint64_t seconds = 0;
  uint64_t micro = 0;
  std::string base;
  auto operator<=>(const DeliveryKey&) const = default;
};
DeliveryKey KeyOf(std::string_view base);

// Identifiers must fit the callers' buffers with room to spare, and name
// nothing but the one file: no other folder, no wildcard, no device, no
// trailing dot or blank.
bool UsableIdentifier(std::string_view base);

}  // namespace maildir
