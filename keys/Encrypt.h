// The recipients dialog and the choice of recipients for an encryption.
#pragma once

#include <string>
#include <vector>

#include "keys/keylisting.h"
#include "pgp/context.h"
#include "ui/controls.h"
#include "ui/dialog.h"

class TEncryptFrm : public ui::Form {
 public:
  TEncryptFrm();

  ui::Panel Panel1;
  ui::Panel Panel2;
  ui::ListBox ListBox1;  // all public keys
  ui::ListBox ListBox2;  // the chosen recipients
  ui::Button AddBtn;
  ui::Button RemoveBtn;
  ui::Button Button3;
  ui::Button Button4;

  // The key list indexes of ListBox2's entries, in its order.
  std::vector<size_t> Chosen;

  void FormCreate();
  void AddBtnClick();
  void RemoveBtnClick();
  void Button3Click();
};

// Shows the recipients dialog over the texts of `keys`. Each chosen key is
// named to PGP by its key ID (keys::KeySelector). On OK with at least one
// recipient: with ctx.useList off, appends `"<name>" ` per recipient to
// `recipientsText` (pgp::RecipientArguments); with it on, sets it to the name
// of a new work file holding one name per line (CR LF), which the caller then
// removes. False when there is no key ring, the dialog was cancelled, or a
// chosen key has no key ID or shares it with another listed key (its error
// box shown, nothing written).
bool ChooseRecipients(const pgp::Context& ctx, const std::vector<keys::KeyEntry>& keys, std::string& recipientsText);

// The recipients list file's content.
std::string RecipientListText(const std::vector<std::string>& names);
