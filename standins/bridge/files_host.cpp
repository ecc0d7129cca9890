// Whole files on the host, for the window-free parts' own tests.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/stat.h>

#include "standins/bridge/files.h"

namespace bridge {

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File Open(const std::string& path, const char* mode) { return File(std::fopen(path.c_str(), mode), std::fclose); }

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
  File f = Open(path, "rb");
  if (!f) return std::nullopt;
  std::string data;
  char buf[65536];
  while (data.size() < limit) {
    const std::size_t got = std::fread(buf, 1, std::min(sizeof buf, limit - data.size()), f.get());
    data.append(buf, got);
    if (got == 0) break;
  }
  if (std::ferror(f.get())) return std::nullopt;
  return data;
}

bool WriteWholeFile(const std::string& path, std::string_view data) {
  File f = Open(path, "wb");
  if (!f) return false;
  const bool written = std::fwrite(data.data(), 1, data.size(), f.get()) == data.size();
  return std::fclose(f.release()) == 0 && written;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace bridge
