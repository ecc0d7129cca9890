#include "standins/bridge/quote.h"

namespace bridge {

std::string ShQuote(std::string_view s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

std::string WinQuote(std::string_view s) {
  if (!s.empty() && s.find_first_of(" \t\n\v\"") == std::string_view::npos) return std::string(s);
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : s) {
    if (c == '\\') {
      ++backslashes;
    } else if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
      backslashes = 0;
    } else {
      out.append(backslashes, '\\');
      backslashes = 0;
    }
    if (c != '\\') out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

}  // namespace bridge
