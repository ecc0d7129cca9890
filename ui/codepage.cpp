#include "ui/codepage.h"

namespace ui {

std::wstring Widen(std::string_view s, UINT codePage, DWORD flags) {
  if (s.empty()) return {};
  const int size = static_cast<int>(s.size());
  const int n = MultiByteToWideChar(codePage, flags, s.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, flags, s.data(), size, w.data(), n);
  return w;
}

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
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, w.data(), size, s.data(), n, fallback, nullptr);
  return s;
}

// GetEnvironmentVariableA cuts a value that is not ASCII under a UTF-8 code
// page (Wine 8: it returns the UTF-16 length and copies that many bytes).
std::optional<std::string> EnvironmentVariable(std::string_view name) {
  const std::wstring key = Widen(name);
  std::wstring value(64, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetEnvironmentVariableW(key.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (n < value.size()) {
      value.resize(n);
      return Narrow(value);
    }
    value.resize(n);  // n counts the terminating zero
  }
}

}  // namespace ui
