#include <windows.h>

#include <algorithm>

#include "standins/bridge/files.h"
#include "ui/handles.h"

namespace bridge {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Reads into `out` until it is full or the file ends; false on a read error.
bool ReadInto(HANDLE f, char* out, std::size_t size, std::size_t& got) {
  got = 0;
  while (got < size) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - got, 1u << 24));
    if (!ReadFile(f, out + got, want, &n, nullptr)) return false;
    if (n == 0) break;
    got += n;
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
  ui::Handle f(
      CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return std::nullopt;
  // Read in place at the size the file has: a large file costs no copies
  // (page faults are slow under Wine). A file that grows meanwhile, or
  // reports no size (/proc), is read on to its end.
  LARGE_INTEGER size{};
  std::string data;
  if (GetFileSizeEx(f.get(), &size) && size.QuadPart > 0)
    data.resize(static_cast<std::size_t>(std::min<unsigned long long>(size.QuadPart, limit)));
  std::size_t got = 0;
  if (!ReadInto(f.get(), data.data(), data.size(), got)) return std::nullopt;
  data.resize(got);
  char buf[65536];
  while (data.size() < limit) {
    if (!ReadInto(f.get(), buf, std::min(sizeof buf, limit - data.size()), got)) return std::nullopt;
    data.append(buf, got);
    if (got == 0) break;
  }
  return data;
}

bool WriteWholeFile(const std::string& path, std::string_view data) {
  ui::Handle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  DWORD written = 0;
  return data.empty() || (WriteFile(f.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                          written == data.size());
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void WipeFile(const std::string& path) {
  {
    ui::Handle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return;
    DWORD size = GetFileSize(f.get(), nullptr);
    std::string zeros(size == INVALID_FILE_SIZE ? 0 : size, '\0');
    DWORD written = 0;
    if (!zeros.empty()) WriteFile(f.get(), zeros.data(), static_cast<DWORD>(zeros.size()), &written, nullptr);
    FlushFileBuffers(f.get());
  }
  DeleteFileA(path.c_str());
}

std::string FullPath(const std::string& path) {
  char buf[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : path;
}

std::string ModuleFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace bridge
