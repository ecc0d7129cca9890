#include "keys/KeyList.h"

#include "files/TextFile.h"
#include "keys/keylisting.h"
#include "pgp/runner.h"
#include "files/workfiles.h"
#include "settings/Settings.h"
#include "ui/msgbox.h"

namespace {

// Puts the status line's own text back however the read ends.
class StatusRestorer {
 public:
  explicit StatusRestorer(const StatusLine& line) : line_(line) {}
  StatusRestorer(const StatusRestorer&) = delete;
  StatusRestorer& operator=(const StatusRestorer&) = delete;
  ~StatusRestorer() { line_.show(line_.restoreText); }

 private:
  const StatusLine& line_;
};

}  // namespace

bool ReadPublicKeys(std::vector<std::string>& list, KeyIdList& ids, const StatusLine& status) {
  status.show("Retreiving public keys...");
  StatusRestorer restoreStatus(status);
  list.clear();
  ids.clear();
  TextBuffer command;
  command.append(PgpCommand);
  command.append("-kv");
  ScopedFile output(NewWorkFileName(), ScopedFile::Disposal::Remove);
  const bool ran = RunPgp(command.str(), output.name(), true);
  if (ran) {
    for (auto& entry : keys::ReadKeyListing(ReadTextFile(output.name()))) {
      list.push_back(std::move(entry.text));
      ids.push_back(std::move(entry.keyId));
    }
  } else
    ui::ErrorBox("Error retreiving public keys !");
  if (list.empty()) ui::ErrorBox("No public keys found !");
  return ran;
}
