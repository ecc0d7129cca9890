// Windows as C++ objects. Each object owns its handle; `this` reaches the one
// window-procedure dispatch through the creation parameters and is kept in
// GWLP_USERDATA. Notifications of standard controls (WM_COMMAND, WM_NOTIFY)
// are reflected to the control's own object. No exception crosses the
// dispatch: it goes to the application's default error handler.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/handles.h"
#include "ui/placement.h"

namespace ui {

enum class Align { None, Top, Bottom, Client };

// A hint holds a short part (tooltip) and a long part (status line) separated
// by a vertical bar; a hint without a bar serves as both.
std::string ShortHint(std::string_view hint);
std::string LongHint(std::string_view hint);

// The primary monitor's work area: the screen less the task bar.
Rect WorkArea();

class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  Window(Window&&) = delete;
  Window& operator=(Window&&) = delete;
  virtual ~Window();

  HWND handle() const { return hwnd_; }
  Window* parent() const { return parent_; }
  const std::vector<Window*>& children() const { return children_; }

  std::string text() const;
  void setText(std::string_view text);
  // Left, top, width and height: relative to the parent's client area for a
  // child, in screen pixels for a top-level window.
  Rect bounds() const;
  void setBounds(const Rect& r);
  // A top-level window's bounds in screen pixels as they are when it is
  // neither minimised nor maximised (a minimised window's own bounds lie far
  // off the screen).
  Rect normalBounds() const;
  int clientWidth() const;
  int clientHeight() const;
  void setVisible(bool visible);
  // Hides the window without the redraw Wine does at once of what it covered
  // (over ten milliseconds for a child window). With `repaintBehind`, what a
  // child covered is invalidated and paints with the parent's next paint;
  // without, the caller puts something in its place before anything paints.
  void hideWithoutRedraw(bool repaintBehind);
  bool visible() const;
  void setEnabled(bool enabled);
  bool enabled() const;
  void setFont(HFONT font);
  HFONT font() const;
  // Paints at once, without waiting for the message loop.
  void repaint();
  void setFocus();

  std::string hint;
  Align align = Align::None;
  // The long part of this window's hint or, when it has none, of its nearest
  // parent's that has one.
  std::string longHint() const;

  // The object behind a handle created by this layer, or nullptr.
  static Window* FromHandle(HWND hwnd);

 protected:
  explicit Window(Window* parent);
  // Creates the window of this object. For classes of our own, messages reach
  // handleMessage from WM_NCCREATE on.
  void create(DWORD exStyle, const char* className, std::string_view text, DWORD style, const Rect& r,
              HWND parentOrOwner, HMENU menuOrId);
  // Destroys this object's window, so that create() can make a new one.
  void destroyHandle();
  // Gives up the window: it no longer reaches this object, and the caller owns it.
  OwnedWindow releaseHandle();
  // Registers a window class of ours (once) and returns its name.
  static const char* OwnClass(const char* name, UINT style, int background, HCURSOR cursor);
  virtual LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT defaultHandling(UINT msg, WPARAM wp, LPARAM lp);
  // Notifications reflected from the parent; true when handled.
  virtual bool reflectCommand(WORD code) { return false; }
  virtual bool reflectNotify(NMHDR* header, LRESULT* result) { return false; }
  // Lays out the children that have an alignment: top ones, then bottom
  // ones, then the client one, in creation order.
  void realign();

 private:
  static LRESULT CALLBACK Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void attach(HWND hwnd);

  static constexpr std::uint32_t kMagic = 0x53577731;
  std::uint32_t magic_ = kMagic;
  HWND hwnd_ = nullptr;
  bool ownClass_ = false;
  HFONT font_ = nullptr;
  Window* parent_ = nullptr;
  std::vector<Window*> children_;
};

class Form;

// The program-wide application object: title, help file, the current hint and
// the message loop's pre-translation (menu keys, dialog keys, hint tracking).
class Application {
 public:
  Application(std::string title, std::string helpFile);
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  ~Application();

  static Application& Get();
  const std::string& title() const { return title_; }
  const std::string& helpFile() const { return helpFile_; }

  Form* mainForm() const { return mainForm_; }
  void setMainForm(Form* form) { mainForm_ = form; }

  // The hint-change event: called with the long part of the current hint.
  std::function<void(const std::string&)> onHint;
  void setHint(const std::string& longHint);
  const std::string& hint() const { return hint_; }

  // The default error handler: stop icon, OK, caption = title, the error's
  // text followed by a full stop. The program runs on.
  void handleException(std::exception_ptr error);

  // Runs `step`; an error it throws goes to the default error handler and
  // the caller goes on.
  void runHandled(const std::function<void()>& step);

  // Runs the message loop until WM_QUIT; returns its exit code.
  int run();
  // Handles one message in any loop; false when it was WM_QUIT.
  bool processMessage(MSG& msg);
  // Handles the messages waiting in the queue, then returns (a quit request
  // is put back for the loop that waits for it).
  void processMessages();

  // `name` in the system library `dll`, loaded at the first call for it and
  // kept until the application ends; throws Error when either is missing.
  template <class Function>
  Function* lateEntry(const char* dll, const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(lateAddress(dll, name)));
  }

 private:
  FARPROC lateAddress(const char* dll, const char* name);
  void trackMouse(const MSG& msg);
  std::string title_;
  std::string helpFile_;
  std::string hint_;
  Form* mainForm_ = nullptr;
  HWND lastHintWindow_ = nullptr;
  std::vector<std::pair<std::string, Module>> lateLibraries_;
};

}  // namespace ui
