#include "pgp/cryptname.h"

std::string PgpOutputName(std::string_view input, std::string_view ext) {
  const size_t dir = input.find_last_of("\\/:");
  const size_t dot = input.find_last_of('.');
  std::string name(input);
  if (dot != std::string_view::npos && (dir == std::string_view::npos || dot > dir))
    name.resize(dot + 1);
  else
    name += '.';
  name += ext;
  return name;
}
