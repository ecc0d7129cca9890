#include "ui/printrows.h"

#include <algorithm>

namespace ui {

namespace {

std::vector<std::string> TextLines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else if (c == '\t') {
      lines.back().append(8 - lines.back().size() % 8, ' ');
    } else {
      lines.back() += c;
    }
  }
  if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  return lines;
}

void BreakLine(std::string_view line, const RowFit& fit, std::vector<std::string>& rows) {
  do {
    const size_t fits = fit(line);
    if (fits >= line.size()) {
      rows.emplace_back(line);
      return;
    }
    size_t blank = line.rfind(' ', fits);
    size_t cut = blank == std::string_view::npos || blank == 0 ? std::max<size_t>(fits, 1) : blank;
    rows.emplace_back(line.substr(0, cut));
    line.remove_prefix(cut);
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  } while (!line.empty());
}

}  // namespace

std::vector<std::string> PrintRows(std::string_view text, const RowFit& fit) {
  std::vector<std::string> rows;
  for (const std::string& line : TextLines(text)) BreakLine(line, fit, rows);
  return rows;
}

}  // namespace ui
