#include "keys/Pubkey.h"

#include <algorithm>

#include "ui/dialog.h"
#include "ui/msgbox.h"

TPublicKeyFrm::TPublicKeyFrm(const std::vector<keys::KeyEntry>& entries)
    : ui::Form(ui::Form::Args::Dialog("Public Keys", 434, 277, {"System", 16, true})),
      ListBox1(*this, {.bounds = {9, 4, 416, 220}, .itemHeight = 16}),
      OkBtn(*this, {.bounds = {232, 252, 91, 21}, .caption = "&Ok", .isDefault = true}),
      CancelBtn(*this, {.bounds = {330, 252, 91, 21},
                        .caption = "&Cancel",
                        .modalResult = ui::ModalResult::Cancel,
                        .isCancel = true}),
      ascii(*this, {.bounds = {12, 252, 151, 17}, .caption = "Save as ASCII file", .checked = true, .visible = false}),
      keys_(keys::KeyTexts(entries)) {
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
  SelectedIndex = static_cast<size_t>(index);
  SelectedKey = keys_[SelectedIndex];
  AsciiFile = ascii.checked();
  setModalResult(ui::ModalResult::Ok);
}
