// Building PGP command lines. Window-free.
#pragma once

#include <string>
#include <string_view>

namespace pgp {

// The prefix of every PGP command line: the quoted path of PGP.EXE in the PGP
// folder, then one blank. The folder is used as given.
std::string MakePgpCommand(std::string_view pgpPath);

}  // namespace pgp
