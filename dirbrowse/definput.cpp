#include "dirbrowse/definput.h"

namespace {

ui::Form::Args DefInputArgs() {
  ui::Form::Args a;
  a.caption = "Default Input Form";
  a.clientWidth = 434;
  a.clientHeight = 63;
  a.font = {"MS Sans Serif", -11, true};
  return a;
}

}  // namespace

TDefInputFrm::TDefInputFrm()
    : ui::Form(DefInputArgs()),
      Label1(*this, {16, 9, "Text to show :"}),
      Edit1(*this, {{16, 35, 322, 21}}),
      Button1(*this, {{345, 7, 82, 21}, "&Ok", ui::ModalResult::Ok, true}),
      Button2(*this, {{345, 35, 82, 21}, "&Cancel", ui::ModalResult::Cancel, false, true}) {}
