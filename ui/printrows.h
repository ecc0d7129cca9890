// The rows a text is printed in: window-free, so the breaking is tested on
// the host; the printer measures through a callback. Rows are UTF-16 (as
// the printer's W text calls take them), so a row never ends inside a
// character the way a row of UTF-8 bytes could.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// How many leading units of `row` fit into the printed width.
using RowFit = std::function<size_t(std::wstring_view row)>;

// The text's lines (CR LF, LF or CR end a line; a final line end adds no
// empty line), tabs expanded to blanks at every eighth column, each broken
// into rows that fit: after the last blank that fits, or inside a word wider
// than a whole row, never between the two halves of a surrogate pair. A
// continued row starts at its first non-blank. An empty text is one empty
// row.
std::vector<std::wstring> PrintRows(std::wstring_view text, const RowFit& fit);

}  // namespace ui
