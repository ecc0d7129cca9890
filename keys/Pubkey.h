// The single-key picker: one entry of the key list, for the extract, remove
// and fingerprint commands and the choice of the default signing ID.
#pragma once

#include <string>
#include <vector>

#include "keys/keylisting.h"
#include "ui/controls.h"
#include "ui/dialog.h"

class TPublicKeyFrm : public ui::Form {
 public:
  // Shows the texts of `entries`, none selected; `ascii` starts checked and hidden.
  explicit TPublicKeyFrm(const std::vector<keys::KeyEntry>& entries);

  ui::ListBox ListBox1;
  ui::Button OkBtn;
  ui::Button CancelBtn;
  ui::CheckBox ascii;

  // Results, set when the picker closes with OK.
  std::string SelectedKey;   // the entry's text
  size_t SelectedIndex = 0;  // of the entry in the list given
  bool AsciiFile = true;

  // Selects the first entry equal to `key` (exact); nothing when none is.
  void SelectKey(const std::string& key);

 private:
  void FormCreate();
  void OkBtnClick();
  // The texts as given: the list box would cut a text at a zero byte.
  std::vector<std::string> keys_;
};
