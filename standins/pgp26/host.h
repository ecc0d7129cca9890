// Win32 side of the command: the GnuPG home of a PGP folder and running gpg.
// Under Wine the host's gpg runs through /bin/sh with every output in files
// of a private folder; on Windows gpg.exe from the search path runs directly.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "standins/bridge/workfolder.h"
#include "standins/pgp26/gpg.h"
#include "ui/handles.h"

namespace pgp26 {

using Handle = ui::Handle;

struct CallResult {
  int exit = -1;
  std::string out, err, status;
};

class GpgHost {
 public:
  // Prepares "<pgpFolder>\gnupg" (mode 700, no pass phrase caching).
  static std::unique_ptr<GpgHost> Open(const std::string& pgpFolder, std::string& error);

  const std::string& home() const { return home_; }
  // Path of a file as gpg must be given it.
  std::string GpgPath(const std::string& winPath) const;
  // Runs the calls in order in one private folder; the pass phrase, when given,
  // reaches gpg through a file there. Nothing when gpg could not be run at all.
  std::optional<std::vector<CallResult>> Run(const std::vector<GpgCall>& calls, const std::string* passPhrase);
  // gpg's colon listing of every public key (with fingerprints and keygrips).
  // Kept in the home beside the key ring and made again whenever the ring's
  // size or time of change differs: listing a large ring costs gpg seconds.
  std::optional<std::string> PublicKeyListing();
  // Names of the files in the home's secret key folder.
  std::vector<std::string> SecretKeyFiles() const;

 private:
  explicit GpgHost(std::string home) : home_(std::move(home)) {}
  std::optional<std::vector<CallResult>> RunWine(const bridge::WorkFolder& w, const std::vector<GpgCall>& calls);
  std::optional<std::vector<CallResult>> RunWindows(const bridge::WorkFolder& w, const std::vector<GpgCall>& calls);

  std::string home_;
};

}  // namespace pgp26
