// PGP's output file names. Window-free.
#pragma once

#include <string>
#include <string_view>

// The file PGP writes when it encrypts `input`: the last path component's
// extension replaced by `ext`, or "." + `ext` appended when that component
// has no dot ("C:\DIR.X\FILE" gives "C:\DIR.X\FILE.pgp").
std::string PgpOutputName(std::string_view input, std::string_view ext);
