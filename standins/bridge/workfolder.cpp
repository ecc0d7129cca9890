#include "standins/bridge/workfolder.h"

#include <vector>

#include "standins/bridge/files.h"
#include "standins/bridge/host.h"

namespace bridge {

namespace {

constexpr char kLockFile[] = "lock";

// A security descriptor whose DACL grants the running user alone full
// access, inherited by what is made inside.
class UserOnly {
 public:
  UserOnly() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    ui::Handle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, user_.data(), size, &size)) return;
    PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    ok_ = InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
          AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS, sid) &&
          InitializeSecurityDescriptor(&sd_, SECURITY_DESCRIPTOR_REVISION) &&
          SetSecurityDescriptorDacl(&sd_, TRUE, acl, FALSE);
  }
  UserOnly(const UserOnly&) = delete;
  UserOnly& operator=(const UserOnly&) = delete;
  SECURITY_ATTRIBUTES* get() { return ok_ ? &attributes_ : nullptr; }

 private:
  std::vector<BYTE> user_, acl_;
  SECURITY_DESCRIPTOR sd_{};
  SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), &sd_, FALSE};
  bool ok_ = false;
};

// Locks the first byte of an open file for this handle alone; fails at once
// when another process holds it.
bool LockFirstByte(HANDLE file) {
  OVERLAPPED at{};
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != FALSE;
}

ui::Handle OpenLockFile(const std::string& folder, DWORD disposition) {
  return ui::Handle(CreateFileA((folder + "\\" + kLockFile).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Milliseconds since the folder's last change, by the system clock.
ULONGLONG MsSinceWrite(const WIN32_FIND_DATAA& fd) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER n{{now.dwLowDateTime, now.dwHighDateTime}};
  ULARGE_INTEGER w{{fd.ftLastWriteTime.dwLowDateTime, fd.ftLastWriteTime.dwHighDateTime}};
  return n.QuadPart > w.QuadPart ? (n.QuadPart - w.QuadPart) / 10000 : 0;
}

}  // namespace

WorkFolder::WorkFolder(const std::string& parent, std::string_view prefix, bool locked) {
  UserOnly security;
  // Without a descriptor nothing is made: a folder open to all is no work folder.
  if (!security.get()) return;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string p = parent + "\\" + std::string(prefix) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount()) + "-" + std::to_string(attempt);
    if (CreateDirectoryA(p.c_str(), security.get())) {
      path_ = p;
      break;
    }
  }
  if (path_.empty() || !locked) return;
  lock_ = OpenLockFile(path_, CREATE_NEW);
  if (!lock_ || !LockFirstByte(lock_.get())) {
    lock_.reset();
    RemoveFolder(path_);
    path_.clear();
  }
}

WorkFolder::~WorkFolder() {
  lock_.reset();
  if (!path_.empty()) RemoveFolder(path_, wipe_);
}

bool WorkFolder::MakeHostPrivate() const {
  if (path_.empty()) return false;
  if (!OnWine()) return true;
  std::optional<ShellOutcome> r = RunShell(path_, "chmod 700 .", 60000);
  return r && r->status == 0;
}

bool CreatePrivateFolder(const std::string& path) {
  UserOnly security;
  return security.get() && CreateDirectoryA(path.c_str(), security.get());
}

void RemoveFolder(const std::string& folder, bool wipe) {
  WIN32_FIND_DATAA fd;
  if (ui::FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &fd)); find) {
    do {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const std::string file = folder + "\\" + fd.cFileName;
      if (wipe)
        WipeFile(file);
      else
        DeleteFileA(file.c_str());
    } while (FindNextFileA(find.get(), &fd));
  }
  RemoveDirectoryA(folder.c_str());
}

void SweepAbandonedWorkFolders(const std::string& parent, std::string_view prefix, DWORD minAgeMs) {
  WIN32_FIND_DATAA fd;
  ui::FindHandle find(FindFirstFileA((parent + "\\" + std::string(prefix) + "-*").c_str(), &fd));
  if (!find) return;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || MsSinceWrite(fd) < minAgeMs) continue;
    const std::string folder = parent + "\\" + fd.cFileName;
    {
      // Taken here, the lock shows that its job has ended; a folder without
      // one never had a job that locked it. A lock file that cannot be opened
      // is left alone with its folder.
      ui::Handle lock = OpenLockFile(folder, OPEN_EXISTING);
      if (lock ? !LockFirstByte(lock.get()) : FileExists(folder + "\\" + kLockFile)) continue;
    }
    RemoveFolder(folder, true);
  } while (FindNextFileA(find.get(), &fd));
}

}  // namespace bridge
