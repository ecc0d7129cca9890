#include "keys/KeyList.h"

#include "app/Main.h"
#include "files/TextFile.h"
#include "keys/keylisting.h"
#include "pgp/runner.h"
#include "files/workfiles.h"
#include "settings/Settings.h"
#include "ui/msgbox.h"

bool CheckPublicKeyRing() {
  if (FileExists(Settings.PgpPath + "\\pubring.pgp")) return true;
  ui::ErrorBox("PGP Public Key Ring not found, you must generate keys before using PGP !");
  return false;
}

namespace {

// Puts the start text back on the status line however the read ends.
class StatusRestorer {
 public:
  StatusRestorer() = default;
  StatusRestorer(const StatusRestorer&) = delete;
  StatusRestorer& operator=(const StatusRestorer&) = delete;
  ~StatusRestorer() {
    if (TMainForm* main = TMainForm::Instance()) main->SetStatus(main->StartText());
  }
};

}  // namespace

bool ReadPublicKeys(std::vector<std::string>& list) {
  TMainForm* main = TMainForm::Instance();
  if (main) main->SetStatus("Retreiving public keys...");
  StatusRestorer restoreStatus;
  list.clear();
  TextBuffer command;
  command.append(PgpCommand);
  command.append("-kv");
  ScopedFile output(NewWorkFileName(), ScopedFile::Disposal::Remove);
  const bool ran = RunPgp(command.str(), output.name(), true);
  if (ran)
    list = keys::ParseKeyListing(ReadTextFile(output.name()));
  else
    ui::ErrorBox("Error retreiving public keys !");
  if (list.empty()) ui::ErrorBox("No public keys found !");
  return ran;
}

void TMainForm::Reredpublickeys1Click() { ReadPublicKeys(KeyList); }
