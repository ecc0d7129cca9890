// What a file to decrypt holds, judged from its first bytes without gpg:
// whether opening it needs a secret key (and so a pass phrase). Window-free.
#pragma once

#include <string_view>

namespace pgp26 {

enum class MessageKind {
  Encrypted,    // its first packet is an encrypted session key or encrypted data
  Signed,       // signed (or only literal or compressed) data: nothing secret needed
  ClearSigned,  // "-----BEGIN PGP SIGNED MESSAGE-----"
  Unknown,      // no OpenPGP message found where one was looked for
};

// `head`: the file's first bytes (64 KiB are plenty). A binary file is read
// from its first packet; an armoured one from its first "-----BEGIN PGP "
// line, the first packet of a "MESSAGE" read from its base64.
MessageKind SniffMessage(std::string_view head);

}  // namespace pgp26
