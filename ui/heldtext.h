// A text too big for the text window's control: held whole by the program,
// with the line ends the control would give back, while the control shows
// its beginning. Window-free.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ui {

// Texts longer than this many bytes are held, and the control shows at most
// kShownTextLimit bytes of them. The platform's rich edit costs 4 to 12
// microseconds and 90 to 310 bytes per character it holds (Wine): a held
// text's view fills in a tenth of a second and adds about 5 MB, so the text
// itself stays what the window holds most of; texts up to the first limit
// are the control's, as they always were.
inline constexpr size_t kHeldTextLimit = 64 * 1024;
inline constexpr size_t kShownTextLimit = 16 * 1024;
// Of that view, what is filled before the window paints: more than a
// screenful. The rest follows once the window has painted, so a command
// that ends with a big text shows it without waiting for the whole view.
inline constexpr size_t kFirstShownLimit = 3 * 1024;

// `text` with every line end (CR LF, a lone CR, a lone LF) made CR LF, the
// way the control gives its text back. Unchanged texts are not copied.
std::string WithControlLineEnds(std::string text);

// How many bytes of `text` the control shows: all of it up to `limit`;
// otherwise up to and with the last line end within `limit` or, in a text
// without one there, up to `limit` less the bytes of a character it would cut
// (UTF-8 continuation bytes).
size_t ShownLength(std::string_view text, size_t limit);

// How much of a held text goes into the control before the window paints:
// its first `lines` lines, and at most ShownLength(text, limit).
size_t FirstLinesLength(std::string_view text, size_t lines, size_t limit);

// Where `what` first begins in `text`, ASCII letters compared without regard
// to case and every other byte exactly; npos when absent.
size_t FindAsciiNoCase(std::string_view text, std::string_view what);

// The status line's notice for a held text of `heldBytes` whose first
// `shownBytes` the control shows.
std::string HeldTextNotice(size_t shownBytes, size_t heldBytes);

}  // namespace ui
