#include "standins/bridge/codepage.h"

#include <algorithm>

namespace bridge {

namespace {

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string Utf8ToAnsi(std::string_view s) {
  // A UTF-8 code page takes the bytes as they are, valid or not: no pass
  // through UTF-16 for a large message.
  if (IsAscii(s) || GetACP() == CP_UTF8) return std::string(s);
  const std::wstring w = Widen(s, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (w.empty()) return std::string(s);  // not UTF-8
  return Narrow(w, CP_ACP);
}

std::string AnsiToUtf8(std::string_view s) { return IsAscii(s) ? std::string(s) : Narrow(Widen(s, CP_ACP), CP_UTF8); }

}  // namespace bridge
