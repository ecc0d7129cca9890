// The program's reading of PGP's signature report: only PGP's own fixed lines
// at line start give a verdict, and no control character reaches its text.
#include "pgp/sigreport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// Whether a line of `text` begins with one of `prefixes`.
bool LineStartsWith(std::string_view text, std::initializer_list<std::string_view> prefixes) {
  for (size_t pos = 0; pos < text.size();) {
    for (std::string_view p : prefixes)
      if (text.substr(pos).starts_with(p)) return true;
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const pgp::Verdict v = pgp::ReadSignatureReport(text);
  switch (v.kind) {
    case pgp::Signature::None:
      Require(v == pgp::Verdict{});
      break;
    case pgp::Signature::Good:
      Require(LineStartsWith(text, {"Good signature from user \""}));
      break;
    case pgp::Signature::Bad:
      Require(LineStartsWith(text, {"Bad signature from user \"", "WARNING: Bad signature, doesn't match"}));
      break;
    case pgp::Signature::UnknownSigner:
      Require(LineStartsWith(text, {"Key matching expected Key ID ", "WARNING: Can't find the right public key"}));
      break;
  }
  const std::string line = pgp::VerdictText(v);
  Require(line.empty() == (v.kind == pgp::Signature::None));
  for (unsigned char c : line) Require(c >= 0x20 && c != 0x7F);
  for (const std::string* field : {&v.keyId, &v.made})
    Require(field->find_first_not_of("0123456789ABCDEFabcdef/: -") == std::string::npos);
  pgp::TextOutsideSignedPart(text);
  return 0;
}
