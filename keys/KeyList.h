// The public key list, known only through PGP's key listing.
#pragma once

#include <string>
#include <vector>

#include "pgp/keyring.h"
#include "ui/controls.h"

// Where a long command says what it is doing: a status line panel (none
// leaves the screen alone) and the text it shows again afterwards.
struct StatusLine {
  ui::Panel* panel = nullptr;
  std::string restoreText;
  void show(const std::string& text) const;
};

// The key ID of each key list entry, at the same index (see keys::KeySelector).
using KeyIdList = std::vector<std::string>;

// Refills `list` and its key IDs `ids` from PGP's "-kv" listing, saying so on
// `status`; the result is whether the PGP job ran.
bool ReadPublicKeys(std::vector<std::string>& list, KeyIdList& ids, const StatusLine& status = {});
