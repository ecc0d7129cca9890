#include "standins/maildir-mapi/store.h"

#include <algorithm>

namespace maildir {

namespace {

// Reads decimal digits at `pos`; false when there are none or too many.
bool ReadNumber(std::string_view s, size_t& pos, uint64_t& value) {
  size_t start = pos;
  value = 0;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && pos - start < 18) value = value * 10 + (s[pos++] - '0');
  return pos > start;
}

// A name Win32 takes for a device (CON, NUL, COM1, ...), whatever follows
// the first dot or colon.
bool DeviceName(std::string_view name) {
  name = name.substr(0, name.find_first_of(".:"));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  std::string upper(name);
  for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" || upper == "CONOUT$")
    return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
         upper[3] <= '9';
}

}  // namespace

FileName SplitFileName(std::string_view name) {
  size_t info = name.rfind(":2,");
  if (info == std::string_view::npos) return {std::string(name), {}};
  return {std::string(name.substr(0, info)), std::string(name.substr(info + 3))};
}

std::string AddFlag(std::string_view flags, char flag) {
  std::string out(flags);
  if (!HasFlag(out, flag)) out += flag;
  std::sort(out.begin(), out.end());
  return out;
}

DeliveryKey KeyOf(std::string_view base) {
  DeliveryKey k;
  k.base = std::string(base);
  size_t pos = 0;
  if (!ReadNumber(base, pos, k.seconds) || pos >= base.size() || base[pos] != '.') {
    k.seconds = UINT64_MAX;
    return k;
  }
  size_t dot = base.find('.', pos + 1);
  std::string_view unique =
      base.substr(pos + 1, dot == std::string_view::npos ? std::string_view::npos : dot - pos - 1);
  if (size_t m = unique.find('M'); m != std::string_view::npos) {
    size_t p = m + 1;
    ReadNumber(unique, p, k.micro);
  }
  return k;
}

bool UsableIdentifier(std::string_view base) {
  // Win32 drops trailing dots and blanks from a name: such a name would reach
  // another file than the one listed.
  return !base.empty() && base.size() < 256 && base[0] != '.' && base.back() != '.' && base.back() != ' ' &&
         base.find_first_of("/\\*?") == std::string_view::npos && !DeviceName(base);
}

}  // namespace maildir
