#include "pgp/strutil.h"

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
