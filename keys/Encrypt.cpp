#include "keys/Encrypt.h"

#include "files/TextFile.h"
#include "files/workfiles.h"
#include "keys/KeyList.h"
#include "pgp/pgpcommand.h"
#include "ui/msgbox.h"

TEncryptFrm::TEncryptFrm()
    : ui::Form(ui::Form::Args::Dialog("Encrypting", 529, 216, {"System", 16, true})),
      Panel1(*this, {.bounds = {0, 0, 529, 216}, .align = ui::Align::Client, .outer = ui::Bevel::Lowered}),
      Panel2(Panel1, {.bounds = {8, 10, 425, 193}}),
      ListBox1(Panel2, {.bounds = {0, 0, 425, 98}, .align = ui::Align::Top, .itemHeight = 16}),
      ListBox2(Panel2, {.bounds = {0, 98, 425, 95}, .align = ui::Align::Client, .itemHeight = 16}),
      AddBtn(Panel1, {.bounds = {439, 104, 80, 22}, .caption = "&Add"}),
      RemoveBtn(Panel1, {.bounds = {439, 128, 80, 22}, .caption = "&Remove"}),
      Button3(Panel1, {.bounds = {439, 154, 80, 22}, .caption = "&Ok", .isDefault = true}),
      Button4(Panel1, {.bounds = {439, 179, 80, 23},
                       .caption = "&Cancel",
                       .modalResult = ui::ModalResult::Cancel,
                       .isCancel = true}) {
  AddBtn.onClick = [this] { AddBtnClick(); };
  ListBox1.onDblClick = [this] { AddBtnClick(); };
  RemoveBtn.onClick = [this] { RemoveBtnClick(); };
  ListBox2.onDblClick = [this] { RemoveBtnClick(); };
  Button3.onClick = [this] { Button3Click(); };
  FormCreate();
}

void TEncryptFrm::FormCreate() { ui::CenterOverMainForm(*this); }

void TEncryptFrm::AddBtnClick() {
  int i = ListBox1.selected();
  if (i < 0) return;
  ListBox2.add(ListBox1.item(i));
  Chosen.push_back(static_cast<size_t>(i));
}

void TEncryptFrm::RemoveBtnClick() {
  int i = ListBox2.selected();
  if (i < 0) return;
  ListBox2.remove(i);
  Chosen.erase(Chosen.begin() + i);
}

void TEncryptFrm::Button3Click() {
  if (ListBox2.count() > 0)
    setModalResult(ui::ModalResult::Ok);
  else
    ui::ErrorBox("You must select one or more public key(s) to encrypt the message !");
}

std::string RecipientListText(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& name : names) text += name + "\r\n";
  return text;
}

bool ChooseRecipients(const pgp::Context& ctx, const std::vector<keys::KeyEntry>& keys, std::string& recipientsText) {
  if (!CheckPublicKeyRing(ctx)) return false;
  std::vector<size_t> picked;
  {
    TEncryptFrm dialog;
    dialog.ListBox1.assign(keys.size(), [&keys](size_t i) -> const std::string& { return keys[i].text; });
    if (dialog.showModal() != ui::ModalResult::Ok) return false;
    picked = dialog.Chosen;
  }
  if (picked.empty()) return false;
  std::vector<std::string> chosen;
  for (size_t index : picked) {
    auto name = NameKeyForPgp(keys, index);
    if (!name) return false;
    chosen.push_back(*name);
  }
  if (ctx.useList) {
    recipientsText = NewWorkFileName();
    try {
      WriteTextFile(recipientsText, RecipientListText(chosen));
    } catch (...) {
      RemoveFile(recipientsText);
      throw;
    }
  } else {
    recipientsText += pgp::RecipientArguments(chosen);
  }
  return true;
}
