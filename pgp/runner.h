// The PGP job runner: writes the batch file beside the program, runs it
// through command.com in a console of its own, waits, optionally shows PGP's
// standard output, and cleans up.
#pragma once

#include <windows.h>

#include <string>

// Runs one PGP command line (which starts with PgpCommand). `outputFile`
// receives PGP's standard output; empty makes the runner take a work file.
// With `keepOutput` the caller owns and removes that file. True when the
// command interpreter was started and has ended; PGP's own success is judged
// by the caller from the files PGP wrote. The batch file holds the whole
// command line, pass phrase included, so it is wiped on every path.
bool RunPgp(const std::string& arguments, std::string outputFile = {}, bool keepOutput = false);

namespace pgp {

// The start-up record of the console: minimised when `runIcon`.
STARTUPINFOA StartupRecord(bool runIcon);

// The running program's batch file: its own path with the extension "BAT".
std::string BatchFile();

// RunPgp with the interpreter's command line given; the quoted batch file
// name follows it after one blank. RunPgp passes "command.com /c".
bool RunPgpWith(const std::string& interpreter, const std::string& arguments, std::string outputFile, bool keepOutput);

}  // namespace pgp
