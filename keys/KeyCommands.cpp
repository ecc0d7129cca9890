// The key management commands of the PGP menu and the default signing ID.
// Every user ID and file name is checked before it goes between double
// quotes into a command line: a refused value ends the command before any
// dialog that follows and before PGP runs.
#include "keys/KeyCommands.h"

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

void GenerateKeys() { RunPgp(PgpCommand + " -kg"); }

bool AddKey(ui::FileDialog& openDialog, HWND owner) {
  if (!CheckPublicKeyRing()) return false;
  openDialog.filter = "Key files (*.key)|*.key|Ascii files (*.asc)|*.asc|All files (*.*)|*.*";
  openDialog.title = kKeyFileTitle;
  if (!openDialog.execute(owner)) return false;
  if (!CheckFileName(openDialog.fileName)) return false;
  RunPgp(PgpCommand + " -ka " + pgp::Quoted(openDialog.fileName));
  return true;
}

void ExtractKey(const std::vector<std::string>& keys, const std::vector<std::string>& keyIds,
                ui::FileDialog& saveDialog, HWND owner) {
  if (!CheckPublicKeyRing()) return;
  TPublicKeyFrm picker(keys);
  picker.ascii.setVisible(true);
  if (picker.showModal() != ui::ModalResult::Ok) return;
  const std::string key = keys::KeySelector(keys, keyIds, picker.SelectedIndex);
  if (!CheckUserId(key)) return;
  {
    DefaultExtension ext(saveDialog, "key");
    saveDialog.filter = picker.AsciiFile ? "Ascii files (*.asc)|*.asc|All files (*.*)|*.*"
                                         : "Key files (*.key)|*.key|All files (*.*)|*.*";
    saveDialog.title = kKeyFileTitle;
    if (!saveDialog.execute(owner)) return;
  }
  if (!CheckFileName(saveDialog.fileName)) return;
  RunPgp(PgpCommand + " -kx" + (picker.AsciiFile ? "a" : "") + " " + pgp::Quoted(key) + " " +
         pgp::Quoted(saveDialog.fileName));
}

bool RemoveKey(const std::vector<std::string>& keys, const std::vector<std::string>& keyIds) {
  if (!CheckPublicKeyRing()) return false;
  TPublicKeyFrm picker(keys);
  if (picker.showModal() != ui::ModalResult::Ok) return false;
  const std::string key = keys::KeySelector(keys, keyIds, picker.SelectedIndex);
  if (!CheckUserId(key)) return false;
  RunPgp(PgpCommand + " -kr " + pgp::Quoted(key));
  return true;
}

void ShowKeyFingerprint(const std::vector<std::string>& keys, const std::vector<std::string>& keyIds) {
  if (!CheckPublicKeyRing()) return;
  TPublicKeyFrm picker(keys);
  if (picker.showModal() != ui::ModalResult::Ok) return;
  const std::string key = keys::KeySelector(keys, keyIds, picker.SelectedIndex);
  if (!CheckUserId(key)) return;
  ScopedFile output(NewWorkFileName(), ScopedFile::Disposal::Remove);
  // The box names the key as the user saw it.
  std::string quotedKey = pgp::Quoted(picker.SelectedKey);
  std::string fingerprint;
  if (RunPgp(PgpCommand + " -kvc " + pgp::Quoted(key), output.name(), true)) {
    fingerprint = keys::FindFingerprint(ReadTextFile(output.name()));
  }
  if (!fingerprint.empty()) {
    ui::InfoBox("Fingerprint for : " + quotedKey + "\r\n\r\n" + fingerprint);
  } else {
    ui::ErrorBox("Public key Fingerprint not found !");
  }
}

void ChooseDefaultSigningId(const std::vector<std::string>& keys) {
  TPublicKeyFrm picker(keys);
  picker.setText("Choose default ID for signing messages and files");
  if (!Settings.IdSign.empty()) picker.SelectKey(Settings.IdSign);
  if (picker.showModal() != ui::ModalResult::Ok) return;
  // Signing names this ID to PGP; one that cannot be quoted is not stored.
  if (!CheckUserId(picker.SelectedKey)) return;
  Settings.IdSign = picker.SelectedKey;
  SaveSettings();
}
