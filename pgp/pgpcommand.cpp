#include "pgp/pgpcommand.h"

namespace pgp {

std::string MakePgpCommand(std::string_view pgpPath) {
  std::string s = "\"";
  s += pgpPath;
  s += "\\PGP.EXE\" ";
  return s;
}

}  // namespace pgp
