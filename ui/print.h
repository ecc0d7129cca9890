// Printing a plain text on a printer, laid out by the program itself.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ui {

// Prints `text` on `printer` as one job titled `title`, in `screenFont` at the
// printer's resolution, laid out over the printable area page after page with
// long lines broken at its width. Throws Error when the printer fails.
void PrintText(HDC printer, HFONT screenFont, std::string_view text, const std::string& title);

}  // namespace ui
