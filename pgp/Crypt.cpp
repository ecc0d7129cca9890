// Encrypt and decrypt commands of the main window.
#include "pgp/Crypt.h"

#include "app/Main.h"
#include "files/TextFile.h"
#include "keys/Encrypt.h"
#include "keys/KeyList.h"
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

void EncryptWithPgp(const std::string& inputFile, bool fileMode, const std::string& text, std::string& result) {
  result.clear();
  if (fileMode && !CheckPgpValue("The file name", inputFile)) return;
  if (Settings.SignFiles && !CheckPgpValue("The signing user ID", Settings.IdSign)) return;
  std::string recipients;
  if (!ChooseRecipients(recipients)) return;
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

void TMainForm::Encrypttext1Click() {
  if (!CheckPublicKeyRing() || memo1.textLength() == 0) return;
  std::string armoured;
  EncryptWithPgp({}, false, memo1.text(), armoured);
  if (armoured.empty()) return;
  std::string content;
  try {
    content = ReadTextFile(armoured);
  } catch (...) {
    RemoveFile(armoured);
    throw;
  }
  RemoveFile(armoured);
  memo1.setText(content);
}

void TMainForm::Decrypttext1Click() {
  if (!CheckPublicKeyRing()) return;
  if (memo1.findNoCase("BEGIN PGP MESSAGE") < 0) {
    ui::ErrorBox("Not a PGP cyphered message !");
    return;
  }
  std::string text = memo1.text();
  if (DecryptWithPgp({}, {}, false, text)) memo1.setText(text);
}

void TMainForm::EncryptFileItemClick() {
  if (!CheckPublicKeyRing()) return;
  OpenDialog.filter = kTextFilter;
  OpenDialog.title = "Choose file to encrypt";
  if (!OpenDialog.execute(handle())) return;
  const std::string source = OpenDialog.fileName;
  std::string started;
  EncryptWithPgp(source, true, {}, started);
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

void TMainForm::DecryptFileItemClick() {
  if (!CheckPublicKeyRing()) return;
  OpenDialog.filter = kPgpFilter;
  OpenDialog.title = "Choose file to decrypt";
  if (!OpenDialog.execute(handle())) return;
  const std::string input = OpenDialog.fileName;
  SaveDialog.filter = kTextFilter;
  SaveDialog.title = "Choose output filename";
  if (!SaveDialog.execute(handle())) return;
  std::string unused;
  DecryptWithPgp(input, SaveDialog.fileName, true, unused);
}
