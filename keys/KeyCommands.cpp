// The key management commands of the PGP menu and the default signing ID.
// Every user ID and file name is checked before it goes between double
// quotes into a command line: a refused value ends the command before any
// dialog that follows and before PGP runs.
#include <string>

#include "app/Main.h"
#include "files/TextFile.h"
#include "keys/KeyList.h"
#include "keys/Pubkey.h"
#include "keys/keylisting.h"
#include "pgp/quoting.h"
#include "pgp/runner.h"
#include "files/workfiles.h"
#include "settings/Settings.h"
#include "ui/msgbox.h"

namespace {

constexpr const char* kKeyFileTitle = "Choose public key file";

// Only the extract command uses a default extension; the shared save dialog
// gets none back for the other commands.
class DefaultExtension {
 public:
  DefaultExtension(ui::FileDialog& dialog, const char* ext) : dialog_(dialog) { dialog_.defaultExt = ext; }
  DefaultExtension(const DefaultExtension&) = delete;
  DefaultExtension& operator=(const DefaultExtension&) = delete;
  ~DefaultExtension() { dialog_.defaultExt.clear(); }

 private:
  ui::FileDialog& dialog_;
};

bool CheckUserId(const std::string& id) { return CheckPgpValue("The user ID", id); }
bool CheckFileName(const std::string& name) { return CheckPgpValue("The file name", name); }

}  // namespace

void TMainForm::Generatekeys1Click() {
  RunPgp(PgpCommand + " -kg");
  ReadPublicKeys(KeyList);
}

void TMainForm::Addapublickey1Click() {
  if (!CheckPublicKeyRing()) return;
  OpenDialog.filter = "Key files (*.key)|*.key|Ascii files (*.asc)|*.asc|All files (*.*)|*.*";
  OpenDialog.title = kKeyFileTitle;
  if (!OpenDialog.execute(handle())) return;
  if (!CheckFileName(OpenDialog.fileName)) return;
  RunPgp(PgpCommand + " -ka " + pgp::Quoted(OpenDialog.fileName));
  ReadPublicKeys(KeyList);
}

void TMainForm::Extractakey1Click() {
  if (!CheckPublicKeyRing()) return;
  TPublicKeyFrm picker(KeyList);
  picker.ascii.setVisible(true);
  if (picker.showModal() != ui::ModalResult::Ok) return;
  if (!CheckUserId(picker.SelectedKey)) return;
  {
    DefaultExtension ext(SaveDialog, "key");
    SaveDialog.filter = picker.AsciiFile ? "Ascii files (*.asc)|*.asc|All files (*.*)|*.*"
                                         : "Key files (*.key)|*.key|All files (*.*)|*.*";
    SaveDialog.title = kKeyFileTitle;
    if (!SaveDialog.execute(handle())) return;
  }
  if (!CheckFileName(SaveDialog.fileName)) return;
  RunPgp(PgpCommand + " -kx" + (picker.AsciiFile ? "a" : "") + " " + pgp::Quoted(picker.SelectedKey) + " " +
         pgp::Quoted(SaveDialog.fileName));
}

void TMainForm::Removeakey1Click() {
  if (!CheckPublicKeyRing()) return;
  TPublicKeyFrm picker(KeyList);
  if (picker.showModal() != ui::ModalResult::Ok) return;
  if (!CheckUserId(picker.SelectedKey)) return;
  RunPgp(PgpCommand + " -kr " + pgp::Quoted(picker.SelectedKey));
  ReadPublicKeys(KeyList);
}

void TMainForm::GetKeyFingerprint1Click() {
  if (!CheckPublicKeyRing()) return;
  TPublicKeyFrm picker(KeyList);
  if (picker.showModal() != ui::ModalResult::Ok) return;
  if (!CheckUserId(picker.SelectedKey)) return;
  ScopedFile output(NewWorkFileName(), ScopedFile::Disposal::Remove);
  std::string quotedKey = pgp::Quoted(picker.SelectedKey);
  std::string fingerprint;
  if (RunPgp(PgpCommand + " -kvc " + quotedKey, output.name(), true)) {
    fingerprint = keys::FindFingerprint(ReadTextFile(output.name()));
  }
  if (!fingerprint.empty()) {
    ui::InfoBox("Fingerprint for : " + quotedKey + "\r\n\r\n" + fingerprint);
  } else {
    ui::ErrorBox("Public key Fingerprint not found !");
  }
}

void TMainForm::DefaultIDforSigning1Click() {
  TPublicKeyFrm picker(KeyList);
  picker.setText("Choose default ID for signing messages and files");
  if (!Settings.IdSign.empty()) picker.SelectKey(Settings.IdSign);
  if (picker.showModal() != ui::ModalResult::Ok) return;
  // Signing names this ID to PGP; one that cannot be quoted is not stored.
  if (!CheckUserId(picker.SelectedKey)) return;
  Settings.IdSign = picker.SelectedKey;
  SaveSettings();
}
