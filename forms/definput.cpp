#include "forms/definput.h"

TDefInputFrm::TDefInputFrm()
    : ui::Form(ui::Form::Args::Dialog("Default Input Form", 434, 63, {"MS Sans Serif", -11, true})),
      Label1(*this, {.left = 16, .top = 9, .caption = "Text to show :"}),
      Edit1(*this, {.bounds = {16, 35, 322, 21}}),
      Button1(*this,
              {.bounds = {345, 7, 82, 21}, .caption = "&Ok", .modalResult = ui::ModalResult::Ok, .isDefault = true}),
      Button2(*this, {.bounds = {345, 35, 82, 21},
                      .caption = "&Cancel",
                      .modalResult = ui::ModalResult::Cancel,
                      .isCancel = true}) {}
