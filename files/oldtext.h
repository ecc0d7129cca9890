// Text from before the program's code page was UTF-8: window-free, so the
// rules are tested on the host.
#pragma once

#include <string>
#include <string_view>

// True when `bytes` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing past U+10FFFF, no cut sequence.
bool IsUtf8(std::string_view bytes);

// Windows-1252 bytes as UTF-8. Its five unassigned bytes (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the control characters of the same number, as the
// platform's own conversion makes them.
std::string Windows1252ToUtf8(std::string_view bytes);

// The text to put into a window for `bytes` read from a file (a decrypted
// text, a mail body, a text file): where the process code page is UTF-8 and
// the bytes are not, they are an older Windows-1252 text and are shown so
// (a UTF-8 window would replace each such byte with U+FFFD, and saving would
// keep the replacement). Otherwise they are returned as they are, moved, not
// copied: they may be megabytes.
std::string TextForWindow(std::string bytes, unsigned processCodePage);
