// The PGP job runner: writes the batch file beside the program, runs it
// through command.com in a console of its own, waits, optionally shows PGP's
// standard output, and cleans up.
#pragma once

#include <string>

// Runs one PGP command line (which starts with PgpCommand). `outputFile`
// receives PGP's standard output; empty makes the runner take a work file.
// With `keepOutput` the caller owns and removes that file. True when the
// command interpreter was started and has ended; PGP's own success is judged
// by the caller from the files PGP wrote.
bool RunPgp(const std::string& arguments, std::string outputFile = {}, bool keepOutput = false);
