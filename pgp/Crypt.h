// Encrypting and decrypting the text window's content or a file through PGP.
#pragma once

#include <string>
#include <string_view>

// The file PGP writes when it encrypts `input`: the last path component's
// extension replaced by `ext`, or "." + `ext` appended when that component
// has no dot ("C:\DIR.X\FILE" gives "C:\DIR.X\FILE.pgp"). Window-free.
std::string PgpOutputName(std::string_view input, std::string_view ext);

// Encrypts `text` (text mode, armoured) or the file `inputFile` (file mode)
// for recipients chosen in the recipients dialog, signing when SignFiles is
// on. `result` is emptied, then set once PGP has run: in text mode to the
// armoured file PGP writes beside the work file, in file mode to the
// expected encrypted file. Every work file of the run, the recipients list
// included, is gone when this returns, except that armoured file.
void EncryptWithPgp(const std::string& inputFile, bool fileMode, const std::string& text, std::string& result);

// Decrypts after asking the pass phrase. Text mode: `text` is the armoured
// input and receives the plain text; true when it did. File mode: decrypts
// `inputFile` into `outputFile` (an old output file is removed just before
// PGP runs); with AutoDelete on, the input is wiped once the output exists.
bool DecryptWithPgp(const std::string& inputFile, const std::string& outputFile, bool fileMode, std::string& text);
