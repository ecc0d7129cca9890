// Text between the host's UTF-8 and the process's ANSI code page, with one
// policy for every stand-in: a character the code page lacks becomes '?',
// never a look-alike (no best fit: "Ł" must not pass for "L") and never
// nothing. Conversions name CP_ACP rather than a number, so a process whose
// ANSI code page is UTF-8 gets UTF-8.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace bridge {

std::wstring Widen(std::string_view s, UINT codePage);
std::string Narrow(std::wstring_view w, UINT codePage);

// UTF-8 (GnuPG's user IDs, the host's messages) in the ANSI code page; bytes
// that are not UTF-8 are kept as they are. ASCII costs one pass, no copy
// through UTF-16: a large key ring has thousands of user IDs.
std::string Utf8ToAnsi(std::string_view s);
std::string AnsiToUtf8(std::string_view s);

}  // namespace bridge
