#include "pgp/strutil.h"

int LastCharPos(char c, std::string_view s) {
  size_t at = s.rfind(c);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string DoublePercents(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

std::string BatchFileText(std::string_view arguments, std::string_view outputFile) {
  return "@echo off\r\n" + DoublePercents(arguments) + " +BatchMode >\"" + DoublePercents(outputFile) +
         "\"\r\nexit\r\n";
}
