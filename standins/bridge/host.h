// The host beneath Wine: its paths and its sh. Under Wine a host program
// started from Win32 gets no process handle and no pipes (wine-notes), so a
// script runs from a file, writes what it has to say into files, and moves
// its status file into place last; the caller waits for that file.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace bridge {

// True when running under Wine (kernel32 exports the path converters).
bool OnWine();
// The host path of a Win32 path; empty when it cannot be converted or not
// under Wine.
std::string UnixPath(const std::string& winPath);
// The Win32 path of a host path; under Wine by its drive mapping, else "Z:"
// in front of an absolute path.
std::string DosPath(const std::string& unixPath);

// Runs the sh script `script` under Wine in `folder` (which must exist) and
// waits, up to `timeoutMs`, until the script has moved a file "rc" into place
// there. The script goes in as the file "run.sh": a command line passes
// through the code page conversions of CreateProcess, a file's bytes do not.
// `environment` ("NAME=value" each) is added to sh's environment alone: what
// must reach the script written neither into a file nor on its command line
// (which every local user can read). Values should be ASCII: Wine converts
// them to the host's character set.
bool RunShellScript(const std::string& folder, const std::string& script, DWORD timeoutMs,
                    const std::vector<std::string>& environment = {});

struct ShellOutcome {
  int status = -1;
  std::string out, err;
};

// Runs sh `commands` in a subshell (an "exit" or a syntax error in them
// still ends with a status) with `folder` as the current folder, standard input /dev/null and
// standard output and error in its files "out" and "err"; nothing when sh
// could not be run or did not end within `timeoutMs`.
std::optional<ShellOutcome> RunShell(const std::string& folder, const std::string& commands, DWORD timeoutMs);

}  // namespace bridge
