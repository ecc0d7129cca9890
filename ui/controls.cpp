#include "ui/controls.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <vector>

#include "ui/codepage.h"
#include "ui/heldtext.h"
#include "ui/print.h"

namespace ui {

namespace {

constexpr DWORD kChild = WS_CHILD | WS_CLIPSIBLINGS;
// UTF-16: lengths asked in it count characters, the unit of the control's
// text positions, where the ANSI code page would count bytes.
constexpr UINT kCodePageUtf16 = 1200;

// The characters a rich edit control holds.
int ControlLength(HWND control) {
  GETTEXTLENGTHEX len{GTL_DEFAULT, kCodePageUtf16};
  return static_cast<int>(SendMessageA(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&len), 0));
}

HMENU NewId() { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId())); }

Form* RootForm(Window* w) {
  while (w && w->parent()) w = w->parent();
  return dynamic_cast<Form*>(w);
}

}  // namespace

int NextControlId() {
  static int next = 1000;
  return ++next;
}

// --- Panel -----------------------------------------------------------------

Panel::Panel(Window& parent, const Args& args)
    : Window(&parent),
      outer_(args.outer),
      inner_(args.inner),
      borderWidth_(args.borderWidth),
      alignment_(args.alignment) {
  hint = args.hint;
  align = args.align;
  create(WS_EX_CONTROLPARENT, OwnClass("SwPanel", CS_HREDRAW | CS_VREDRAW, COLOR_BTNFACE, nullptr), args.caption,
         kChild | WS_CLIPCHILDREN | (args.visible ? WS_VISIBLE : 0), args.bounds, parent.handle(), NewId());
}

void Panel::setCaption(std::string_view caption) {
  setText(caption);
  InvalidateRect(handle(), nullptr, TRUE);
}

void Panel::setColors(COLORREF face, COLORREF text) {
  face_ = face;
  textColor_ = text;
  InvalidateRect(handle(), nullptr, TRUE);
}

COLORREF Panel::faceColor() const { return face_ == CLR_INVALID ? GetSysColor(COLOR_BTNFACE) : face_; }

void Panel::paint(HDC dc) {
  RECT rc;
  GetClientRect(handle(), &rc);
  if (face_ == CLR_INVALID) {
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  } else {
    Brush face(CreateSolidBrush(face_));
    FillRect(dc, &rc, face.get());
  }
  if (outer_ != Bevel::None) {
    DrawEdge(dc, &rc, outer_ == Bevel::Raised ? BDR_RAISEDOUTER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  }
  InflateRect(&rc, -borderWidth_, -borderWidth_);
  if (inner_ != Bevel::None) {
    DrawEdge(dc, &rc, inner_ == Bevel::Raised ? BDR_RAISEDINNER : BDR_SUNKENINNER, BF_RECT | BF_ADJUST);
  }
  const std::wstring caption = Widen(text());
  if (!caption.empty()) {
    SelectObjectScope useFont(dc, font() ? font() : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColor_ == CLR_INVALID ? GetSysColor(COLOR_BTNTEXT) : textColor_);
    if (alignment_ == TextAlign::Left) rc.left += 2;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &rc,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS |
                  (alignment_ == TextAlign::Left ? DT_LEFT : DT_CENTER));
  }
}

LRESULT Panel::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      paint(PaintScope(handle()).dc());
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETTEXT: {
      LRESULT r = defaultHandling(msg, wp, lp);
      InvalidateRect(handle(), nullptr, TRUE);
      return r;
    }
    case WM_SIZE:
      realign();
      if (onResize) onResize();
      return 0;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CONTEXTMENU:
      // Notifications that a child did not handle travel on to the form.
      if (Window* p = parent()) return SendMessageA(p->handle(), msg, wp, lp);
      break;
    default:
      break;
  }
  return Window::handleMessage(msg, wp, lp);
}

// --- Button ----------------------------------------------------------------

