#include "pgp/pgpinput.h"

#include "app/Main.h"

namespace {

ui::Form::Args PgpInputArgs() {
  ui::Form::Args a;
  a.caption = "PGP Input";
  a.clientWidth = 434;
  a.clientHeight = 65;
  a.font = {"MS Sans Serif", -11, true};
  return a;
}

}  // namespace

TPgpInputFrm::TPgpInputFrm()
    : ui::Form(PgpInputArgs()),
      Label1(*this, {16, 9, "Please type in your pass phrase :"}),
      Edit1(*this, {{16, 35, 322, 21}, '*'}),
      Button1(*this, {{345, 7, 82, 21}, "&Ok", ui::ModalResult::Ok, true}),
      Button2(*this, {{345, 35, 82, 21}, "&Cancel", ui::ModalResult::Cancel, false, true}) {
  CenterOverMainForm(*this);
}

bool AskPassPhrase(std::string& passPhrase) {
  TPgpInputFrm form;
  form.setText("PGP pass phrase");
  form.Label1.setCaption("Type in your secret password phrase :");
  if (form.showModal() != ui::ModalResult::Ok) return false;
  passPhrase = form.Edit1.text();
  return true;
}
