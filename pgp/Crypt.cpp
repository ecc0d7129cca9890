// Encrypting and decrypting text and files through PGP.
#include "pgp/Crypt.h"

#include <optional>

#include "files/TextFile.h"
#include "files/workfiles.h"
#include "pgp/keyring.h"
#include "pgp/pgpcommand.h"
#include "pgp/pgpinput.h"
#include "pgp/quoting.h"
#include "pgp/runner.h"
#include "ui/errors.h"
#include "ui/msgbox.h"

namespace {

constexpr const char* kTextFilter = "Text files (*.txt)|*.txt|Ascii files (*.asc)|*.asc|All files (*.*)|*.*";
constexpr const char* kPgpFilter = "PGP files (*.pgp)|*.pgp|All files (*.*)|*.*";

}  // namespace

namespace {

// PGP refuses to overwrite, so an output that is there before the run would
// pass for a result it never wrote: it is refused. Output onto the input
// would leave nothing.
bool CheckNewOutput(const std::string& input, const std::string& output) {
  if (SameFilePath(input, output)) {
    ui::ErrorBox("The output file is the input file : \r\n\r\n" + output);
    return false;
  }
  if (FileExists(output)) {
    ui::ErrorBox("Output file already exists : \r\n\r\n" + output);
    return false;
  }
  return true;
}

}  // namespace

void EncryptWithPgp(const pgp::Context& ctx, const RecipientChooser& chooseRecipients, const std::string& inputFile,
                    bool fileMode, const std::string& text, std::string& result) {
  result.clear();
  if (fileMode && !CheckPgpValue("The file name", inputFile)) return;
  if (fileMode && !CheckNewOutput(inputFile, PgpOutputName(inputFile, "pgp"))) return;
  if (ctx.signFiles && !CheckPgpValue("The signing user ID", ctx.idSign)) return;
  std::string recipients;
  if (!chooseRecipients(recipients)) return;
  ScopedFile listFile(ctx.useList ? recipients : std::string(), ScopedFile::Disposal::Remove);
  std::optional<std::string> passPhrase;
  if (ctx.signFiles) {
    passPhrase.emplace();
    if (!AskPassPhrase(*passPhrase)) return;
    if (!CheckPgpValue("The pass phrase", *passPhrase)) return;
  }
  // The plain-text copy is wiped on every path, also when PGP did not start.
  ScopedFile plain(fileMode ? std::string() : NewWorkFileName(), ScopedFile::Disposal::Wipe);
  if (!fileMode) WriteTextFile(plain.name(), text);
  const std::string& input = fileMode ? inputFile : plain.name();
  const std::string output = PgpOutputName(input, fileMode ? "pgp" : "asc");
  // The work file's name is new, so an armoured file beside it is a leftover
  // of an earlier run that must not pass for this run's result.
  if (!fileMode && FileExists(output) && !RemoveFile(output)) {
    ui::ErrorBox("Output file already exists : \r\n\r\n" + output);
    return;
  }

  if (RunPgp(ctx, pgp::EncryptCommand(ctx, input, !fileMode, recipients), {}, false, passPhrase)) result = output;
}

bool DecryptWithPgp(const pgp::Context& ctx, const std::string& inputFile, const std::string& outputFile, bool fileMode,
                    const std::string& text, std::string& plain) {
  if (!CheckPublicKeyRing(ctx)) return false;
  if (fileMode && (!CheckPgpValue("The file name", inputFile) || !CheckPgpValue("The output file name", outputFile)))
    return false;
  if (fileMode && SameFilePath(inputFile, outputFile)) {
    ui::ErrorBox("The output file is the input file : \r\n\r\n" + outputFile);
    return false;
  }
  std::string passPhrase;
  if (!AskPassPhrase(passPhrase)) return false;
  if (!CheckPgpValue("The pass phrase", passPhrase)) return false;

  // File mode: PGP writes a new file beside the chosen output, which replaces
  // the old output only once PGP made it, so a failed run loses nothing.
  ScopedFile input(fileMode ? std::string() : NewWorkFileName(), ScopedFile::Disposal::Wipe);
  ScopedFile output(fileMode ? UnusedNameBeside(outputFile) : NewWorkFileName(), ScopedFile::Disposal::Wipe);
  if (!fileMode) {
    // Only the name is kept: PGP creates the output itself.
    RemoveFile(output.name());
    WriteTextFile(input.name(), text);
  }
  const std::string& in = fileMode ? inputFile : input.name();
  const std::string& out = output.name();
  if (!RunPgp(ctx, pgp::DecryptCommand(ctx, in, out), {}, false, passPhrase) || !FileExists(out)) return false;
  if (fileMode) {
    if (!MoveFileExA(out.c_str(), outputFile.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      ui::ErrorBox("Cannot replace the output file : \r\n\r\n" + outputFile);
      return false;
    }
    if (ctx.autoDelete) WipeFile(inputFile);
    return false;
  }
  try {
    plain = ReadTextFile(out);
  } catch (const ui::Error&) {
    return false;
  }
  return true;
}

std::string EncryptText(const pgp::Context& ctx, const RecipientChooser& chooseRecipients, const std::string& text) {
  std::string armoured;
  EncryptWithPgp(ctx, chooseRecipients, {}, false, text, armoured);
  if (armoured.empty()) return {};
  ScopedFile output(armoured, ScopedFile::Disposal::Remove);
  return ReadTextFile(output.name());
}

void EncryptFile(const pgp::Context& ctx, const RecipientChooser& chooseRecipients, ui::FileDialog& openDialog,
                 HWND owner) {
  if (!CheckPublicKeyRing(ctx)) return;
  openDialog.filter = kTextFilter;
  openDialog.title = "Choose file to encrypt";
  if (!openDialog.execute(owner)) return;
  const std::string source = openDialog.fileName;
  std::string started;
  EncryptWithPgp(ctx, chooseRecipients, source, true, {}, started);
  if (started.empty()) return;
  // The output was refused when it existed before the run: one there now is new.
  const std::string expected = PgpOutputName(source, "pgp");
  if (!FileExists(expected)) {
    ui::ErrorBox("Output file not found : \r\n\r\n" + expected + "\r\n");
    return;
  }
  // The source is plain text: wiped, not merely deleted.
  if (ctx.autoDelete) WipeFile(source);
  ui::InfoBox("File : " + expected + "\r\nSuccessfuly created !");
}

void DecryptFile(const pgp::Context& ctx, ui::FileDialog& openDialog, ui::FileDialog& saveDialog, HWND owner) {
  if (!CheckPublicKeyRing(ctx)) return;
  openDialog.filter = kPgpFilter;
  openDialog.title = "Choose file to decrypt";
  if (!openDialog.execute(owner)) return;
  const std::string input = openDialog.fileName;
  saveDialog.filter = kTextFilter;
  saveDialog.title = "Choose output filename";
  if (!saveDialog.execute(owner)) return;
  std::string unused;
  DecryptWithPgp(ctx, input, saveDialog.fileName, true, {}, unused);
}
