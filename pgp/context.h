// What one PGP command works with: the command prefix and the options it
// reads, taken from the settings when the command starts. Window-free.
#pragma once

#include <string>

namespace pgp {

struct Context {
  // The prefix of every command line: the quoted PGP.EXE and one blank (MakePgpCommand).
  std::string command;
  // The folder of PGP.EXE, which holds the public key ring.
  std::string pgpPath;
  bool signFiles = false;   // sign while encrypting, as idSign
  bool useList = false;     // recipients through a list file ("-@")
  std::string idSign;       // the user ID that signs
  bool autoDelete = false;  // wipe the source of a file command once it succeeded
  bool runIcon = false;     // PGP's console starts minimised
  bool pause = false;       // show PGP's standard output after each run
};

}  // namespace pgp
