// The PGP command's look at a file to decrypt (whether it needs a pass
// phrase): any bytes give one answer, and an answer of "encrypted" or
// "signed" always rests on an OpenPGP packet header it found.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "standins/pgp26/message.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view head(reinterpret_cast<const char*>(data), size);
  const pgp26::MessageKind kind = pgp26::SniffMessage(head);
  if (kind == pgp26::MessageKind::ClearSigned) Require(head.find("-----BEGIN PGP SIGNED MESSAGE-----") != head.npos);
  if (kind == pgp26::MessageKind::Encrypted || kind == pgp26::MessageKind::Signed)
    Require((data[0] & 0x80) || head.find("-----BEGIN PGP MESSAGE") != head.npos);
  // The answer depends on the head alone: more bytes after a binary header change nothing.
  if (size > 1 && (data[0] & 0x80)) Require(pgp26::SniffMessage(head.substr(0, 1)) == kind);
  return 0;
}
