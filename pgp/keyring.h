// The public key ring in the PGP folder.
#pragma once

#include "pgp/context.h"

// True when <ctx.pgpPath>\pubring.pgp exists; otherwise shows the key ring
// error box and returns false.
bool CheckPublicKeyRing(const pgp::Context& ctx);
