// Starting a program from a test and reading back what it wrote, and removing
// a test's folder tree: one copy for every test program, stand-ins included.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"

namespace testproc {

struct Launch {
  std::string commandLine;
  // Current folder of the child; empty: the caller's.
  std::string directory;
  // With capture, standard input comes from this text and standard output and
  // error go to files that are read back and removed; without, no handles
  // are passed.
  bool capture = true;
  std::string stdinText;
  DWORD creationFlags = CREATE_NO_WINDOW;
  // Shows the child's window this way when set (STARTF_USESHOWWINDOW).
  int showWindow = -1;
  DWORD timeoutMs = 60000;
};

struct Outcome {
  bool started = false;
  bool ended = false;  // false: still running at the time-out, then terminated
  DWORD exitCode = 1;
  DWORD startError = 0;
  std::string out;
  std::string err;
};

Outcome Run(const Launch& launch);

// Removes the folder with everything below it, retrying files a child that
// has just ended may still hold open.
void RemoveTree(const std::string& dir);

using bridge::ShQuote;
using bridge::UnixPath;

struct HostOutcome {
  int status = -1;
  std::string out;  // standard output and error
};
// Runs `script` with the host's sh under Wine in a private folder of its own
// and waits for its end, up to `timeoutMs`; nothing when it could not be
// started or did not end in time.
std::optional<HostOutcome> RunHostShell(const std::string& script, DWORD timeoutMs);

}  // namespace testproc
