// The program-wide settings record and its store under
// HKEY_CURRENT_USER\Software\Sealwright 32, shared by both programs.
#pragma once

#include <string>

#include "ui/placement.h"

namespace ui {
class Window;
}  // namespace ui

struct TSettings {
  std::string PgpPath;
  bool SignFiles = true;
  bool WordWrap = true;
  bool AutoDelete = false;
  // Stored only: loaded and written back with the others, kept for the
  // stored value's sake; no command sets it and nothing reads it.
  bool AutoIndent = false;
  bool RunIcon = false;
  bool Pause = true;
  bool UseList = false;
  std::string IdSign;
  bool ReadMsgs = false;
};

// Program-wide: filled by LoadSettings at start-up; the main window reads it
// and passes what a command needs down as a value (pgp::Context).
extern TSettings Settings;
// The prefix of every PGP command line, built from PgpPath at start-up and
// when the PGP folder changes.
extern std::string PgpCommand;

extern const char* const kSettingsKey;

// Reads all ten values; any failed read (a missing flag, a value of the wrong
// type) silently gives every field its default.
void LoadSettings();
// Writes all ten values in order; a failed write throws "Failed to set data for '<name>'".
void SaveSettings();
// Where the main window stands when no bounds are stored: wide enough for
// every tool-bar button of the mail build ("&Send" ends 529 pixels in), a
// few pixels wider than the 500 of the original layout.
inline constexpr ui::Rect kDefaultWindowBounds{50, 50, 552, 400};

// Left, top, width and height from the store, all or nothing: any failed read
// gives kDefaultWindowBounds.
void RestoreWindowBounds(ui::Window& form);
// Stores the normal bounds, also when the window is minimised or maximised.
void SaveWindowBounds(ui::Window& form);
