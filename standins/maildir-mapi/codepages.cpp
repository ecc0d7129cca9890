#include "standins/maildir-mapi/codepages.h"

#include <windows.h>

#include "standins/bridge/codepage.h"
#include "standins/maildir-mapi/mime.h"

namespace maildir {

std::optional<std::string> DecodeCharset(std::string_view charset, std::string_view bytes) {
  UINT cp = CodePageOf(charset);
  if (cp == 0 || !IsValidCodePage(cp)) return std::nullopt;
  return bridge::Narrow(bridge::Widen(bytes, cp), CP_UTF8);
}

std::string AnsiCharsetName() {
  UINT cp = GetACP();
  if (cp >= 1250 && cp <= 1258) return "windows-" + std::to_string(cp);
  if (cp == CP_UTF8) return "UTF-8";
  return {};
}

std::string CallerText(std::string_view utf8) {
  const std::string ansi = bridge::Utf8ToAnsi(utf8);
  std::string out;
  out.reserve(ansi.size() + ansi.size() / 32);
  for (char c : ansi) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace maildir
