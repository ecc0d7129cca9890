#include "files/workfiles.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "ui/errors.h"
#include "ui/handles.h"

namespace {

WorkFileNamer* namer = nullptr;

// Creates `name` new and empty; false when it exists or cannot be made.
bool CreateNew(const std::string& name) {
  return static_cast<bool>(
      ui::Handle(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

}  // namespace

WorkFileNamer::WorkFileNamer(std::function<std::string()> next) : next_(std::move(next)) {
  if (namer) throw std::logic_error("a work-file namer is already in place");
  namer = this;
}

WorkFileNamer::~WorkFileNamer() { namer = nullptr; }

std::string NewWorkFileName() {
  TextBuffer folder;
  TextBuffer name;
  DWORD n = GetTempPathA(TextBuffer::kSize, folder.data());
  if (namer) {
    std::string given = namer->next_();
    if (!CreateNew(given)) throw ui::Error("Cannot create a work file in the temporary folder " + folder.str());
    return given;
  }
  if (n == 0 || n >= TextBuffer::kSize || GetTempFileNameA(folder.c_str(), "TMP", 0, name.data()) == 0) {
    throw ui::Error("Cannot create a work file in the temporary folder " + folder.str());
  }
  return name.str();
}

std::string NewWorkFileName(std::string_view extension) {
  TextBuffer folder;
  DWORD n = GetTempPathA(TextBuffer::kSize, folder.data());
  if (n > 0 && n < TextBuffer::kSize) {
    // The process ID keeps programs apart, the exclusive creation everything else.
    const DWORD start = GetTickCount();
    for (DWORD attempt = 0; attempt < 1000; ++attempt) {
      char stem[32];
      std::snprintf(stem, sizeof stem, "SW%lX%04lX.", GetCurrentProcessId(), (start + attempt) & 0xFFFFu);
      std::string name = folder.str() + stem + std::string(extension);
      if (CreateNew(name)) return name;
      if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
  }
  throw ui::Error("Cannot create a work file in the temporary folder " + folder.str());
}

bool RemoveFile(const std::string& name) { return DeleteFileA(name.c_str()) != FALSE; }

void WipeFile(const std::string& name) {
  // Readers that share deletion may keep the file open; they then see zeros.
  ui::Handle file(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) {
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size)) {
      std::vector<char> zeros(64 * 1024, '\0');
      unsigned long long left = static_cast<unsigned long long>(size.QuadPart);
      while (left > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<unsigned long long>(left, zeros.size()));
        DWORD written = 0;
        if (!WriteFile(file.get(), zeros.data(), chunk, &written, nullptr) || written == 0) break;
        left -= written;
      }
      FlushFileBuffers(file.get());
    }
  }
  file.reset();
  RemoveFile(name);
}

void ScopedFile::dispose() {
  if (name_.empty()) return;
  if (disposal_ == Disposal::Wipe)
    WipeFile(name_);
  else
    RemoveFile(name_);
  name_.clear();
}

TextBuffer::TextBuffer() { std::memset(data_, 0, kSize); }

void TextBuffer::append(std::string_view text) {
  size_t used = strnlen(data_, kSize);
  if (used + text.size() + 1 > kSize) throw ui::Error("Text too long for a 4096-byte buffer");
  std::memcpy(data_ + used, text.data(), text.size());
  data_[used + text.size()] = '\0';
}
