// The main window's key ring commands. Every command that lets PGP change the
// ring reads the key list again.
#include "app/Main.h"
#include "keys/KeyCommands.h"
#include "keys/KeyList.h"

void TMainForm::Generatekeys1Click() {
  GenerateKeys();
  ReadPublicKeys(KeyList, KeyIds, Status());
}

void TMainForm::Addapublickey1Click() {
  if (AddKey(OpenDialog, handle())) ReadPublicKeys(KeyList, KeyIds, Status());
}

void TMainForm::Extractakey1Click() { ExtractKey(KeyList, KeyIds, SaveDialog, handle()); }

void TMainForm::Removeakey1Click() {
  if (RemoveKey(KeyList, KeyIds)) ReadPublicKeys(KeyList, KeyIds, Status());
}

void TMainForm::GetKeyFingerprint1Click() { ShowKeyFingerprint(KeyList, KeyIds); }

void TMainForm::Reredpublickeys1Click() { ReadPublicKeys(KeyList, KeyIds, Status()); }

void TMainForm::DefaultIDforSigning1Click() { ChooseDefaultSigningId(KeyList); }
