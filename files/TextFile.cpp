#include "files/TextFile.h"

#include <windows.h>

#include "ui/codepage.h"
#include "ui/errors.h"
#include "ui/handles.h"

std::string ReadTextFile(const std::string& path) {
  ui::Handle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) ui::ThrowInOutError(GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(f.get(), &size)) ui::ThrowInOutError(GetLastError());
  if (size.QuadPart >= 0x80000000LL) throw ui::Error("File too large to read (2 GiB or more) : " + path);
  std::string data(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < data.size()) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 20));
    if (!ReadFile(f.get(), data.data() + done, want, &got, nullptr)) ui::ThrowInOutError(GetLastError());
    if (got == 0) break;
    done += got;
  }
  data.resize(done);
  return data;
}

void WriteTextFile(const std::string& path, std::string_view text) {
  ui::Handle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) ui::ThrowInOutError(GetLastError());
  size_t done = 0;
  while (done < text.size()) {
    DWORD put = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1 << 20));
    if (!WriteFile(f.get(), text.data() + done, want, &put, nullptr)) ui::ThrowInOutError(GetLastError());
    done += put;
  }
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

std::string FullPath(const std::string& name) {
  std::string full(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetFullPathNameA(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return name;
    if (n < full.size()) {
      full.resize(n);
      return full;
    }
    full.resize(n);
  }
}

}  // namespace

// Compared in UTF-16: the ANSI comparison converts with the locale's code
// page, not a UTF-8 process code page.
bool SameFilePath(const std::string& a, const std::string& b) {
  const std::wstring wa = ui::Widen(FullPath(a)), wb = ui::Widen(FullPath(b));
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                        static_cast<int>(wb.size())) == CSTR_EQUAL;
}
