// The public key list, known only through PGP's key listing.
#pragma once

#include <string>
#include <vector>

#include "forms/statusline.h"
#include "pgp/keyring.h"

// The key ID of each key list entry, at the same index (see keys::KeySelector).
using KeyIdList = std::vector<std::string>;

// Refills `list` and its key IDs `ids` from PGP's "-kv" listing, saying so on
// `status`; the result is whether the PGP job ran.
bool ReadPublicKeys(std::vector<std::string>& list, KeyIdList& ids, const StatusLine& status = {});
