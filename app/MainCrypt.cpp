// The main window's encrypt and decrypt commands.
#include "app/Main.h"
#include "files/oldtext.h"
#include "keys/Encrypt.h"
#include "keys/KeyList.h"
#include "pgp/Crypt.h"
#include "ui/msgbox.h"

RecipientChooser TMainForm::Recipients(const pgp::Context& ctx) {
  return [this, ctx](std::string& recipients) { return ChooseRecipients(ctx, KeyList, recipients); };
}

void TMainForm::Encrypttext1Click() {
  const pgp::Context ctx = CurrentPgpContext();
  if (!CheckPublicKeyRing(ctx) || memo1.textLength() == 0) return;
  std::string armoured = EncryptText(ctx, Recipients(ctx), memo1.text());
  if (!armoured.empty()) memo1.setText(armoured);
}

void TMainForm::Decrypttext1Click() {
  const pgp::Context ctx = CurrentPgpContext();
  if (!CheckPublicKeyRing(ctx)) return;
  if (memo1.findNoCase("BEGIN PGP MESSAGE") < 0) {
    ui::ErrorBox("Not a PGP cyphered message !");
    return;
  }
  std::string text = memo1.text();
  if (DecryptWithPgp(ctx, {}, {}, false, text)) memo1.setText(TextForWindow(text, GetACP()));
}

void TMainForm::EncryptFileItemClick() {
  const pgp::Context ctx = CurrentPgpContext();
  EncryptFile(ctx, Recipients(ctx), OpenDialog, handle());
}

void TMainForm::DecryptFileItemClick() { DecryptFile(CurrentPgpContext(), OpenDialog, SaveDialog, handle()); }
