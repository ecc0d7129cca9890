// Win32 side of the command: the GnuPG home of a PGP folder, running gpg and
// the key listing kept there. Under Wine the host's gpg runs through /bin/sh
// with every output in files of a private folder; on Windows gpg.exe from the
// search path runs directly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "standins/bridge/workfolder.h"
#include "standins/pgp26/gpg.h"
#include "standins/pgp26/keystore.h"
#include "ui/handles.h"

namespace pgp26 {

using Handle = ui::Handle;

struct CallResult {
  int exit = -1;
  std::string out, err, status;
};

// A kept file read at any place, after its first line (the stamp of the key
// ring it was made from).
class KeptFile : public ByteSource {
 public:
  // Nothing when the file is missing or its stamp differs.
  static std::unique_ptr<KeptFile> Open(const std::string& path, const std::string& stamp);
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t at, size_t n, std::string& out) const override;
  // Copies the whole content to `to`; false when a read or write failed.
  bool CopyTo(HANDLE to) const;

 private:
  KeptFile(Handle file, uint64_t base, uint64_t size) : file_(std::move(file)), base_(base), size_(size) {}
  Handle file_;
  uint64_t base_, size_;
};

// The public keys as the home holds them now: gpg's colon listing, its index
// and the PGP listing of every key, kept beside the key ring and made again
// whenever the ring's size or time of change differs (listing 10,000 keys
// costs gpg seconds). They hold public key data only.
class KeptKeys {
 public:
  KeptKeys(std::unique_ptr<KeptFile> listing, std::unique_ptr<KeptFile> index, std::unique_ptr<KeptFile> pgpListing,
           std::set<std::string> secretGrips)
      : listing_(std::move(listing)),
        index_(std::move(index)),
        pgpListing_(std::move(pgpListing)),
        store_(*listing_, *index_, std::move(secretGrips)) {}
  const KeyStore& store() const { return store_; }
  // Every key's entry of the PGP listing and its count line.
  const KeptFile& pgpListing() const { return *pgpListing_; }

 private:
  std::unique_ptr<KeptFile> listing_, index_, pgpListing_;
  KeyStore store_;
};

class GpgHost {
 public:
  // Prepares "<pgpFolder>\gnupg" (private, no pass phrase caching) and sweeps
  // the run folders that runs ended inside of left behind.
  static std::unique_ptr<GpgHost> Open(const std::string& pgpFolder, std::string& error);

  const std::string& home() const { return home_; }
  // Path of a file as gpg must be given it.
  std::string GpgPath(const std::string& winPath) const;
  // Runs the calls in order in one private folder; the pass phrase, when
  // given, reaches the calls that take it. Nothing when gpg could not be run.
  std::optional<std::vector<CallResult>> Run(const std::vector<GpgCall>& calls, const std::string* passPhrase);
  // The kept keys, made first when the ring changed. The PGP listing holds
  // the user IDs in the ANSI code page, so the stamp names that too.
  // Nothing when gpg could not be run or the files not be written.
  std::unique_ptr<KeptKeys> Keys();
  // The keygrips of the home's secret keys.
  std::set<std::string> SecretKeygrips() const;

 private:
  explicit GpgHost(std::string home) : home_(std::move(home)) {}
  std::optional<std::vector<CallResult>> RunWine(const bridge::WorkFolder& w, const std::vector<GpgCall>& calls,
                                                 const std::string* passPhrase);
  std::optional<std::vector<CallResult>> RunWindows(const bridge::WorkFolder& w, const std::vector<GpgCall>& calls);

  std::string home_;
};

}  // namespace pgp26
