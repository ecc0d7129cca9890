#include "pgp/quoting.h"

namespace pgp {

std::string QuotingProblem(std::string_view value) {
  for (char c : value) {
    switch (c) {
      case '"':
        return "it contains a double quote";
      case '\r':
        return "it contains a carriage return";
      case '\n':
        return "it contains a line feed";
      case '\0':
        return "it contains a zero byte";
      default:
        // Command interpreters act on control characters (Ctrl-Z ends the
        // line for some), so none may stand between the quotes.
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') return "it contains a control character";
        break;
    }
  }
  return {};
}

std::string Quoted(std::string_view value) {
  std::string q;
  q.reserve(value.size() + 2);
  q += '"';
  q += value;
  q += '"';
  return q;
}

}  // namespace pgp
