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

std::optional<std::string> NameKeyForPgp(const std::vector<keys::KeyEntry>& keys, size_t index) {
  auto selector = keys::KeySelector(keys[index]);
  if (!selector) {
    ui::ErrorBox("PGP's key listing gave no key ID for this key, it cannot be named to PGP !");
    return std::nullopt;
  }
  if (!CheckKeyIdUnique(keys, index)) return std::nullopt;
  return selector;
}

bool CheckKeyIdUnique(const std::vector<keys::KeyEntry>& keys, size_t index) {
  const std::vector<size_t> others = keys::SharingKeyId(keys, index);
  if (others.empty()) return true;
  std::string names = keys[index].text;
  for (size_t other : others) names += "\r\n" + keys[other].text;
  ui::ErrorBox("These listed keys share the key ID 0x" + keys[index].keyId + ", so PGP could take either :\r\n\r\n" +
               names + "\r\n\r\nThe key cannot be named to PGP by its key ID !");
  return false;
}
