#include "ui/printrows.h"

#include <algorithm>

namespace ui {

namespace {

bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::vector<std::wstring> TextLines(std::wstring_view text) {
  std::vector<std::wstring> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      lines.emplace_back();
    } else if (c == L'\t') {
      lines.back().append(8 - lines.back().size() % 8, L' ');
    } else {
      lines.back() += c;
    }
  }
  if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  return lines;
}

void BreakLine(std::wstring_view line, const RowFit& fit, std::vector<std::wstring>& rows) {
  do {
    const size_t fits = fit(line);
    if (fits >= line.size()) {
      rows.emplace_back(line);
      return;
    }
    size_t blank = line.rfind(L' ', fits);
    size_t cut = blank == std::wstring_view::npos || blank == 0 ? std::max<size_t>(fits, 1) : blank;
    // A pair's halves stay together: the row ends before the pair, or after
    // it when the pair alone is wider than the row.
    if (cut < line.size() && IsLowSurrogate(line[cut])) cut = cut > 1 ? cut - 1 : cut + 1;
    rows.emplace_back(line.substr(0, cut));
    line.remove_prefix(cut);
    while (!line.empty() && line.front() == L' ') line.remove_prefix(1);
  } while (!line.empty());
}

}  // namespace

std::vector<std::wstring> PrintRows(std::wstring_view text, const RowFit& fit) {
  std::vector<std::wstring> rows;
  for (const std::wstring& line : TextLines(text)) BreakLine(line, fit, rows);
  return rows;
}

}  // namespace ui
