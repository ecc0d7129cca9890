#include "pgp/pgpinput.h"

#include "ui/dialog.h"

TPgpInputFrm::TPgpInputFrm()
    : ui::Form(ui::Form::Args::Dialog("PGP Input", 434, 65, {"MS Sans Serif", -11, true})),
      Label1(*this, {.left = 16, .top = 9, .caption = "Please type in your pass phrase :"}),
      Edit1(*this, {.bounds = {16, 35, 322, 21}, .passwordChar = '*'}),
      Button1(*this,
              {.bounds = {345, 7, 82, 21}, .caption = "&Ok", .modalResult = ui::ModalResult::Ok, .isDefault = true}),
      Button2(*this, {.bounds = {345, 35, 82, 21},
                      .caption = "&Cancel",
                      .modalResult = ui::ModalResult::Cancel,
                      .isCancel = true}) {
  ui::CenterOverMainForm(*this);
}

bool AskPassPhrase(std::string& passPhrase) {
  TPgpInputFrm form;
  form.setText("PGP pass phrase");
  form.Label1.setCaption("Type in your secret password phrase :");
  if (form.showModal() != ui::ModalResult::Ok) return false;
  passPhrase = form.Edit1.text();
  return true;
}
