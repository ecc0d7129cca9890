// The PGP command's recipient list (-@): whatever the file holds, every
// recipient is one non-empty line of it without trailing blanks, in order.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "standins/pgp26/command.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> recipients = pgp26::ParseRecipientList(text);
  size_t from = 0;
  for (const std::string& r : recipients) {
    Require(!r.empty());
    Require(r.find('\n') == std::string::npos);
    Require(!std::isspace(static_cast<unsigned char>(r.back())));
    // Each one is the start of a line of the text, after the previous one.
    size_t at = text.find(r, from);
    while (at != std::string_view::npos && at > 0 && text[at - 1] != '\n') at = text.find(r, at + 1);
    Require(at != std::string_view::npos);
    from = at + r.size();
  }
  return 0;
}
