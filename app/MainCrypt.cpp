// The main window's encrypt, decrypt, sign and verify commands, and the bar
// that shows what PGP said about a signature.
#include "app/Main.h"
#include "files/oldtext.h"
#include "keys/Encrypt.h"
#include "keys/KeyList.h"
#include "pgp/Crypt.h"
#include "pgp/sigreport.h"
#include "ui/msgbox.h"

namespace {

// The verdict bar's face and text colours by tone.
struct ToneColors {
  pgp::VerdictTone tone;
  COLORREF face;
  COLORREF text;
};
constexpr ToneColors kToneColors[] = {
    {pgp::VerdictTone::Good, RGB(0xC6, 0xEF, 0xCE), RGB(0x00, 0x50, 0x00)},
    {pgp::VerdictTone::Caution, RGB(0xFF, 0xE0, 0x8A), RGB(0x5C, 0x3C, 0x00)},
    {pgp::VerdictTone::Bad, RGB(0xFF, 0xB8, 0xB8), RGB(0x8C, 0x00, 0x00)},
};

}  // namespace

RecipientChooser TMainForm::Recipients(const pgp::Context& ctx) {
  return [this, ctx](std::string& recipients) { return ChooseRecipients(ctx, KeyList, recipients); };
}

void TMainForm::ReplaceText(std::string text) {
  memo1.setText(std::move(text));
  ShowVerdict({});
}

void TMainForm::ShowVerdict(const pgp::Verdict& verdict) {
  const std::string text = pgp::VerdictText(verdict);
  const pgp::VerdictTone tone = pgp::ToneOf(verdict);
  if (text.empty()) {
    if (VerdictBar.visible()) VerdictBar.setVisible(false);
    return;
  }
  for (const ToneColors& c : kToneColors)
    if (c.tone == tone) VerdictBar.setColors(c.face, c.text);
  VerdictBar.setCaption(text);
  // Its tooltip and the status line show the whole line where the bar cuts it.
  VerdictBar.hint = text + "|" + text;
  VerdictBar.setVisible(true);
  // Seen behind the box that may follow.
  repaint();
  if (pgp::NeedsWarning(verdict)) ui::WarningBox(text + " !");
}

void TMainForm::Encrypttext1Click() {
  const pgp::Context ctx = CurrentPgpContext();
  if (!CheckPublicKeyRing(ctx) || memo1.textLength() == 0) return;
  std::string armoured = EncryptText(ctx, Recipients(ctx), memo1.text());
  if (!armoured.empty()) ReplaceText(std::move(armoured));
}

// An encrypted message is decrypted (also when a signed one stands beside
// it); a clear-signed one is checked, and the window keeps it.
void TMainForm::Decrypttext1Click() {
  const pgp::Context ctx = CurrentPgpContext();
  if (!CheckPublicKeyRing(ctx)) return;
  if (memo1.findNoCase("BEGIN PGP MESSAGE") < 0) {
    if (memo1.findNoCase("BEGIN PGP SIGNED MESSAGE") >= 0)
      ShowVerdict(VerifyText(ctx, memo1.text()));
    else
      ui::ErrorBox("Not a PGP cyphered message !");
    return;
  }
  // The window's text is not copied: a big one is the biggest thing here.
  std::string plain;
  const Decrypted done = DecryptWithPgp(ctx, {}, {}, false, memo1.text(), plain);
  if (done.wrote) ReplaceText(TextForWindow(std::move(plain), GetACP()));
  if (done.verdict.kind != pgp::Signature::None) ShowVerdict(done.verdict);
}

void TMainForm::Signtext1Click() {
  const pgp::Context ctx = CurrentPgpContext();
  if (!CheckPublicKeyRing(ctx) || memo1.textLength() == 0) return;
  std::string signedText = SignText(ctx, memo1.text());
  if (!signedText.empty()) ReplaceText(std::move(signedText));
}

void TMainForm::EncryptFileItemClick() {
  const pgp::Context ctx = CurrentPgpContext();
  EncryptFile(ctx, Recipients(ctx), OpenDialog, handle());
}

void TMainForm::DecryptFileItemClick() { DecryptFile(CurrentPgpContext(), OpenDialog, SaveDialog, handle()); }
