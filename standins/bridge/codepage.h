// Text between the host's UTF-8 and the process's ANSI code page, with the
// program's one policy (ui/codepage.h): a character the code page lacks
// becomes '?', never a look-alike and never nothing; conversions name CP_ACP,
// so a process whose ANSI code page is UTF-8 gets UTF-8.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "ui/codepage.h"

namespace bridge {

using ui::EnvironmentVariable;
using ui::Narrow;
using ui::Widen;

// UTF-8 (GnuPG's user IDs, the host's messages) in the ANSI code page; bytes
// that are not UTF-8 are kept as they are. ASCII, and any text in a UTF-8
// code page, costs one pass, no copy through UTF-16: a large key ring has
// thousands of user IDs, a mail may be megabytes.
std::string Utf8ToAnsi(std::string_view s);
std::string AnsiToUtf8(std::string_view s);

}  // namespace bridge
