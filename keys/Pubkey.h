// The single-key picker: one entry of the key list, for the extract, remove
// and fingerprint commands and the choice of the default signing ID.
#pragma once

#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/dialog.h"

class TPublicKeyFrm : public ui::Form {
 public:
  // Shows a copy of `keys`, none selected; `ascii` starts checked and hidden.
  explicit TPublicKeyFrm(const std::vector<std::string>& keys);

  ui::ListBox ListBox1;
  ui::Button OkBtn;
  ui::Button CancelBtn;
  ui::CheckBox ascii;

  // Results, set when the picker closes with OK.
  std::string SelectedKey;
  size_t SelectedIndex = 0;  // of SelectedKey in the list given
  bool AsciiFile = true;

  // Selects the first entry equal to `key` (exact); nothing when none is.
  void SelectKey(const std::string& key);

 private:
  void FormCreate();
  void OkBtnClick();
  // The entries as given: the list box would cut a text at a zero byte.
  std::vector<std::string> keys_;
};
