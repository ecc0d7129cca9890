// Folders, files and registry values for tests that run the program's windows.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "keys/keylisting.h"

namespace testenv {

// The folder of the running test program (<build>\bin), with a trailing backslash.
std::string BinDir();
// A new empty folder under the temporary folder, removed with its files by the destructor.
class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::string& path() const { return path_; }  // no trailing backslash
  std::string file(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// A PGP folder holding the scripted PGP as PGP.EXE, a listing of `keys` (one
// user ID each) and, when `withRing`, an empty pubring.pgp.
void MakePgpFolder(const std::string& folder, const std::initializer_list<const char*>& keys, bool withRing = true);
// The key list entries read from that listing: key IDs 00001000, 00001001, ...
std::vector<keys::KeyEntry> ListedKeys(const std::initializer_list<const char*>& keys);

// Names of the files directly in the temporary folder.
std::set<std::string> TempFiles();

// A string value of the registry ("" when absent), and writing one (creating the key).
std::string RegString(HKEY root, const char* key, const char* value);
void SetRegString(HKEY root, const char* key, const char* value, const std::string& data);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
bool Exists(const std::string& path);

// Whether a console host (conhost.exe) runs in this Wine session. Each PGP
// run has a console of its own, whose window may come and go after PGP has
// ended; key strokes sent meanwhile can get lost.
bool ConsoleRunning();

// Looks at `condition` until it holds (true) or `timeoutMs` has passed (false).
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);

}  // namespace testenv
