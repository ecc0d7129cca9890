#include "keys/KeyList.h"

#include "files/TextFile.h"
#include "files/workfiles.h"
#include "pgp/pgpcommand.h"
#include "pgp/runner.h"
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

bool ReadPublicKeys(const pgp::Context& ctx, std::vector<keys::KeyEntry>& list, const StatusLine& status) {
  status.show("Retreiving public keys...");
  StatusRestorer restoreStatus(status);
  list.clear();
  ScopedFile output(NewWorkFileName(), ScopedFile::Disposal::Remove);
  const bool ran = RunPgp(ctx, pgp::KeyListCommand(ctx), output.name(), true);
  if (ran)
    list = keys::ReadKeyListing(ReadTextFile(output.name()));
  else
    ui::ErrorBox("Error retreiving public keys !");
  if (list.empty()) ui::ErrorBox("No public keys found !");
  return ran;
}

std::optional<std::string> NameKeyForPgp(const keys::KeyEntry& entry) {
  auto selector = keys::KeySelector(entry);
  if (!selector) ui::ErrorBox("PGP's key listing gave no key ID for this key, it cannot be named to PGP !");
  return selector;
}
