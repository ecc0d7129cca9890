#include "forms/status.h"

#include "ui/window.h"

namespace {

ui::Form::Args StatusArgs() {
  ui::Form::Args a;
  a.clientWidth = 313;
  a.clientHeight = 35;
  a.font = {"MS Sans Serif", -11, true};
  a.border = ui::Border::None;
  a.systemMenu = false;
  a.screenCenter = true;
  // Inside the main window, centred in its client area, when there is one.
  if (ui::Form* main = ui::Application::Get().mainForm()) a.insideOf = main->handle();
  return a;
}

}  // namespace

TStatusFrm::TStatusFrm()
    : ui::Form(StatusArgs()),
      Panel1(*this, {.bounds = {0, 0, 313, 35},
                     .align = ui::Align::Client,
                     .outer = ui::Bevel::None,
                     .inner = ui::Bevel::Lowered,
                     .caption = "Wating for PGP to complete ..."}) {}

TStatusFrm::~TStatusFrm() {
  HWND h = handle();
  if (!h) return;
  if (GetFocus() == h && previousFocus_ && IsWindow(previousFocus_)) SetFocus(previousFocus_);
  // What it covered in the main window paints with the rest, after the
  // command has put its result there.
  hideWithoutRedraw(true);
}

LRESULT TStatusFrm::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETCURSOR) {
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return TRUE;
  }
  return ui::Form::handleMessage(msg, wp, lp);
}

void TStatusFrm::onKeyUp(WPARAM key) {
  if (key == VK_ESCAPE) {
    ScanCancelled = true;
  }
}

void ShowStatusWindow(bool show, std::unique_ptr<TStatusFrm>& form, const std::string& text) {
  if (!show) {
    form.reset();
    return;
  }
  form = std::make_unique<TStatusFrm>();
  form->Panel1.setCaption(text);
  HWND focus = GetFocus();
  form->show();
  SetWindowPos(form->handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  form->repaint();
  // Takes the keys, so that Escape reaches it while a caller pumps messages.
  SetFocus(form->handle());
  form->previousFocus_ = focus;
  // Wine copies painted pixels to the screen only when the thread looks at
  // its queue; callers may block right after this, so look once now.
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
}
