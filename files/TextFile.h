// Whole-file text reading and writing. Files are 8-bit text in the system
// code page and are passed through byte for byte.
#pragma once

#include <string>
#include <string_view>

// Both throw ui::Error with the file input/output error text on failure. A
// file of 2 GiB or more is not read (the 32-bit build cannot hold it): the
// error says so.
std::string ReadTextFile(const std::string& path);
void WriteTextFile(const std::string& path, std::string_view text);
bool FileExists(const std::string& path);

// True when both names lead to the same file path (full paths compared
// without regard to letter case, as the file system does).
bool SameFilePath(const std::string& a, const std::string& b);
