// A folder made for one PGP run beside the file the run is to produce. PGP
// refuses to overwrite, so a file that appears under the output's name while
// it runs (a shared or synchronised folder, a second copy of the program)
// would otherwise pass for its result. PGP writes into this folder instead,
// where nothing can have been put before it, and the result is then moved
// into place without replacing anything.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What stays with a file through renames: its volume and file index, and,
// since a file system may give a removed file's index to a new one, its size
// and time of last writing.
struct FileIdentity {
  std::uint32_t volume = 0;
  std::uint64_t index = 0;
  std::uint64_t size = 0;
  std::uint64_t written = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file `path` leads to; nothing when it cannot be opened.
std::optional<FileIdentity> IdentityOf(const std::string& path);

class RunFolder {
 public:
  // Creates the folder, exclusively, beside `target`. Throws ui::Error when
  // the target's folder takes no new folder.
  explicit RunFolder(std::string target);
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;
  // Wipes whatever is left in the folder (a result not placed may be plain
  // text) and removes it.
  ~RunFolder();

  // Where PGP is to write: the target's name inside the folder.
  const std::string& result() const { return result_; }

  enum class Placed {
    Done,      // the result is the target now
    NoResult,  // PGP wrote nothing
    Taken,     // another file holds the target's name; it was left as it is
    Failed,    // the move failed for another reason
  };
  // Moves the result to the target. An existing target is replaced only
  // when it is still the file `replaceable` names (one the user agreed to
  // replace before the run); any other file there is left alone.
  Placed place(const std::optional<FileIdentity>& replaceable = std::nullopt);

 private:
  std::string target_;
  std::string folder_;
  std::string result_;
};
