#include "dirbrowse/chdir.h"

namespace {

ui::Form::Args ChdirArgs() {
  ui::Form::Args a = ui::Form::Args::Dialog("Choose directory", 362, 303, {"MS Sans Serif", -11, false});
  a.screenCenter = true;
  return a;
}

}  // namespace

TChdirFrm::TChdirFrm()
    : ui::Form(ChdirArgs()),
      Panel2(*this, {.bounds = {0, 0, 362, 303}, .align = ui::Align::Client}),
      Panel4(Panel2, {.bounds = {1, 1, 360, 260}, .align = ui::Align::Client, .outer = ui::Bevel::None}),
      DirTree1(Panel4, {.bounds = {0, 0, 360, 260}, .align = ui::Align::Client, .indent = 19}),
      Panel3(Panel2, {.bounds = {1, 261, 360, 41}, .align = ui::Align::Bottom, .outer = ui::Bevel::None}),
      Button1(Panel3,
              {.bounds = {73, 12, 75, 21}, .caption = "&Ok", .modalResult = ui::ModalResult::Ok, .isDefault = true}),
      Button2(Panel3, {.bounds = {213, 12, 75, 21},
                       .caption = "&Cancel",
                       .modalResult = ui::ModalResult::Cancel,
                       .isCancel = true}) {}

std::string ChooseDirectory(const std::string& initial, const std::string& caption) {
  TChdirFrm form;
  form.setText(caption);
  if (!initial.empty()) form.DirTree1.SelectPath(initial);
  if (form.showModal() != ui::ModalResult::Ok) return initial;
  return form.DirTree1.CurrentDir;
}
