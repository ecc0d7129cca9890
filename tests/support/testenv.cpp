#include "tests/support/testenv.h"

#include <windows.h>

#include "standins/bridge/files.h"
#include "tests/support/process.h"
#include "ui/handles.h"
// after windows.h
#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <initializer_list>
#include <stdexcept>

namespace testenv {

std::string BinDir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\') + 1);
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  path_ = std::string(tmp) + "swtest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
  // Wine reuses process IDs: a run that was killed may have left this name.
  testproc::RemoveTree(path_);
  CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() { testproc::RemoveTree(path_); }

namespace {

// The key ID of the listing's key number `n`.
std::string ListedKeyId(int n) {
  char id[16];
  std::snprintf(id, sizeof id, "%08X", 0x1000 + n);
  return id;
}

}  // namespace

void MakePgpFolder(const std::string& folder, const std::initializer_list<const char*>& keys, bool withRing) {
  CopyFileA((BinDir() + "scriptpgp.exe").c_str(), (folder + "\\PGP.EXE").c_str(), FALSE);
  std::string listing = "\r\nKey ring: '" + folder + "\\pubring.pgp'\r\nType Bits/KeyID    Date       User ID\r\n";
  int n = 0;
  for (const char* id : keys) listing += "pub  1024/" + ListedKeyId(n++) + " 1996/03/04 " + id + "\r\n";
  listing += std::to_string(n) + (n == 1 ? " matching key found.\r\n" : " matching keys found.\r\n");
  WriteFile(folder + "\\listing.txt", listing);
  if (withRing) WriteFile(folder + "\\pubring.pgp", "");
}

std::vector<keys::KeyEntry> ListedKeys(const std::initializer_list<const char*>& keys) {
  std::vector<keys::KeyEntry> entries;
  for (const char* id : keys) entries.push_back({id, ListedKeyId(static_cast<int>(entries.size()))});
  return entries;
}

std::set<std::string> TempFiles() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::set<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((std::string(temp) + "*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(fd.cFileName);
  } while (FindNextFileA(find, &fd));
  FindClose(find);
  return names;
}

std::string RegString(HKEY root, const char* key, const char* value) {
  char buf[1024];
  DWORD size = sizeof buf;
  return RegGetValueA(root, key, value, RRF_RT_REG_SZ, nullptr, buf, &size) == ERROR_SUCCESS ? buf : "";
}

void SetRegString(HKEY root, const char* key, const char* value, const std::string& data) {
  HKEY k;
  if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS) return;
  ui::RegKey owned(k);
  RegSetValueExA(owned.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), data.size() + 1);
}

std::string ReadFile(const std::string& path) { return bridge::ReadWholeFile(path).value_or(""); }

void WriteFile(const std::string& path, const std::string& data) { bridge::WriteWholeFile(path, data); }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ConsoleRunning() {
  ui::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (bool more = snapshot && Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (_stricmp(entry.szExeFile, "conhost.exe") == 0) return true;
  }
  return false;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  for (DWORD start = GetTickCount();; Sleep(20)) {
    if (condition()) return true;
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
  }
}

}  // namespace testenv
