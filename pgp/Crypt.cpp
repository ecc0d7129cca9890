// Encrypting and decrypting text and files through PGP.
#include "pgp/Crypt.h"

#include "files/TextFile.h"
#include "pgp/keyring.h"
#include "pgp/pgpinput.h"
#include "pgp/quoting.h"
#include "pgp/runner.h"
#include "files/workfiles.h"
#include "settings/Settings.h"
#include "ui/errors.h"
#include "ui/msgbox.h"

namespace {

constexpr const char* kTextFilter = "Text files (*.txt)|*.txt|Ascii files (*.asc)|*.asc|All files (*.*)|*.*";
constexpr const char* kPgpFilter = "PGP files (*.pgp)|*.pgp|All files (*.*)|*.*";

}  // namespace

void EncryptWithPgp(const RecipientChooser& chooseRecipients, const std::string& inputFile, bool fileMode,
                    const std::string& text, std::string& result) {
  result.clear();
  if (fileMode && !CheckPgpValue("The file name", inputFile)) return;
  if (Settings.SignFiles && !CheckPgpValue("The signing user ID", Settings.IdSign)) return;
  std::string recipients;
  if (!chooseRecipients(recipients)) return;
  ScopedFile listFile(Settings.UseList ? recipients : std::string(), ScopedFile::Disposal::Remove);
  std::string passPhrase;
  if (Settings.SignFiles) {
    if (!AskPassPhrase(passPhrase)) return;
    if (!CheckPgpValue("The pass phrase", passPhrase)) return;
  }
  // The plain-text copy is wiped on every path, also when PGP did not start.
  ScopedFile plain(fileMode ? std::string() : NewWorkFileName(), ScopedFile::Disposal::Wipe);
  if (!fileMode) WriteTextFile(plain.name(), text);
  const std::string& input = fileMode ? inputFile : plain.name();

  std::string command = PgpCommand + "-e";
  if (Settings.SignFiles) command += "s";
  if (!fileMode) command += "a";
  command += " " + pgp::Quoted(input) + " ";
  if (Settings.UseList)
    command += "-@ " + pgp::Quoted(listFile.name());
  else
    command += recipients;
  if (Settings.SignFiles) command += " -u" + pgp::Quoted(Settings.IdSign) + " -z" + pgp::Quoted(passPhrase);

  if (RunPgp(command)) result = PgpOutputName(input, fileMode ? "pgp" : "asc");
}

bool DecryptWithPgp(const std::string& inputFile, const std::string& outputFile, bool fileMode, std::string& text) {
  if (!CheckPublicKeyRing()) return false;
  if (fileMode && (!CheckPgpValue("The file name", inputFile) || !CheckPgpValue("The output file name", outputFile)))
    return false;
  std::string passPhrase;
  if (!AskPassPhrase(passPhrase)) return false;
  if (!CheckPgpValue("The pass phrase", passPhrase)) return false;

  ScopedFile input(fileMode ? std::string() : NewWorkFileName(), ScopedFile::Disposal::Wipe);
  ScopedFile output(fileMode ? std::string() : NewWorkFileName(), ScopedFile::Disposal::Wipe);
  if (!fileMode) {
    // Only the name is kept: PGP creates the output itself.
    RemoveFile(output.name());
    WriteTextFile(input.name(), text);
  }
  const std::string& in = fileMode ? inputFile : input.name();
  const std::string& out = fileMode ? outputFile : output.name();
  const std::string command =
      PgpCommand + pgp::Quoted(in) + " -o " + pgp::Quoted(out) + " -z" + pgp::Quoted(passPhrase);

  if (fileMode) {
    RemoveFile(outputFile);
    RunPgp(command);
    if (Settings.AutoDelete && FileExists(outputFile)) WipeFile(inputFile);
    return false;
  }
  if (!RunPgp(command) || !FileExists(out)) return false;
  try {
    text = ReadTextFile(out);
  } catch (const ui::Error&) {
    return false;
  }
  return true;
}

std::string EncryptText(const RecipientChooser& chooseRecipients, const std::string& text) {
  std::string armoured;
  EncryptWithPgp(chooseRecipients, {}, false, text, armoured);
  if (armoured.empty()) return {};
  ScopedFile output(armoured, ScopedFile::Disposal::Remove);
  return ReadTextFile(output.name());
}

void EncryptFile(const RecipientChooser& chooseRecipients, ui::FileDialog& openDialog, HWND owner) {
  if (!CheckPublicKeyRing()) return;
  openDialog.filter = kTextFilter;
  openDialog.title = "Choose file to encrypt";
  if (!openDialog.execute(owner)) return;
  const std::string source = openDialog.fileName;
  std::string started;
  EncryptWithPgp(chooseRecipients, source, true, {}, started);
  if (started.empty()) return;
  const std::string expected = PgpOutputName(source, "pgp");
  if (!FileExists(expected)) {
    ui::ErrorBox("Output file not found : \r\n\r\n" + expected + "\r\n");
    return;
  }
  // The source is plain text: wiped, not merely deleted.
  if (Settings.AutoDelete) WipeFile(source);
  ui::InfoBox("File : " + expected + "\r\nSuccessfuly created !");
}

void DecryptFile(ui::FileDialog& openDialog, ui::FileDialog& saveDialog, HWND owner) {
  if (!CheckPublicKeyRing()) return;
  openDialog.filter = kPgpFilter;
  openDialog.title = "Choose file to decrypt";
  if (!openDialog.execute(owner)) return;
  const std::string input = openDialog.fileName;
  saveDialog.filter = kTextFilter;
  saveDialog.title = "Choose output filename";
  if (!saveDialog.execute(owner)) return;
  std::string unused;
  DecryptWithPgp(input, saveDialog.fileName, true, unused);
}
