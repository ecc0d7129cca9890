// The recipients dialog and the choice of recipients for an encryption.
#pragma once

#include <string>
#include <vector>

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

  void FormCreate();
  void AddBtnClick();
  void RemoveBtnClick();
  void Button3Click();
};

// Shows the recipients dialog over a copy of `keys`. On OK with at
// least one recipient: with UseList off, appends `"<entry>" ` per recipient
// to `recipientsText`; with UseList on, sets it to the name of a new work
// file holding one entry per line (CR LF), which the caller then removes.
// False when there is no key ring, the dialog was cancelled, or an entry
// cannot be passed to PGP (its error box shown, nothing written).
bool ChooseRecipients(const std::vector<std::string>& keys, std::string& recipientsText);

// The recipients text for entries chosen with UseList off.
std::string RecipientArguments(const std::vector<std::string>& entries);
// The recipients list file's content.
std::string RecipientListText(const std::vector<std::string>& entries);
