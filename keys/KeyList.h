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

// How a chosen entry is named to PGP (keys::KeySelector); nothing, after an
// error box, when the listing gave it no key ID.
std::optional<std::string> NameKeyForPgp(const keys::KeyEntry& entry);
