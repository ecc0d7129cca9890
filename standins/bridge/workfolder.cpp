#include "standins/bridge/workfolder.h"

#include <windows.h>

#include <vector>

#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "ui/handles.h"

namespace bridge {

namespace {

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

}  // namespace

WorkFolder::WorkFolder(const std::string& parent, std::string_view prefix) {
  UserOnly security;
  // Without a descriptor nothing is made: a folder open to all is no work folder.
  if (!security.get()) return;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string p = parent + "\\" + std::string(prefix) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount()) + "-" + std::to_string(attempt);
    if (CreateDirectoryA(p.c_str(), security.get())) {
      path_ = p;
      return;
    }
  }
}

WorkFolder::~WorkFolder() {
  if (!path_.empty()) RemoveFolder(path_, wipe_);
}

bool WorkFolder::MakeHostPrivate() const {
  if (path_.empty()) return false;
  if (!OnWine()) return true;
  std::optional<ShellOutcome> r = RunShell(path_, "chmod 700 .", 60000);
  return r && r->status == 0;
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

}  // namespace bridge
