// The PGP job runner: writes a batch file of the run's own in the temporary
// folder, runs it through command.com in a console of its own, waits,
// optionally shows PGP's standard output, and cleans up.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "pgp/context.h"

// Runs one PGP command line (from pgp/pgpcommand.h, so starting with
// ctx.command). PGP's console starts minimised with ctx.runIcon; with
// ctx.pause its standard output is shown once it ended. `outputFile`
// receives PGP's standard output; empty makes the runner take a work file.
// With `keepOutput` the caller owns and removes that file. True when the
// command interpreter was started and has ended; PGP's own success is judged
// by the caller from the files PGP wrote. A `passPhrase` reaches PGP as
// PGPPASS in its environment only: never on a command line or in a file.
// The batch file is a new, exclusively created work file of this run, so two
// runs (also of two copies of the program) never share one; it is wiped on
// every path.
bool RunPgp(const pgp::Context& ctx, const std::string& arguments, std::string outputFile = {}, bool keepOutput = false,
            const std::optional<std::string>& passPhrase = std::nullopt);

namespace pgp {

// How the interpreter is started: PGP runs in a console and a process group
// of its own, so no console signal passes between it and this program, and a
// 16-bit PGP in a virtual DOS machine of its own: 0x0A30.
constexpr DWORD kRunnerCreationFlags =
    CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP | CREATE_SEPARATE_WOW_VDM;
static_assert(kRunnerCreationFlags == 0x0A30);

// The start-up record of the console: minimised when `runIcon`.
STARTUPINFOA StartupRecord(bool runIcon);

// RunPgp with the interpreter's command line given; the quoted batch file
// name follows it after one blank. RunPgp passes "command.com /c". The
// interpreter is looked for in this program's folder, the system folders and
// the path, not in the current folder.
bool RunPgpWith(const std::string& interpreter, const Context& ctx, const std::string& arguments,
                std::string outputFile, bool keepOutput, const std::optional<std::string>& passPhrase = std::nullopt);

}  // namespace pgp
