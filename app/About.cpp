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
      Panel1(*this, {.bounds = {9, 8, 266, 131}, .outer = ui::Bevel::Lowered, .inner = ui::Bevel::Raised}),
      ProgramIcon(Panel1, {.bounds = {16, 16, 32, 32}, .icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON")}),
      ProductName(Panel1, {.left = 85, .top = 16, .caption = "Product Name"}),
      Version(Panel1, {.left = 85, .top = 41, .caption = "Version"}),
      Copyright(Panel1, {.left = 36, .top = 81, .caption = "Copyright (c) 1996-2026"}),
      Comments(Panel1, {.left = 53, .top = 106, .caption = "A front end for PGP 2.6.x"}),
      OKButton(*this,
               {.bounds = {98, 150, 79, 23}, .caption = "&Ok", .modalResult = ui::ModalResult::Ok, .isDefault = true}) {
  ProductName.setCaption(kProductName);
  Version.setCaption("Version 2.2b (05/96)");
  ui::CenterOverMainForm(*this);
}
