// Whole-file text reading and writing. Files are 8-bit text in the system
// code page and are passed through byte for byte.
#pragma once

#include <string>
#include <string_view>

// Both throw ui::Error with the file input/output error text on failure.
std::string ReadTextFile(const std::string& path);
void WriteTextFile(const std::string& path, std::string_view text);
bool FileExists(const std::string& path);
