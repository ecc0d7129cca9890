#include "ui/heldtext.h"

#include <algorithm>

namespace ui {

namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string WithControlLineEnds(std::string text) {
  // Most texts come with CR LF throughout: they are kept as they are. Others
  // (a megabyte of armour with bare LFs) are copied once into a string of
  // their final size.
  size_t bare = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    if (text[i] == '\n') {
      ++bare;
    } else if (text[i] == '\r') {
      if (i + 1 < n && text[i + 1] == '\n')
        ++i;
      else
        ++bare;
    }
  }
  if (bare == 0) return text;
  std::string out(n + bare, '\0');
  char* to = out.data();
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      *to++ = '\r';
      *to++ = '\n';
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    } else {
      *to++ = c;
    }
  }
  return out;
}

size_t FirstLinesLength(std::string_view text, size_t lines, size_t limit) {
  const size_t most = ShownLength(text, limit);
  size_t at = 0;
  for (size_t n = 0; n < lines && at < most; ++n) {
    const size_t end = text.find('\n', at);
    if (end == std::string_view::npos) return most;
    at = end + 1;
  }
  return std::min(at, most);
}

size_t ShownLength(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text.size();
  const size_t lineEnd = text.substr(0, limit).find_last_of('\n');
  if (lineEnd != std::string_view::npos) return lineEnd + 1;
  size_t cut = limit;
  for (int back = 0; back < 3 && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80; ++back) --cut;
  return cut;
}

size_t FindAsciiNoCase(std::string_view text, std::string_view what) {
  auto it = std::search(text.begin(), text.end(), what.begin(), what.end(),
                        [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
  return it == text.end() && !what.empty() ? std::string_view::npos : static_cast<size_t>(it - text.begin());
}

std::string HeldTextNotice(size_t shownBytes, size_t heldBytes) {
  const auto kb = [](size_t bytes) { return std::to_string((bytes + 1023) / 1024); };
  return "Read-only view of the first " + kb(shownBytes) + " of " + kb(heldBytes) + " KB; commands use the whole text";
}

}  // namespace ui
