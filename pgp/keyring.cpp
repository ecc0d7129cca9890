#include "pgp/keyring.h"

#include "files/TextFile.h"
#include "ui/msgbox.h"

bool CheckPublicKeyRing(const pgp::Context& ctx) {
  if (FileExists(ctx.pgpPath + "\\pubring.pgp")) return true;
  ui::ErrorBox("PGP Public Key Ring not found, you must generate keys before using PGP !");
  return false;
}
