#include "pgp/viewoutput.h"

#include "files/TextFile.h"
#include "ui/dialog.h"

TViewOutputFrm::TViewOutputFrm()
    : ui::Form(ui::Form::Args::Dialog("PGP Output", 523, 324, {"MS Sans Serif", -11, false})),
      Panel1(*this, {.bounds = {0, 288, 523, 36}, .align = ui::Align::Bottom}),
      Button1(Panel1,
              {.bounds = {215, 5, 75, 25}, .caption = "&Close", .modalResult = ui::ModalResult::Ok, .isDefault = true}),
      Memo1(*this, {.bounds = {0, 0, 523, 288}, .align = ui::Align::Client, .readOnly = true, .wordWrap = false}) {
  ui::CenterOverMainForm(*this);
}

void ViewPgpOutput(const std::string& file) {
  TViewOutputFrm form;
  form.Memo1.setText(ReadTextFile(file));
  form.showModal();
}
