#include "files/runfolder.h"

#include <windows.h>

#include <cstdio>

#include "files/workfiles.h"
#include "ui/errors.h"
#include "ui/handles.h"

namespace {

bool NameTaken(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

// Renames within one folder: never copies, never replaces.
bool MoveNew(const std::string& from, const std::string& to) { return MoveFileExA(from.c_str(), to.c_str(), 0); }

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  // No access asked for: the file may be open elsewhere in any way.
  ui::Handle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  auto join = [](DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; };
  return FileIdentity{info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
                      join(info.nFileSizeHigh, info.nFileSizeLow),
                      join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
}

RunFolder::RunFolder(std::string target) : target_(std::move(target)) {
  const size_t slash = target_.find_last_of("\\/:");
  const std::string beside = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
  const std::string name = target_.substr(slash == std::string::npos ? 0 : slash + 1);
  const DWORD start = GetTickCount();
  for (DWORD attempt = 0; attempt < 1000 && folder_.empty(); ++attempt) {
    char stem[32];
    std::snprintf(stem, sizeof stem, "SW%lX%04lX.run", GetCurrentProcessId(), (start + attempt) & 0xFFFFu);
    // Made new or not at all: a folder or file of that name is never taken over.
    if (CreateDirectoryA((beside + stem).c_str(), nullptr))
      folder_ = beside + stem;
    else if (!NameTaken(GetLastError()))
      break;
  }
  if (folder_.empty()) throw ui::Error("Cannot create a folder for PGP's output beside " + target_);
  result_ = folder_ + "\\" + name;
}

RunFolder::~RunFolder() {
  WIN32_FIND_DATAA found;
  for (ui::FindHandle find(FindFirstFileA((folder_ + "\\*").c_str(), &found)); find;) {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) WipeFile(folder_ + "\\" + found.cFileName);
    if (!FindNextFileA(find.get(), &found)) break;
  }
  RemoveDirectoryA(folder_.c_str());
}

RunFolder::Placed RunFolder::place(const std::optional<FileIdentity>& replaceable) {
  if (GetFileAttributesA(result_.c_str()) == INVALID_FILE_ATTRIBUTES) return Placed::NoResult;
  if (MoveNew(result_, target_)) return Placed::Done;
  if (!NameTaken(GetLastError())) return Placed::Failed;
  if (!replaceable) return Placed::Taken;
  // The file there is moved aside into this folder first, so that what is
  // checked is what goes; a file that is not the agreed one goes back.
  const std::string aside = folder_ + "\\replaced";
  if (!MoveNew(target_, aside))
    return GetLastError() == ERROR_FILE_NOT_FOUND && MoveNew(result_, target_) ? Placed::Done : Placed::Failed;
  if (IdentityOf(aside) != replaceable) {
    MoveNew(aside, target_);
    return Placed::Taken;
  }
  if (MoveNew(result_, target_)) return Placed::Done;
  // Taken again in between: the agreed file, already given up, is wiped with
  // the folder; the newcomer stays.
  return NameTaken(GetLastError()) ? Placed::Taken : Placed::Failed;
}
