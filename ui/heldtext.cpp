#include "ui/heldtext.h"

#include <algorithm>

namespace ui {

namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string WithControlLineEnds(std::string text) {
  // Most texts come with CR LF throughout: they are kept as they are.
  bool changes = false;
  for (size_t i = 0; i < text.size() && !changes; ++i) {
    if (text[i] == '\n') changes = true;
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
      else
        changes = true;
    }
  }
  if (!changes) return text;
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size();) {
    const size_t end = std::min(text.find_first_of("\r\n", i), text.size());
    out.append(text, i, end - i);
    if (end == text.size()) break;
    out += "\r\n";
    i = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return out;
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
