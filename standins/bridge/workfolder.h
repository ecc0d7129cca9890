// Private work folders: one job's files, out of other users' reach, removed
// with the job.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "ui/handles.h"

namespace bridge {

// "<parent>\<prefix>-<process id>-<ticks>-<n>", made with a DACL that grants
// the user alone, and removed with the files in it at scope end. Under Wine
// that DACL becomes mode 0770 less the umask: other users get nothing, the
// user's group what the umask leaves it (wine-notes: files in it still get
// 0644, so the folder is what keeps them private).
//
// A locked folder holds a file "lock" with a byte range locked for as long as
// the object lives. Wine keeps that lock as a host (fcntl) lock, so it is
// seen by every process on the machine, in any Wine prefix, unlike a process
// ID, which means something only to its own Wine server.
class WorkFolder {
 public:
  WorkFolder(const std::string& parent, std::string_view prefix, bool locked = false);
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  ~WorkFolder();
  const std::string& path() const { return path_; }
  bool ok() const { return !path_.empty(); }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

  // Under Wine, takes the group's bits away too (mode 0700) through the
  // host's sh: one sh run, so before anything private is written. True when
  // done, and on Windows, where the DACL is all there is.
  bool MakeHostPrivate() const;
  // At scope end the files are wiped (zeros, then deleted): they held mail.
  void WipeAtEnd() { wipe_ = true; }

 private:
  std::string path_;
  ui::Handle lock_;
  bool wipe_ = false;
};

// Makes `path` with the work folders' DACL (the user alone); false when it
// could not be made, also when it exists.
bool CreatePrivateFolder(const std::string& path);

// Deletes the files directly in `folder`, or wipes them, then the folder.
void RemoveFolder(const std::string& folder, bool wipe = false);

// Work folders "<prefix>-*" in `parent` that their job left behind (the
// program ended inside it): no process holds the folder's lock and nothing in
// it changed for `minAgeMs`. Their files are wiped (they may have held what
// the job kept private), then the folders are removed.
void SweepAbandonedWorkFolders(const std::string& parent, std::string_view prefix, DWORD minAgeMs);

}  // namespace bridge
