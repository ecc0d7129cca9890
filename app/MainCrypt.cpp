// The main window's encrypt and decrypt commands.
#include "app/Main.h"
#include "keys/Encrypt.h"
#include "keys/KeyList.h"
#include "pgp/Crypt.h"
#include "ui/msgbox.h"

RecipientChooser TMainForm::Recipients() {
  return [this](std::string& recipients) { return ChooseRecipients(KeyList, KeyIds, recipients); };
}

void TMainForm::Encrypttext1Click() {
  if (!CheckPublicKeyRing() || memo1.textLength() == 0) return;
  std::string armoured = EncryptText(Recipients(), memo1.text());
  if (!armoured.empty()) memo1.setText(armoured);
}

void TMainForm::Decrypttext1Click() {
  if (!CheckPublicKeyRing()) return;
  if (memo1.findNoCase("BEGIN PGP MESSAGE") < 0) {
    ui::ErrorBox("Not a PGP cyphered message !");
    return;
  }
  std::string text = memo1.text();
  if (DecryptWithPgp({}, {}, false, text)) memo1.setText(text);
}

void TMainForm::EncryptFileItemClick() { EncryptFile(Recipients(), OpenDialog, handle()); }

void TMainForm::DecryptFileItemClick() { DecryptFile(OpenDialog, SaveDialog, handle()); }
