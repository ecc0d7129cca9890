#include "dirbrowse/definput.h"

TDefInputFrm::TDefInputFrm()
    : ui::Form(ui::Form::Args::Dialog("Default Input Form", 434, 63, {"MS Sans Serif", -11, true})),
      Label1(*this, {16, 9, "Text to show :"}),
      Edit1(*this, {{16, 35, 322, 21}}),
      Button1(*this, {{345, 7, 82, 21}, "&Ok", ui::ModalResult::Ok, true}),
      Button2(*this, {{345, 35, 82, 21}, "&Cancel", ui::ModalResult::Cancel, false, true}) {}
