#include "app/About.h"

#include "app/Main.h"

namespace {

ui::Form::Args AboutArgs() {
  ui::Form::Args a = ui::Form::Args::Dialog("About...", 284, 186, {"MS Sans Serif", -11, true});
  a.systemMenu = false;
  return a;
}

}  // namespace

TAboutBox::TAboutBox()
    : ui::Form(AboutArgs()),
      Panel1(*this, {{9, 8, 266, 131}, ui::Align::None, ui::Bevel::Lowered, ui::Bevel::Raised}),
      ProgramIcon(Panel1, {{16, 16, 32, 32}, LoadIconA(GetModuleHandleA(nullptr), "MAINICON")}),
      ProductName(Panel1, {85, 16, "Product Name"}),
      Version(Panel1, {85, 41, "Version"}),
      Copyright(Panel1, {36, 81, "Copyright (c) 1996-2026"}),
      Comments(Panel1, {53, 106, "A front end for PGP 2.6.x"}),
      OKButton(*this, {{98, 150, 79, 23}, "&Ok", ui::ModalResult::Ok, true}) {
  ProductName.setCaption(kProductName);
  Version.setCaption("Version 2.2b (05/96)");
  ui::CenterOverMainForm(*this);
}
