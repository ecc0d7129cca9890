#include "pgp/keyring.h"

#include "files/TextFile.h"
#include "settings/Settings.h"
#include "ui/msgbox.h"

bool CheckPublicKeyRing() {
  if (FileExists(Settings.PgpPath + "\\pubring.pgp")) return true;
  ui::ErrorBox("PGP Public Key Ring not found, you must generate keys before using PGP !");
  return false;
}
