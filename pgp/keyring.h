// The public key ring in the PGP folder.
#pragma once

// True when <PgpPath>\pubring.pgp exists; otherwise shows the key ring error
// box and returns false.
bool CheckPublicKeyRing();
