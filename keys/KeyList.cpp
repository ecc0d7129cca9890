#include "keys/KeyList.h"

#include "app/Main.h"
#include "app/TextFile.h"
#include "settings/Settings.h"
#include "ui/msgbox.h"

bool CheckPublicKeyRing() {
  if (FileExists(Settings.PgpPath + "\\pubring.pgp")) return true;
  ui::ErrorBox("PGP Public Key Ring not found, you must generate keys before using PGP !");
  return false;
}

// Reading the listing needs the job runner; until then the list stays as it is.
bool ReadPublicKeys(std::vector<std::string>& list) { return true; }

void TMainForm::Reredpublickeys1Click() { ReadPublicKeys(KeyList); }
