// The key management commands of the PGP menu and the default signing ID.
// A chosen key is named to PGP by its key ID; every file name and the
// signing ID are checked before they go between double quotes into a command
// line: a refused value ends the command before any dialog that follows and
// before PGP runs.
#include "keys/KeyCommands.h"

#include "files/TextFile.h"
#include "files/workfiles.h"
#include "keys/KeyList.h"
#include "keys/Pubkey.h"
#include "pgp/pgpcommand.h"
#include "pgp/quoting.h"
#include "pgp/runner.h"
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

bool CheckFileName(const std::string& name) { return CheckPgpValue("The file name", name); }

// A key chosen in the picker.
struct PickedKey {
  std::string text;      // as the user saw it
  std::string selector;  // how PGP is told which key
  bool ascii = true;     // "Save as ASCII file"
};

// Shows the picker over `keys` (with the ASCII box when `offerAscii`); the
// key chosen, or nothing on Cancel or, after its error box, for a key that
// cannot be named to PGP.
std::optional<PickedKey> PickKey(const std::vector<keys::KeyEntry>& keys, bool offerAscii = false) {
  TPublicKeyFrm picker(keys);
  picker.ascii.setVisible(offerAscii);
  if (picker.showModal() != ui::ModalResult::Ok) return std::nullopt;
  auto selector = NameKeyForPgp(keys, picker.SelectedIndex);
  if (!selector) return std::nullopt;
  return PickedKey{picker.SelectedKey, *selector, picker.AsciiFile};
}

}  // namespace

void GenerateKeys(const pgp::Context& ctx) { RunPgp(ctx, pgp::GenerateKeysCommand(ctx)); }

bool AddKey(const pgp::Context& ctx, ui::FileDialog& openDialog, HWND owner) {
  if (!CheckPublicKeyRing(ctx)) return false;
  openDialog.filter = "Key files (*.key)|*.key|Ascii files (*.asc)|*.asc|All files (*.*)|*.*";
  openDialog.title = kKeyFileTitle;
  if (!openDialog.execute(owner)) return false;
  if (!CheckFileName(openDialog.fileName)) return false;
  RunPgp(ctx, pgp::AddKeyCommand(ctx, openDialog.fileName));
  return true;
}

void ExtractKey(const pgp::Context& ctx, const std::vector<keys::KeyEntry>& keys, ui::FileDialog& saveDialog,
                HWND owner) {
  if (!CheckPublicKeyRing(ctx)) return;
  auto key = PickKey(keys, true);
  if (!key) return;
  {
    DefaultExtension ext(saveDialog, "key");
    saveDialog.filter =
        key->ascii ? "Ascii files (*.asc)|*.asc|All files (*.*)|*.*" : "Key files (*.key)|*.key|All files (*.*)|*.*";
    saveDialog.title = kKeyFileTitle;
    if (!saveDialog.execute(owner)) return;
  }
  if (!CheckFileName(saveDialog.fileName)) return;
  RunPgp(ctx, pgp::ExtractKeyCommand(ctx, key->selector, saveDialog.fileName, key->ascii));
}

bool RemoveKey(const pgp::Context& ctx, const std::vector<keys::KeyEntry>& keys) {
  if (!CheckPublicKeyRing(ctx)) return false;
  auto key = PickKey(keys);
  if (!key) return false;
  RunPgp(ctx, pgp::RemoveKeyCommand(ctx, key->selector));
  return true;
}

void ShowKeyFingerprint(const pgp::Context& ctx, const std::vector<keys::KeyEntry>& keys) {
  if (!CheckPublicKeyRing(ctx)) return;
  auto key = PickKey(keys);
  if (!key) return;
  ScopedFile output(NewWorkFileName(), ScopedFile::Disposal::Remove);
  std::string fingerprint;
  if (RunPgp(ctx, pgp::FingerprintCommand(ctx, key->selector), output.name(), true)) {
    fingerprint = keys::FindFingerprint(ReadTextFile(output.name()));
  }
  if (!fingerprint.empty()) {
    // The box names the key as the user saw it.
    ui::InfoBox("Fingerprint for : " + pgp::Quoted(key->text) + "\r\n\r\n" + fingerprint);
  } else {
    ui::ErrorBox("Public key Fingerprint not found !");
  }
}

std::optional<std::string> ChooseDefaultSigningId(const std::vector<keys::KeyEntry>& keys, const std::string& current) {
  TPublicKeyFrm picker(keys);
  picker.setText("Choose default ID for signing messages and files");
  if (!current.empty()) picker.SelectKey(current);
  if (picker.showModal() != ui::ModalResult::Ok) return std::nullopt;
  // Signing names this ID to PGP; one that cannot be quoted is not stored.
  if (!CheckPgpValue("The user ID", picker.SelectedKey)) return std::nullopt;
  // A key whose key ID another listed key shares is not offered for anything.
  if (!CheckKeyIdUnique(keys, picker.SelectedIndex)) return std::nullopt;
  return picker.SelectedKey;
}
