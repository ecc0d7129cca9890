// The public key list, known only through PGP's key listing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "forms/statusline.h"
#include "keys/keylisting.h"
#include "pgp/context.h"
#include "pgp/keyring.h"

// Refills `list` from PGP's "-kv" listing, saying so on `status`; the result
// is whether the PGP job ran.
bool ReadPublicKeys(const pgp::Context& ctx, std::vector<keys::KeyEntry>& list, const StatusLine& status = {});

// How keys[index] is named to PGP (keys::KeySelector); nothing, after an
// error box, when the listing gave it no key ID or another listed key has
// the same one (CheckKeyIdUnique).
std::optional<std::string> NameKeyForPgp(const std::vector<keys::KeyEntry>& keys, size_t index);

// False, after an error box naming both keys, when another listed key shares
// the key ID of keys[index]: PGP could take either for it.
bool CheckKeyIdUnique(const std::vector<keys::KeyEntry>& keys, size_t index);
