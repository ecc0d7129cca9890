// Window-free file-name surgery shared by the feature folders.
#pragma once

#include <string_view>

// 1-based position of the last occurrence of `c` in `s`; 0 when absent.
int LastCharPos(char c, std::string_view s);
