// Text between the process's ANSI code page and UTF-16. The ANSI code page is
// UTF-8 where the program's manifest entry is honoured (Windows 10 1903 and
// later, Wine 8) and the system's code page elsewhere; conversions name CP_ACP,
// never a number, so both work. A character the code page lacks becomes '?',
// never a look-alike (no best fit: "Ł" must not pass for "L") and never
// nothing.
//
// GDI's ANSI text calls (TextOutA, DrawTextA, GetTextExtent*A) and
// GetEnvironmentVariableA ignore a UTF-8 process code page (they convert with
// the font's or the system's code page, or cut the value): call their W forms
// on Widen(text).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace ui {

std::wstring Widen(std::string_view s, UINT codePage = CP_ACP, DWORD flags = 0);
std::string Narrow(std::wstring_view w, UINT codePage = CP_ACP);

// The variable's value in the ANSI code page; nothing when it is not set.
std::optional<std::string> EnvironmentVariable(std::string_view name);

}  // namespace ui
