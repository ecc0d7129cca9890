// Encrypting and decrypting text and files through PGP.
#include "pgp/Crypt.h"

#include <optional>
#include <utility>

#include "files/TextFile.h"
#include "files/runfolder.h"
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

// The work file's name is new, so a file of PGP's output name beside it is a
// leftover of an earlier run that must not pass for this run's result.
bool ClearOutputName(const std::string& output) {
  if (!FileExists(output) || RemoveFile(output)) return true;
  ui::ErrorBox("Output file already exists : \r\n\r\n" + output);
  return false;
}

// Runs PGP keeping its standard output, which holds its report; nothing when
// PGP could not be started (the runner said so).
std::optional<std::string> RunForReport(const pgp::Context& ctx, const std::string& command,
                                        const std::optional<std::string>& passPhrase) {
  ScopedFile console(NewWorkFileName(), ScopedFile::Disposal::Remove);
  if (!RunPgp(ctx, command, console.name(), true, passPhrase)) return std::nullopt;
  try {
    return ReadTextFile(console.name());
  } catch (const ui::Error&) {
    return std::string();
  }
}

// Runs PGP's decryption (or check) of `text` through work files, wiped
// afterwards; PGP's report, or nothing when it could not be started. `plain`
// receives what PGP wrote, when it wrote something readable.
std::optional<std::string> DecryptText(const pgp::Context& ctx, const std::string& text,
                                       const std::optional<std::string>& passPhrase,
                                       std::optional<std::string>& plain) {
  ScopedFile input(NewWorkFileName(), ScopedFile::Disposal::Wipe);
  ScopedFile output(NewWorkFileName(), ScopedFile::Disposal::Wipe);
  // Only the name is kept: PGP creates the output itself.
  RemoveFile(output.name());
  WriteTextFile(input.name(), text);
  auto report = RunForReport(ctx, pgp::DecryptCommand(ctx, input.name(), output.name()), passPhrase);
  try {
    if (report && FileExists(output.name())) plain = ReadTextFile(output.name());
  } catch (const ui::Error&) {
  }
  return report;
}

// Says what kept PGP's result from its place; true when it is there. A
// missing result is the caller's to report.
bool InPlace(RunFolder::Placed placed, const std::string& target) {
  switch (placed) {
    case RunFolder::Placed::Done:
      return true;
    case RunFolder::Placed::NoResult:
      break;
    case RunFolder::Placed::Taken:
      ui::ErrorBox(
          "Another file took the name of the output while PGP was running. It was left as it is, and "
          "PGP's result was dropped : \r\n\r\n" +
          target);
      break;
    case RunFolder::Placed::Failed:
      ui::ErrorBox("Cannot move PGP's result into place : \r\n\r\n" + target);
      break;
  }
  return false;
}

}  // namespace

void EncryptWithPgp(const pgp::Context& ctx, const RecipientChooser& chooseRecipients, const std::string& inputFile,
                    bool fileMode, const std::string& text, std::string& result) {
  result.clear();
  const std::string target = fileMode ? PgpOutputName(inputFile, "pgp") : std::string();
  if (fileMode && !CheckPgpValue("The file name", inputFile)) return;
  if (fileMode && !CheckNewOutput(inputFile, target)) return;
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
  if (fileMode) {
    RunFolder run(target);
    if (!RunPgp(ctx, pgp::EncryptCommand(ctx, inputFile, false, recipients, run.result()), {}, false, passPhrase))
      return;
    const RunFolder::Placed placed = run.place();
    if (placed == RunFolder::Placed::NoResult) ui::ErrorBox("Output file not found : \r\n\r\n" + target + "\r\n");
    if (InPlace(placed, target)) result = target;
    return;
  }
  // The plain-text copy is wiped on every path, also when PGP did not start.
  ScopedFile plain(NewWorkFileName(), ScopedFile::Disposal::Wipe);
  WriteTextFile(plain.name(), text);
  const std::string output = PgpOutputName(plain.name(), "asc");
  if (!ClearOutputName(output)) return;
  if (RunPgp(ctx, pgp::EncryptCommand(ctx, plain.name(), true, recipients), {}, false, passPhrase)) result = output;
}

