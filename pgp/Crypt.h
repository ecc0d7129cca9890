// Encrypting and decrypting the text window's content or a file through PGP.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "pgp/context.h"
#include "pgp/cryptname.h"
#include "ui/dialog.h"

// Shows the recipients dialog and sets its argument to the recipients text
// (pgp::RecipientArguments of the keys chosen, or with ctx.useList the name of
// a list file the encryption removes); false when the user cancelled or a box
// explained why not.
using RecipientChooser = std::function<bool(std::string&)>;

// Encrypts `text` (text mode, armoured) or the file `inputFile` (file mode)
// for recipients from `chooseRecipients`, signing as ctx.idSign when
// ctx.signFiles is on. `result` is emptied, then set once PGP has run: in
// text mode to the armoured file PGP writes beside the work file, in file
// mode to the expected encrypted file. In file mode an output that already
// exists, or that would be the input itself, is refused with an error box
// before anything is asked; in text mode a leftover armoured file of the work
// file's name is removed before PGP runs. The pass phrase reaches PGP in its
// environment. Every work file of the run, the recipients list included, is
// gone when this returns, except that armoured file.
void EncryptWithPgp(const pgp::Context& ctx, const RecipientChooser& chooseRecipients, const std::string& inputFile,
                    bool fileMode, const std::string& text, std::string& result);

// Decrypts after asking the pass phrase. Text mode: `text` is the armoured
// input and `plain` receives the plain text; true when it did. File mode
// (both texts unused): refuses an output equal to the input; PGP decrypts
// `inputFile` into a new file beside `outputFile`, which replaces an old
// output only once PGP wrote it; with ctx.autoDelete on, the input is wiped
// only after that.
bool DecryptWithPgp(const pgp::Context& ctx, const std::string& inputFile, const std::string& outputFile, bool fileMode,
                    const std::string& text, std::string& plain);

// The armoured text of `text` encrypted for the chosen recipients;
// empty when nothing was encrypted. PGP's armoured file is removed.
std::string EncryptText(const pgp::Context& ctx, const RecipientChooser& chooseRecipients, const std::string& text);

// Asks for a file through `openDialog`, encrypts it for recipients chosen
// and reports the result; with ctx.autoDelete the source is wiped.
void EncryptFile(const pgp::Context& ctx, const RecipientChooser& chooseRecipients, ui::FileDialog& openDialog,
                 HWND owner);

// Asks for an encrypted file and an output name, and decrypts the one into the other.
void DecryptFile(const pgp::Context& ctx, ui::FileDialog& openDialog, ui::FileDialog& saveDialog, HWND owner);
