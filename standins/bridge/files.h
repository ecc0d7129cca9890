// Whole files: read, written, looked for. The one copy of each for the
// stand-ins, their tests and the benchmarks; the program itself has its own
// in files/, which reports failures in its own words.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace bridge {

// The file's bytes, at most `limit` of them; nothing when it cannot be
// opened or read. Under Win32 it is opened with every sharing mode: Wine lets
// a child's redirected output be opened only so right after the child ended.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::size_t limit = std::numeric_limits<std::size_t>::max());
// Replaces the file with `data`; false when it was not written whole.
bool WriteWholeFile(const std::string& path, std::string_view data);
// A file, not a folder.
bool FileExists(const std::string& path);

#ifdef _WIN32
bool DirectoryExists(const std::string& path);
// Overwrites a file with zero bytes, flushes it and deletes it; nothing when
// it does not exist.
void WipeFile(const std::string& path);
std::string FullPath(const std::string& path);
// The folder of the running program, without a trailing backslash.
std::string ModuleFolder();
#endif

}  // namespace bridge
