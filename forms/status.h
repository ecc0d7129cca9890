// The status window: a small borderless panel shown inside the main window
// while the program waits (for PGP, for the mail system).
#pragma once

#include <memory>
#include <string>

#include "ui/controls.h"
#include "ui/dialog.h"

class TStatusFrm : public ui::Form {
 public:
  TStatusFrm();
  ~TStatusFrm() override;
  ui::Panel Panel1;
  // Set by Escape; a caller that pumps messages while the window shows reads it.
  bool ScanCancelled = false;

 protected:
  LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  // Escape sets ScanCancelled.
  void onKeyUp(WPARAM key) override;

 private:
  friend void ShowStatusWindow(bool show, std::unique_ptr<TStatusFrm>& form, const std::string& text);
  HWND previousFocus_ = nullptr;
};

// Show: creates the status window in `form` with `text`, shows it inside the
// main window and paints it at once. Hide: destroys it; `text` is ignored.
void ShowStatusWindow(bool show, std::unique_ptr<TStatusFrm>& form, const std::string& text);
