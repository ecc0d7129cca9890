#include "standins/maildir-mapi/codepages.h"

#include <windows.h>

#include <algorithm>

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

std::string CallerText(std::string utf8) {
  // A note may be megabytes: converted in place where the code page asks for
  // it (a UTF-8 code page does not), then widened to CR LF in one copy.
  if (GetACP() != CP_UTF8) utf8 = bridge::Utf8ToAnsi(utf8);
  const size_t lines = static_cast<size_t>(std::count(utf8.begin(), utf8.end(), '\n'));
  if (lines == 0) return utf8;
  std::string out;
  out.reserve(utf8.size() + lines);
  for (size_t pos = 0; pos < utf8.size();) {
    size_t nl = utf8.find('\n', pos);
    if (nl == std::string::npos) {
      out.append(utf8, pos);
      break;
    }
    out.append(utf8, pos, nl - pos).append("\r\n");
    pos = nl + 1;
  }
  return out;
}

}  // namespace maildir
