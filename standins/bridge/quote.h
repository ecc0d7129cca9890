// Quoting for the two command languages the stand-ins write: sh words and
// Win32 command-line arguments. Window-free.
#pragma once

#include <string>
#include <string_view>

namespace bridge {

// One single-quoted sh word: 'it'\''s'.
std::string ShQuote(std::string_view s);
// One argument quoted for a Win32 command line (the runtime's argv rules).
std::string WinQuote(std::string_view s);

}  // namespace bridge
