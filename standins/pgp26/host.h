// Win32 side of the command: files, the GnuPG home of a PGP folder and running
// gpg. Under Wine the host's gpg runs through /bin/sh with every output in
// files of a private folder; on Windows gpg.exe from the search path runs
// directly.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "standins/pgp26/gpg.h"
#include "ui/handles.h"

namespace pgp26 {

using Handle = ui::Handle;

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
std::optional<std::string> ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& data);
// Overwrites a file with zero bytes, flushes it and deletes it.
void WipeFile(const std::string& path);
std::string FullPath(const std::string& path);
std::string ModuleFolder();

// True when running under Wine (kernel32 exports the path converters).
bool OnWine();
// The host path of a Win32 path under Wine; empty when it cannot be converted.
std::string UnixPath(const std::string& winPath);

// Converts user IDs from GnuPG's UTF-8 to the system code page and back.
std::string Utf8ToAnsi(const std::string& s);
std::string AnsiToUtf8(const std::string& s);

// Runs an sh script text under Wine in `folder` (which must exist) and waits,
// up to `timeoutMs`, until the script has moved "rc" into place there.
bool RunShellScript(const std::string& folder, const std::string& script, DWORD timeoutMs);

struct CallResult {
  int exit = -1;
  std::string out, err, status;
};

// A private folder inside the home for one run; everything in it, the pass
// phrase file first (wiped), is removed with it.
class WorkFolder {
 public:
  explicit WorkFolder(const std::string& parent);
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  ~WorkFolder();
  const std::string& path() const { return path_; }
  bool ok() const { return !path_.empty(); }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
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
  std::optional<std::vector<CallResult>> RunWine(const WorkFolder& w, const std::vector<GpgCall>& calls);
  std::optional<std::vector<CallResult>> RunWindows(const WorkFolder& w, const std::vector<GpgCall>& calls);

  std::string home_;
};

}  // namespace pgp26
