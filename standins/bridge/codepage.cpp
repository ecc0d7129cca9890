#include "standins/bridge/codepage.h"

#include <algorithm>

namespace bridge {

namespace {

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::wstring Widen(std::string_view s, UINT codePage, DWORD flags) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(codePage, flags, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(n, L'\0');
  MultiByteToWideChar(codePage, flags, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

}  // namespace

std::wstring Widen(std::string_view s, UINT codePage) { return Widen(s, codePage, 0); }

std::string Narrow(std::wstring_view w, UINT codePage) {
  if (w.empty()) return {};
  // The UTF code pages take neither flags nor a default character.
  const UINT actual = codePage == CP_ACP ? GetACP() : codePage;
  const bool utf = actual == CP_UTF8 || actual == CP_UTF7;
  const DWORD flags = utf ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = utf ? nullptr : "?";
  const int size = static_cast<int>(w.size());
  const int n = WideCharToMultiByte(codePage, flags, w.data(), size, nullptr, 0, fallback, nullptr);
  if (n <= 0) return {};
  std::string s(n, '\0');
  WideCharToMultiByte(codePage, flags, w.data(), size, s.data(), n, fallback, nullptr);
  return s;
}

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
