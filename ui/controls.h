// Controls created in code from small argument structs, each with named event
// members. Every control object owns its window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog.h"
#include "ui/window.h"

namespace ui {

// A unique control id within this process, so that dialog keys find controls.
int NextControlId();

enum class Bevel { None, Raised, Lowered };
enum class TextAlign { Left, Center };

class Panel : public Window {
 public:
  struct Args {
    Rect bounds;
    Align align = Align::None;
    Bevel outer = Bevel::Raised;
    Bevel inner = Bevel::None;
    int borderWidth = 0;
    std::string caption;
    TextAlign alignment = TextAlign::Center;
    std::string hint;
    bool visible = true;
  };
  Panel(Window& parent, const Args& args);
  std::function<void()> onResize;
  void setCaption(std::string_view caption);
  // The face and text colours; CLR_INVALID for the system's.
  void setColors(COLORREF face, COLORREF text);
  COLORREF faceColor() const;

 protected:
  LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void paint(HDC dc);
  Bevel outer_;
  Bevel inner_;
  int borderWidth_;
  TextAlign alignment_;
  COLORREF face_ = CLR_INVALID;
  COLORREF textColor_ = CLR_INVALID;
};

class Button : public Window {
 public:
  struct Args {
    Rect bounds;
    std::string caption;
    ModalResult modalResult = ModalResult::None;
    bool isDefault = false;
    bool isCancel = false;
    std::string hint;
    bool visible = true;
    bool enabled = true;
  };
  Button(Window& parent, const Args& args);
  std::function<void()> onClick;
  // Runs onClick, then gives the form this button's modal result.
  void click();

 protected:
  bool reflectCommand(WORD code) override;

 private:
  ModalResult modalResult_;
};

// A push button with a picture that never takes the keyboard focus. The
// bitmap holds two images side by side: normal and disabled; its lower left
// pixel's colour is transparent.
class SpeedButton : public Window {
 public:
  struct Args {
    Rect bounds;
    const char* bitmap = nullptr;  // resource name
    std::string hint;
  };
  SpeedButton(Window& parent, const Args& args);
  std::function<void()> onClick;
  void click();

 protected:
  LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void paint(HDC dc);
  Bitmap bitmap_;
  bool pressed_ = false;
  bool tracking_ = false;
};

class Label : public Window {
 public:
  struct Args {
    int left = 0;
    int top = 0;
    std::string caption;
    int width = 0;  // 0: as wide as the text
  };
  Label(Window& parent, const Args& args);
  void setCaption(std::string_view caption);

 private:
  void autoSize();
  bool autoSize_;
};

// A picture that shows an icon (not owned: shared or the caller's).
class Image : public Window {
 public:
  struct Args {
    Rect bounds;
    HICON icon = nullptr;
  };
  Image(Window& parent, const Args& args);
};

class Edit : public Window {
 public:
  struct Args {
    Rect bounds;
    char passwordChar = 0;
    std::string text;
  };
  Edit(Window& parent, const Args& args);
};

class CheckBox : public Window {
 public:
  struct Args {
    Rect bounds;
    std::string caption;
    bool checked = false;
    bool visible = true;
  };
  CheckBox(Window& parent, const Args& args);
  bool checked() const;
  void setChecked(bool checked);
};

class ListBox : public Window {
 public:
  struct Args {
    Rect bounds;
    Align align = Align::None;
    int itemHeight = 16;
  };
  ListBox(Window& parent, const Args& args);
  std::function<void()> onDblClick;
  std::function<void()> onSelChange;
  void add(std::string_view item);
  // Replaces all entries at once (fast for large lists).
  void assign(const std::vector<std::string>& items);
  // The same with `count` entries, the i-th being item(i): no list of them
  // is made on the way.
  void assign(size_t count, const std::function<const std::string&(size_t)>& item);
  void remove(int index);
  void clear();
  int count() const;
  std::string item(int index) const;
  std::vector<std::string> items() const;
  int selected() const;  // -1 when nothing is selected
  void select(int index);

 protected:
  bool reflectCommand(WORD code) override;
};

class ComboBox : public Window {
 public:
  struct Args {
    Rect bounds;
    bool visible = true;
  };
  ComboBox(Window& parent, const Args& args);
  std::function<void()> onChange;
  void add(std::string_view item);
  void remove(int index);
  void clear();
  int count() const;
  int selected() const;
  void select(int index);

 protected:
  bool reflectCommand(WORD code) override;
};

// A rich-edit control in plain-text mode: text comes and goes without
// formatting, with CR LF line ends. A text longer than kHeldTextLimit is held
// whole here while the control shows its beginning (kShownTextLimit)
// read-only, and a notice saying so is the control's hint (the status line
// shows it); reading, finding and printing take the whole text. Every new
// text gets a new control: the platform's control deletes the text it holds
// in quadratic time (Wine), and the 32-bit build runs out of address space
// filling it with a few megabytes.
class RichEdit : public Window {
 public:
  struct Args {
    Rect bounds;
    Align align = Align::None;
    bool readOnly = false;
    bool wordWrap = true;
  };
  RichEdit(Window& parent, const Args& args);
  // The whole text; the reference holds until the text changes or is read again.
  const std::string& text() const;
  void setText(std::string text);
  void clear();
  // In characters.
  int textLength() const;
  // Whether the text is held here and the control shows its beginning only.
  bool holdsText() const { return holding_; }
  void setWordWrap(bool wrap);
  void cut();
  void copy();
  void paste();
  // Where `what` begins in the whole text (in characters), letter case
  // ignored (in a held text, that of ASCII letters only); -1 when absent.
  int findNoCase(std::string_view what) const;
  // Prints the whole text on `printer` as one job titled `title`, in the
  // control's font, laid out over the printable area page after page with
  // long lines broken at its width. Throws Error when the printer fails.
  void print(HDC printer, const std::string& title);
  // The user changed the text in the control (typing, cut, paste, undo);
  // not called for a text given by setText.
  std::function<void()> onChange;

 private:
  bool reflectCommand(WORD code) override;
  // Asks the control to tell of changes from now on.
  void reportChanges();
  // Makes the control, empty, at `bounds` with `id`, styled from the
  // arguments and the state.
  void makeControl(const Rect& bounds, int id, bool visible, bool enabled);
  // Replaces the control by a new empty one in its place: same size, tab
  // order, font and focus.
  void renewControl();
  void showRenewed();
  // Puts the notice of a held text in the hint and the status line, or takes it away.
  void updateNotice();
  // Puts `text` into the control (the selection when `atEnd`), in UTF-16.
  void fill(std::string_view text, bool atEnd);
  // Fills the rest of a held text's view, where the user does not see it.
  void fillRestOfView();
  // How many lines the control shows at most.
  int linesInView() const;
  // Once the window has painted: drops the replaced control, fills the view.
  static void CALLBACK AfterPainting(HWND control, UINT, UINT_PTR timer, DWORD);
  bool readOnly_;
  bool wordWrap_;
  bool holding_ = false;
  std::string held_;
  // How much of the held text the control has.
  size_t viewFilled_ = 0;
  // What the replaced control was, for its successor once filled.
  bool renewShown_ = false;
  bool renewFocused_ = false;
  // The replaced control, hidden, until the window has painted.
  OwnedWindow retired_;
  // The control's text as last read.
  mutable std::string read_;
};

}  // namespace ui