Decrypted DecryptWithPgp(const pgp::Context& ctx, const std::string& inputFile, const std::string& outputFile,
                         bool fileMode, const std::string& text, std::string& plain) {
  Decrypted done;
  if (!CheckPublicKeyRing(ctx)) return done;
  if (fileMode && (!CheckPgpValue("The file name", inputFile) || !CheckPgpValue("The output file name", outputFile)))
    return done;
  if (fileMode && SameFilePath(inputFile, outputFile)) {
    ui::ErrorBox("The output file is the input file : \r\n\r\n" + outputFile);
    return done;
  }
  // The output the user agreed to replace in the save dialog, if there is one.
  const std::optional<FileIdentity> agreed = fileMode ? IdentityOf(outputFile) : std::nullopt;
  std::string passPhrase;
  if (!AskPassPhrase(passPhrase)) return done;
  if (!CheckPgpValue("The pass phrase", passPhrase)) return done;

  if (fileMode) {
    RunFolder run(outputFile);
    auto report = RunForReport(ctx, pgp::DecryptCommand(ctx, inputFile, run.result()), passPhrase);
    if (!report) return done;
    done.verdict = pgp::ReadSignatureReport(*report);
    // PGP wrote nothing: no message, the input stays.
    done.wrote = InPlace(run.place(agreed), outputFile);
    if (done.wrote && ctx.autoDelete) WipeFile(inputFile);
    return done;
  }
  std::optional<std::string> read;
  auto report = DecryptText(ctx, text, passPhrase, read);
  if (!report) return done;
  done.verdict = pgp::ReadSignatureReport(*report);
  done.wrote = read.has_value();
  if (read) plain = std::move(*read);
  return done;
}

pgp::Verdict VerifyText(const pgp::Context& ctx, const std::string& text) {
  // No pass phrase: checking a signature needs none. The text stays as it is.
  std::optional<std::string> unused;
  auto report = DecryptText(ctx, text, std::nullopt, unused);
  if (!report) return {};
  pgp::Verdict verdict = pgp::ReadSignatureReport(*report);
  if (verdict.kind == pgp::Signature::None) {
    ui::ErrorBox("PGP's report says nothing about a signature, the text was not checked !");
    return verdict;
  }
  verdict.textOutside = pgp::TextOutsideSignedPart(text);
  return verdict;
}

std::string SignText(const pgp::Context& ctx, const std::string& text) {
  if (!CheckPgpValue("The signing user ID", ctx.idSign)) return {};
  std::string passPhrase;
  if (!AskPassPhrase(passPhrase)) return {};
  if (!CheckPgpValue("The pass phrase", passPhrase)) return {};
  ScopedFile plain(NewWorkFileName(), ScopedFile::Disposal::Wipe);
  WriteTextFile(plain.name(), text);
  const std::string output = PgpOutputName(plain.name(), "asc");
  if (!ClearOutputName(output)) return {};
  // The signed message holds the text in clear: wiped on every path from here.
  ScopedFile signedText(output, ScopedFile::Disposal::Wipe);
  if (!RunPgp(ctx, pgp::ClearSignCommand(ctx, plain.name()), {}, false, passPhrase)) return {};
  if (!FileExists(output)) {
    ui::ErrorBox("PGP wrote no signed message (a wrong pass phrase, or no secret key for the signing ID) !");
    return {};
  }
  return ReadTextFile(output);
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
  std::string placed;
  EncryptWithPgp(ctx, chooseRecipients, source, true, {}, placed);
  if (placed.empty()) return;
  // The source is plain text: wiped, not merely deleted.
  if (ctx.autoDelete) WipeFile(source);
  ui::InfoBox("File : " + placed + "\r\nSuccessfuly created !");
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
  const pgp::Verdict verdict = DecryptWithPgp(ctx, input, saveDialog.fileName, true, {}, unused).verdict;
  if (verdict.kind == pgp::Signature::None) return;
  // No text window beside the file: the verdict comes in a box.
  const std::string text = "Signature of " + input + " :\r\n\r\n" + pgp::VerdictText(verdict);
  if (pgp::NeedsWarning(verdict))
    ui::WarningBox(text);
  else
    ui::InfoBox(text);
}
