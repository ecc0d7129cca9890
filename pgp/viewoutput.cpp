#include "pgp/viewoutput.h"

#include "ui/dialog.h"
#include "files/TextFile.h"

TViewOutputFrm::TViewOutputFrm()
    : ui::Form(ui::Form::Args::Dialog("PGP Output", 523, 324, {"MS Sans Serif", -11, false})),
      Panel1(*this, {{0, 288, 523, 36}, ui::Align::Bottom}),
      Button1(Panel1, {{215, 5, 75, 25}, "&Close", ui::ModalResult::Ok, true}),
      Memo1(*this, {{0, 0, 523, 288}, ui::Align::Client, true, false}) {
  ui::CenterOverMainForm(*this);
}

void ViewPgpOutput(const std::string& file) {
  TViewOutputFrm form;
  form.Memo1.setText(ReadTextFile(file));
  form.showModal();
}
