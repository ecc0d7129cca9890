#include "pgp/pgpinput.h"

#include "ui/dialog.h"

TPgpInputFrm::TPgpInputFrm()
    : ui::Form(ui::Form::Args::Dialog("PGP Input", 434, 65, {"MS Sans Serif", -11, true})),
      Label1(*this, {16, 9, "Please type in your pass phrase :"}),
      Edit1(*this, {{16, 35, 322, 21}, '*'}),
      Button1(*this, {{345, 7, 82, 21}, "&Ok", ui::ModalResult::Ok, true}),
      Button2(*this, {{345, 35, 82, 21}, "&Cancel", ui::ModalResult::Cancel, false, true}) {
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
