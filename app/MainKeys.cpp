// The main window's key ring commands. Every command that lets PGP change the
// ring reads the key list again.
#include "app/Main.h"
#include "keys/KeyCommands.h"
#include "keys/KeyList.h"
#include "settings/Settings.h"

void TMainForm::Generatekeys1Click() {
  const pgp::Context ctx = CurrentPgpContext();
  GenerateKeys(ctx);
  ReadPublicKeys(ctx, KeyList, Status());
}

void TMainForm::Addapublickey1Click() {
  const pgp::Context ctx = CurrentPgpContext();
  if (AddKey(ctx, OpenDialog, handle())) ReadPublicKeys(ctx, KeyList, Status());
}

void TMainForm::Extractakey1Click() { ExtractKey(CurrentPgpContext(), KeyList, SaveDialog, handle()); }

void TMainForm::Removeakey1Click() {
  const pgp::Context ctx = CurrentPgpContext();
  if (RemoveKey(ctx, KeyList)) ReadPublicKeys(ctx, KeyList, Status());
}

void TMainForm::GetKeyFingerprint1Click() { ShowKeyFingerprint(CurrentPgpContext(), KeyList); }

void TMainForm::Reredpublickeys1Click() { ReadPublicKeys(CurrentPgpContext(), KeyList, Status()); }

// The choice is stored at once.
void TMainForm::DefaultIDforSigning1Click() {
  auto chosen = ChooseDefaultSigningId(KeyList, Settings.IdSign);
  if (!chosen) return;
  Settings.IdSign = *chosen;
  SaveSettings();
}
