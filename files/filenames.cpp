#include "files/filenames.h"

int LastCharPos(char c, std::string_view s) {
  size_t at = s.rfind(c);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}
