// The program's reading of PGP's key listing and fingerprint output, and the
// naming of a chosen key to PGP.
#include "keys/keylisting.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

size_t PubLines(std::string_view text) {
  size_t count = 0;
  for (size_t pos = 0; pos <= text.size();) {
    if (text.substr(pos, 3) == "pub") ++count;
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto entries = keys::ReadKeyListing(text);
  Require(entries.size() == PubLines(text));
  std::vector<std::string> texts;
  for (const auto& e : entries) {
    // Every text is a piece of one line of the input; every key ID hex.
    Require(e.text.find('\n') == std::string::npos);
    Require(text.find(e.text) != std::string_view::npos);
    Require(e.keyId.size() <= 16);
    Require(e.keyId.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos);
    texts.push_back(e.text);
    // A key is named by its key ID alone, never by its text.
    const auto name = keys::KeySelector(e);
    Require(e.keyId.empty() ? !name : name == "0x" + e.keyId);
  }
  Require(keys::ParseKeyListing(text) == texts);
  const std::string fingerprint = keys::FindFingerprint(text);
  if (!fingerprint.empty()) {
    Require(fingerprint.rfind("Key fingerprint =", 0) == 0);
    Require(fingerprint.find('\n') == std::string::npos);
    Require(text.find(fingerprint) != std::string_view::npos);
  }
  return 0;
}
