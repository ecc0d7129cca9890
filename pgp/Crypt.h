// Encrypting and decrypting the text window's content or a file through PGP.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "pgp/context.h"
#include "pgp/cryptname.h"
#include "pgp/sigreport.h"
#include "ui/dialog.h"

// Shows the recipients dialog and sets its argument to the recipients text
// (pgp::RecipientArguments of the keys chosen, or with ctx.useList the name of
// a list file the encryption removes); false when the user cancelled or a box
// explained why not.
using RecipientChooser = std::function<bool(std::string&)>;

// Encrypts `text` (text mode, armoured) or the file `inputFile` (file mode)
// for recipients from `chooseRecipients`, signing as ctx.idSign when
// ctx.signFiles is on. `result` is emptied, then set once PGP has run: in
// text mode to the armoured file PGP writes beside the work file; in file
// mode to the encrypted file once it is in place. In file mode an output
// that already exists, or that would be the input itself, is refused with an
// error box before anything is asked; PGP writes into a RunFolder beside it,
// and a file that took the output's name meanwhile is left alone and named
// in an error box, as is a missing result. In text mode a leftover armoured
// file of the work file's name is removed before PGP runs. The pass phrase
// reaches PGP in its environment. Every work file of the run, the recipients
// list included, is gone when this returns, except that armoured file.
void EncryptWithPgp(const pgp::Context& ctx, const RecipientChooser& chooseRecipients, const std::string& inputFile,
                    bool fileMode, const std::string& text, std::string& result);

// What a decryption gave.
struct Decrypted {
  bool wrote = false;    // text mode: the plain text is in `plain`; file mode: the output is in place
  pgp::Verdict verdict;  // what PGP's report says about a signature
};

// Decrypts after asking the pass phrase. Text mode: `text` is the armoured
// input and `plain` receives the plain text. File mode (both texts unused):
// refuses an output equal to the input; PGP decrypts `inputFile` into a RunFolder beside `outputFile`,
// and the result replaces an old output only when that is still the file
// there before the pass phrase was asked (any other file that took the name
// is left alone, and an error box says so); with ctx.autoDelete on, the
// input is wiped only once the output is in place.
Decrypted DecryptWithPgp(const pgp::Context& ctx, const std::string& inputFile, const std::string& outputFile,
                         bool fileMode, const std::string& text, std::string& plain);

// Checks the signature of the clear-signed message `text` without asking a
// pass phrase; the text itself is not changed. An error box when PGP's
// report says nothing about a signature.
pgp::Verdict VerifyText(const pgp::Context& ctx, const std::string& text);

// `text` signed as ctx.idSign, after asking the pass phrase, as a clear-signed
// message; empty when it was not (cancelled, or an error box said why).
std::string SignText(const pgp::Context& ctx, const std::string& text);

// The armoured text of `text` encrypted for the chosen recipients;
// empty when nothing was encrypted. PGP's armoured file is removed.
std::string EncryptText(const pgp::Context& ctx, const RecipientChooser& chooseRecipients, const std::string& text);

// Asks for a file through `openDialog`, encrypts it for recipients chosen
// and reports the result; with ctx.autoDelete the source is wiped once the
// encrypted file is in place.
void EncryptFile(const pgp::Context& ctx, const RecipientChooser& chooseRecipients, ui::FileDialog& openDialog,
                 HWND owner);

// Asks for an encrypted file and an output name, decrypts the one into the
// other, and shows what PGP's report says about a signature in a box.
void DecryptFile(const pgp::Context& ctx, ui::FileDialog& openDialog, ui::FileDialog& saveDialog, HWND owner);
