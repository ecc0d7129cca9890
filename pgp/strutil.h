// Window-free string routines of the PGP engine: the batch file text the job
// runner writes.
#pragma once

#include <string>
#include <string_view>

// Every "%" doubled, so the command interpreter's percent expansion gives
// back the original text.
std::string DoublePercents(std::string_view text);

// The three lines of the batch file, CR LF ended: "@echo off", the arguments
// with " +BatchMode >" and the quoted output file, "exit". Percent signs are
// doubled; nothing else is escaped.
std::string BatchFileText(std::string_view arguments, std::string_view outputFile);
