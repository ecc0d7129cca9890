// Forms (top-level windows designed in code) with modal showing, and the
// common file and print dialogs.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "ui/handles.h"
#include "ui/window.h"

namespace ui {

enum class ModalResult { None = 0, Ok = 1, Cancel = 2, Yes = 6, No = 7 };

enum class Border { Sizeable, Dialog, None };

struct FontSpec {
  const char* face = "MS Sans Serif";
  // As in LOGFONT: negative is the character height in pixels (8 point "MS
  // Sans Serif" is -11), positive the cell height (the "System" font's 16).
  int height = -11;
  bool bold = false;
};

Font MakeFont(const FontSpec& font);

class Button;
class MenuBar;

class Form : public Window {
 public:
  struct Args {
    std::string caption;
    int clientWidth = 300;
    int clientHeight = 200;
    FontSpec font;
    Border border = Border::Dialog;
    bool systemMenu = true;
    bool screenCenter = false;
    int left = 200;  // design position, used unless centred
    int top = 150;
    // Owner of a dialog (stays above it); nullptr makes it owned by the main form.
    HWND owner = nullptr;
    bool mainWindow = false;
    // A borderless form drawn inside that window's client area, centred in
    // it, rather than a window of its own.
    HWND insideOf = nullptr;
    bool dialogKeys = true;  // Tab, Enter and Escape as in a dialog

    // A dialog-framed form with that caption, client size and font.
    static Args Dialog(std::string caption, int clientWidth, int clientHeight, FontSpec font) {
      Args a;
      a.caption = std::move(caption);
      a.clientWidth = clientWidth;
      a.clientHeight = clientHeight;
      a.font = font;
      return a;
    }
  };

  explicit Form(const Args& args);
  ~Form() override;

  // Shows the form modally: every other window of the program is disabled
  // until the form gets a modal result. Returns that result.
  ModalResult showModal();
  ModalResult modalResult() const { return modalResult_; }
  void setModalResult(ModalResult result) { modalResult_ = result; }
  bool isModal() const { return modal_; }
  void show();
  void close();

  // Buttons with the default (Enter) and cancel (Escape) roles.
  Button* defaultButton = nullptr;
  Button* cancelButton = nullptr;

  // Outer size from a client size.
  void setClientSize(int width, int height);

  // Keys seen before the focused control: menu shortcuts, then dialog keys.
  virtual bool preTranslateKey(MSG& msg);

  MenuBar* menuBar = nullptr;

 protected:
  LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  // The close box or system menu: modal forms take the Cancel result.
  virtual void onClose();
  // The keyboard released a key while the form itself had the focus.
  virtual void onKeyUp(WPARAM key) {}

 private:
  void installTooltips();
  Font font_;
  HWND tooltip_ = nullptr;
  bool tooltipsInstalled_ = false;
  bool modal_ = false;
  bool dialogKeys_ = true;
  ModalResult modalResult_ = ModalResult::None;
};

// Places a dialog centred over the program's main form, falling back to the
// screen's centre; leaves it where it is while there is no main form.
void CenterOverMainForm(Form& dialog);

// The shared open and save dialogs: a command sets the filter and title just
// before showing; the file name and the filter entry last confirmed stay for
// the next use.
class FileDialog {
 public:
  enum class Kind { Open, Save };
  explicit FileDialog(Kind kind) : kind_(kind) {}
  std::string filter;  // "Text files (*.txt)|*.txt|All files (*.*)|*.*"
  std::string title;
  std::string fileName;
  std::string defaultExt;
  int filterIndex = 1;
  // Shows the dialog; true when the user confirmed a file.
  bool execute(HWND owner);

 private:
  Kind kind_;
};

// The standard print dialog with default options.
class PrintDialog {
 public:
  // Shows the dialog; the chosen printer's device context, empty when the
  // user cancelled. Throws Error naming the problem when there is no printer
  // to choose or the dialog fails.
  Dc execute(HWND owner);
};

}  // namespace ui