Button::Button(Window& parent, const Args& args) : Window(&parent), modalResult_(args.modalResult) {
  hint = args.hint;
  create(0, "BUTTON", args.caption,
         kChild | WS_TABSTOP | (args.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (args.visible ? WS_VISIBLE : 0) |
             (args.enabled ? 0 : WS_DISABLED),
         args.bounds, parent.handle(), NewId());
  if (Form* form = RootForm(this)) {
    if (args.isDefault) form->defaultButton = this;
    if (args.isCancel) form->cancelButton = this;
  }
}

void Button::click() {
  if (onClick) onClick();
  if (modalResult_ != ModalResult::None) {
    if (Form* form = RootForm(this)) form->setModalResult(modalResult_);
  }
}

bool Button::reflectCommand(WORD code) {
  if (code != BN_CLICKED) return false;
  click();
  return true;
}

// --- SpeedButton -----------------------------------------------------------

SpeedButton::SpeedButton(Window& parent, const Args& args) : Window(&parent) {
  hint = args.hint;
  if (args.bitmap) {
    bitmap_.reset(static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), args.bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  }
  create(0, OwnClass("SwSpeedButton", 0, COLOR_BTNFACE, nullptr), "", kChild | WS_VISIBLE, args.bounds, parent.handle(),
         NewId());
}

void SpeedButton::click() {
  if (enabled() && onClick) onClick();
}

void SpeedButton::paint(HDC dc) {
  RECT rc;
  GetClientRect(handle(), &rc);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &rc, pressed_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  if (!bitmap_) return;
  BITMAP bm;
  GetObjectA(bitmap_.get(), sizeof bm, &bm);
  int w = bm.bmWidth / 2;
  int h = bm.bmHeight;
  Dc mem(CreateCompatibleDC(dc));
  SelectObjectScope useBitmap(mem.get(), bitmap_.get());
  COLORREF transparent = GetPixel(mem.get(), 0, h - 1);
  int x = (rc.right - w) / 2 + (pressed_ ? 1 : 0);
  int y = (rc.bottom - h) / 2 + (pressed_ ? 1 : 0);
  TransparentBlt(dc, x, y, w, h, mem.get(), enabled() ? 0 : w, 0, w, h, transparent);
}

LRESULT SpeedButton::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      paint(PaintScope(handle()).dc());
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressed_ = tracking_ = true;
      SetCapture(handle());
      InvalidateRect(handle(), nullptr, FALSE);
      return 0;
    case WM_MOUSEMOVE:
      if (tracking_) {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        RECT rc;
        GetClientRect(handle(), &rc);
        bool inside = PtInRect(&rc, pt) != FALSE;
        if (inside != pressed_) {
          pressed_ = inside;
          InvalidateRect(handle(), nullptr, FALSE);
        }
      }
      break;
    case WM_LBUTTONUP:
      if (tracking_) {
        bool fire = pressed_;
        pressed_ = tracking_ = false;
        ReleaseCapture();
        InvalidateRect(handle(), nullptr, FALSE);
        if (fire) click();
      }
      return 0;
    case WM_CAPTURECHANGED:
      pressed_ = tracking_ = false;
      InvalidateRect(handle(), nullptr, FALSE);
      return 0;
    case BM_CLICK:
      click();
      return 0;
    case WM_ENABLE:
      InvalidateRect(handle(), nullptr, FALSE);
      return 0;
    default:
      break;
  }
  return Window::handleMessage(msg, wp, lp);
}

// --- Label -----------------------------------------------------------------

Label::Label(Window& parent, const Args& args) : Window(&parent), autoSize_(args.width == 0) {
  create(0, "STATIC", args.caption, kChild | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
         {args.left, args.top, args.width ? args.width : 10, 13}, parent.handle(), NewId());
  autoSize();
}

void Label::setCaption(std::string_view caption) {
  setText(caption);
  autoSize();
}

void Label::autoSize() {
  SIZE size{0, 0};
  {
    WindowDc dc(handle());
    SelectObjectScope useFont(dc.get(), font() ? font() : GetStockObject(DEFAULT_GUI_FONT));
    const std::wstring t = Widen(text());
    TEXTMETRICA tm;
    GetTextMetricsA(dc.get(), &tm);
    GetTextExtentPoint32W(dc.get(), t.c_str(), static_cast<int>(t.size()), &size);
    size.cy = tm.tmHeight;
  }
  Rect b = bounds();
  setBounds({b.left, b.top, autoSize_ ? size.cx : b.width, size.cy});
}

// --- Image -----------------------------------------------------------------

Image::Image(Window& parent, const Args& args) : Window(&parent) {
  create(0, "STATIC", "", kChild | WS_VISIBLE | SS_ICON, args.bounds, parent.handle(), NewId());
  SendMessageA(handle(), STM_SETICON, reinterpret_cast<WPARAM>(args.icon), 0);
  setBounds(args.bounds);
}

// --- Edit ------------------------------------------------------------------

Edit::Edit(Window& parent, const Args& args) : Window(&parent) {
  create(WS_EX_CLIENTEDGE, "EDIT", args.text,
         kChild | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | (args.passwordChar ? ES_PASSWORD : 0), args.bounds,
         parent.handle(), NewId());
  if (args.passwordChar) SendMessageA(handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(args.passwordChar), 0);
}

