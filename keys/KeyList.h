// The public key list, known only through PGP's key listing.
#pragma once

#include <string>
#include <vector>

// True when <PgpPath>\pubring.pgp exists; otherwise shows the key ring error
// box and returns false.
bool CheckPublicKeyRing();

// Refills `list` from PGP's "-kv" listing; the result is whether the PGP job ran.
bool ReadPublicKeys(std::vector<std::string>& list);
