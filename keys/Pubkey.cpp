#include "keys/Pubkey.h"

#include <algorithm>

#include "ui/dialog.h"
#include "ui/msgbox.h"

TPublicKeyFrm::TPublicKeyFrm(const std::vector<std::string>& keys)
    : ui::Form(ui::Form::Args::Dialog("Public Keys", 434, 277, {"System", 16, true})),
      ListBox1(*this, {{9, 4, 416, 220}, ui::Align::None, 16}),
      OkBtn(*this, {{232, 252, 91, 21}, "&Ok", ui::ModalResult::None, true}),
      CancelBtn(*this, {{330, 252, 91, 21}, "&Cancel", ui::ModalResult::Cancel, false, true}),
      ascii(*this, {{12, 252, 151, 17}, "Save as ASCII file", true, false}),
      keys_(keys) {
  ListBox1.assign(keys_);
  ListBox1.onDblClick = [this] { OkBtnClick(); };
  OkBtn.onClick = [this] { OkBtnClick(); };
  FormCreate();
}

void TPublicKeyFrm::FormCreate() { ui::CenterOverMainForm(*this); }

void TPublicKeyFrm::SelectKey(const std::string& key) {
  auto it = std::find(keys_.begin(), keys_.end(), key);
  ListBox1.select(it == keys_.end() ? -1 : static_cast<int>(it - keys_.begin()));
}

void TPublicKeyFrm::OkBtnClick() {
  int index = ListBox1.selected();
  if (index < 0 || index >= static_cast<int>(keys_.size())) {
    ui::ErrorBox("You must select a public key !");
    return;
  }
  SelectedKey = keys_[static_cast<size_t>(index)];
  AsciiFile = ascii.checked();
  setModalResult(ui::ModalResult::Ok);
}