// --- CheckBox --------------------------------------------------------------

CheckBox::CheckBox(Window& parent, const Args& args) : Window(&parent) {
  create(0, "BUTTON", args.caption, kChild | WS_TABSTOP | BS_AUTOCHECKBOX | (args.visible ? WS_VISIBLE : 0),
         args.bounds, parent.handle(), NewId());
  setChecked(args.checked);
}

bool CheckBox::checked() const { return SendMessageA(handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::setChecked(bool checked) {
  SendMessageA(handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// --- ListBox ---------------------------------------------------------------

ListBox::ListBox(Window& parent, const Args& args) : Window(&parent) {
  align = args.align;
  create(WS_EX_CLIENTEDGE, "LISTBOX", "",
         kChild | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
         args.bounds, parent.handle(), NewId());
  SendMessageA(handle(), LB_SETITEMHEIGHT, 0, args.itemHeight);
}

void ListBox::add(std::string_view item) {
  std::string s(item);
  SendMessageA(handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
}

void ListBox::assign(const std::vector<std::string>& items) {
  assign(items.size(), [&items](size_t i) -> const std::string& { return items[i]; });
}

void ListBox::assign(size_t count, const std::function<const std::string&(size_t)>& item) {
  SendMessageA(handle(), WM_SETREDRAW, FALSE, 0);
  SendMessageA(handle(), LB_RESETCONTENT, 0, 0);
  size_t bytes = 0;
  for (size_t i = 0; i < count; ++i) bytes += item(i).size() + 1;
  SendMessageA(handle(), LB_INITSTORAGE, count, static_cast<LPARAM>(bytes));
  for (size_t i = 0; i < count; ++i) SendMessageA(handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item(i).c_str()));
  SendMessageA(handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(handle(), nullptr, TRUE);
}

void ListBox::remove(int index) { SendMessageA(handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0); }

void ListBox::clear() { SendMessageA(handle(), LB_RESETCONTENT, 0, 0); }

int ListBox::count() const { return static_cast<int>(SendMessageA(handle(), LB_GETCOUNT, 0, 0)); }

std::string ListBox::item(int index) const {
  LRESULT n = SendMessageA(handle(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n == LB_ERR) return {};
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = SendMessageA(handle(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  s.resize(n == LB_ERR ? 0 : static_cast<size_t>(n));
  return s;
}

std::vector<std::string> ListBox::items() const {
  std::vector<std::string> all;
  int n = count();
  all.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) all.push_back(item(i));
  return all;
}

// LB_ERR, for no selection, is -1.
int ListBox::selected() const { return static_cast<int>(SendMessageA(handle(), LB_GETCURSEL, 0, 0)); }

void ListBox::select(int index) { SendMessageA(handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

bool ListBox::reflectCommand(WORD code) {
  if (code == LBN_DBLCLK && onDblClick) {
    onDblClick();
    return true;
  }
  if (code == LBN_SELCHANGE && onSelChange) {
    onSelChange();
    return true;
  }
  return false;
}

// --- ComboBox --------------------------------------------------------------

ComboBox::ComboBox(Window& parent, const Args& args) : Window(&parent) {
  Rect r = args.bounds;
  r.height = std::max(r.height, 200);  // the drop-down list's room
  create(0, "COMBOBOX", "", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | (args.visible ? WS_VISIBLE : 0), r,
         parent.handle(), NewId());
}

void ComboBox::add(std::string_view item) {
  std::string s(item);
  SendMessageA(handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
}

void ComboBox::remove(int index) { SendMessageA(handle(), CB_DELETESTRING, static_cast<WPARAM>(index), 0); }

void ComboBox::clear() { SendMessageA(handle(), CB_RESETCONTENT, 0, 0); }

int ComboBox::count() const { return static_cast<int>(SendMessageA(handle(), CB_GETCOUNT, 0, 0)); }

// CB_ERR, for no selection, is -1.
int ComboBox::selected() const { return static_cast<int>(SendMessageA(handle(), CB_GETCURSEL, 0, 0)); }

void ComboBox::select(int index) { SendMessageA(handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

bool ComboBox::reflectCommand(WORD code) {
  if (code == CBN_SELCHANGE && onChange) {
    onChange();
    return true;
  }
  return false;
}

// --- RichEdit --------------------------------------------------------------

RichEdit::RichEdit(Window& parent, const Args& args)
    : Window(&parent), readOnly_(args.readOnly), wordWrap_(args.wordWrap) {
  align = args.align;
  makeControl(args.bounds, NextControlId(), true, true);
  reportChanges();
}

// Rich edit controls send EN_CHANGE only once asked; asked after a new
// control is filled, so only the user's own changes are told.
void RichEdit::reportChanges() { SendMessageA(handle(), EM_SETEVENTMASK, 0, ENM_CHANGE); }

bool RichEdit::reflectCommand(WORD code) {
  if (code == EN_CHANGE && onChange) {
    onChange();
    return true;
  }
  return false;
}

void RichEdit::makeControl(const Rect& bounds, int id, bool visible, bool enabled) {
  create(WS_EX_CLIENTEDGE, RICHEDIT_CLASSA, "",
         kChild | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL |
             ES_WANTRETURN | (readOnly_ || holding_ ? ES_READONLY : 0) | (visible ? WS_VISIBLE : 0) |
             (enabled ? 0 : WS_DISABLED),
         bounds, parent()->handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  SendMessageA(handle(), EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE, 0);
  SendMessageA(handle(), EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  setWordWrap(wordWrap_);
}

// The old control is hidden without a redraw (its successor takes its place
// before anything paints) and the new one is made hidden: Wine's rich edit
// filled while it shows redraws its scroll bars as they appear, at several
// times the cost of the fill. `showRenewed` shows it once it holds its text.
void RichEdit::renewControl() {
  HWND old = handle();
  const Rect where = bounds();
  const int id = GetDlgCtrlID(old);
  renewFocused_ = GetFocus() == old;
  renewShown_ = visible();
  const bool usable = enabled();
  HWND before = GetWindow(old, GW_HWNDPREV);
  HFONT ownFont = font();
  hideWithoutRedraw(false);
  // A control holding little goes once the window has painted its successor
  // (Wine takes milliseconds to destroy even that); one holding much goes
  // first, and its memory with it.
  retired_.reset();
  if (ControlLength(old) <= static_cast<int>(kShownTextLimit)) {
    SendMessageA(old, EM_SETEVENTMASK, 0, 0);
    retired_ = releaseHandle();
  } else {
    destroyHandle();
  }
  makeControl(where, id, false, usable);
  SetWindowPos(handle(), before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (ownFont != font()) setFont(ownFont);
}

void RichEdit::showRenewed() {
  if (renewShown_) ShowWindow(handle(), SW_SHOWNA);
  if (renewFocused_) setFocus();
}

const std::string& RichEdit::text() const {
  if (holding_) return held_;
  read_.clear();
  GETTEXTLENGTHEX len{GTL_USECRLF | GTL_PRECISE | GTL_NUMBYTES, CP_ACP};
  LRESULT n = SendMessageA(handle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&len), 0);
  if (n <= 0) return read_;
  read_.assign(static_cast<size_t>(n) + 1, '\0');
  GETTEXTEX get{};
  get.cb = static_cast<DWORD>(read_.size());
  get.flags = GT_USECRLF;
  get.codepage = CP_ACP;
  n = SendMessageA(handle(), EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(read_.data()));
  read_.resize(static_cast<size_t>(std::max<LRESULT>(n, 0)));
  return read_;
}

void RichEdit::setText(std::string text) {
  std::string().swap(read_);
  std::string().swap(held_);
  holding_ = text.size() > kHeldTextLimit;
  renewControl();
  if (holding_) {
    held_ = WithControlLineEnds(std::move(text));
    viewFilled_ = FirstLinesLength(held_, linesInView(), kFirstShownLimit);
    fill(std::string_view(held_).substr(0, viewFilled_), false);
    // The control leaves the caret after the text: a held text shows from its beginning.
    SendMessageA(handle(), EM_SETSEL, 0, 0);
    SendMessageA(handle(), EM_SCROLLCARET, 0, 0);
  } else {
    fill(text, false);
  }
  showRenewed();
  // Timers come after painting.
  if (retired_ || (holding_ && viewFilled_ < ShownLength(held_, kShownTextLimit)))
    SetTimer(handle(), 1, USER_TIMER_MINIMUM, &RichEdit::AfterPainting);
  reportChanges();
  updateNotice();
}

int RichEdit::linesInView() const {
  // By the height of the control's font (at least 10 pixels in any the window
  // offers); a wrapped line fills more than one.
  RECT r{};
  GetClientRect(handle(), &r);
  LONG lineHeight = 10;
  if (HFONT own = font()) {
    WindowDc dc(handle());
    SelectObjectScope keep(dc.get(), own);
    TEXTMETRICA tm{};
    if (GetTextMetricsA(dc.get(), &tm)) lineHeight = std::max(lineHeight, tm.tmHeight);
  }
  return static_cast<int>(r.bottom / lineHeight) + 2;
}

void RichEdit::fill(std::string_view text, bool atEnd) {
  // In UTF-16: given 8-bit text, the control reads one starting with "{\rtf"
  // as formatted text and one starting with the UTF-8 byte order mark as
  // UTF-8, whatever the code page.
  const std::wstring wide = Widen(text);
  SETTEXTEX set{static_cast<DWORD>(atEnd ? ST_SELECTION : ST_DEFAULT), kCodePageUtf16};
  SendMessageA(handle(), EM_SETTEXTEX, reinterpret_cast<WPARAM>(&set), reinterpret_cast<LPARAM>(wide.c_str()));
}

void CALLBACK RichEdit::AfterPainting(HWND control, UINT, UINT_PTR timer, DWORD) {
  KillTimer(control, timer);
  Application::Get().runHandled([control] {
    if (auto* edit = dynamic_cast<RichEdit*>(FromHandle(control))) {
      edit->retired_.reset();
      edit->fillRestOfView();
    }
  });
}

void RichEdit::fillRestOfView() {
  const size_t end = holding_ ? ShownLength(held_, kShownTextLimit) : 0;
  if (viewFilled_ >= end) return;
  // Appended where the user does not look: the selection and the lines in
  // view stay, and no change is told.
  SendMessageA(handle(), EM_SETEVENTMASK, 0, 0);
  SendMessageA(handle(), WM_SETREDRAW, FALSE, 0);
  CHARRANGE selection{};
  SendMessageA(handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  const LRESULT firstLine = SendMessageA(handle(), EM_GETFIRSTVISIBLELINE, 0, 0);
  SendMessageA(handle(), EM_SETSEL, -1, -1);
  fill(std::string_view(held_).substr(viewFilled_, end - viewFilled_), true);
  viewFilled_ = end;
  SendMessageA(handle(), EM_EMPTYUNDOBUFFER, 0, 0);
  SendMessageA(handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  SendMessageA(handle(), EM_LINESCROLL, 0, firstLine - SendMessageA(handle(), EM_GETFIRSTVISIBLELINE, 0, 0));
  SendMessageA(handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(handle(), nullptr, TRUE);
  reportChanges();
}

void RichEdit::clear() { setText({}); }

void RichEdit::updateNotice() {
  Application& app = Application::Get();
  const std::string before = hint.empty() ? std::string() : LongHint(hint);
  hint = holding_ ? "|" + HeldTextNotice(ShownLength(held_, kShownTextLimit), held_.size()) : std::string();
  if (holding_)
    app.setHint(LongHint(hint));
  else if (!before.empty() && app.hint() == before)
    app.setHint(longHint());
}

int RichEdit::textLength() const {
  if (holding_) return MultiByteToWideChar(CP_ACP, 0, held_.data(), static_cast<int>(held_.size()), nullptr, 0);
  return ControlLength(handle());
}

void RichEdit::setWordWrap(bool wrap) {
  wordWrap_ = wrap;
  SendMessageA(handle(), EM_SETTARGETDEVICE, 0, wrap ? 0 : 1);
}

// A held text's control is read-only: it refuses cutting and pasting itself.
void RichEdit::cut() { SendMessageA(handle(), WM_CUT, 0, 0); }
void RichEdit::copy() { SendMessageA(handle(), WM_COPY, 0, 0); }
// As UTF-16: the clipboard's ANSI form, made from another program's Unicode
// text, is in the system code page, not the process's.
void RichEdit::paste() { SendMessageA(handle(), EM_PASTESPECIAL, CF_UNICODETEXT, 0); }

int RichEdit::findNoCase(std::string_view what) const {
  if (holding_) {
    const size_t at = FindAsciiNoCase(held_, what);
    return at == std::string::npos ? -1
                                   : MultiByteToWideChar(CP_ACP, 0, held_.data(), static_cast<int>(at), nullptr, 0);
  }
  std::string needle(what);
  FINDTEXTEXA find{};
  find.chrg.cpMin = 0;
  find.chrg.cpMax = textLength();
  find.lpstrText = needle.c_str();
  return static_cast<int>(SendMessageA(handle(), EM_FINDTEXTEX, FR_DOWN, reinterpret_cast<LPARAM>(&find)));
}

void RichEdit::print(HDC printer, const std::string& title) { PrintText(printer, font(), text(), title); }

}  // namespace ui
