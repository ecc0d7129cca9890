// Work files in the temporary folder, their removal and wiping, and the
// small text-buffer and string routines the commands share.
#pragma once

#include <string>
#include <string_view>

#include "pgp/strutil.h"

// The full name of a new, empty file in the temporary folder (prefix "TMP").
// When none can be made, throws ui::Error naming the temporary folder; the
// default error handler shows it and the command ends (the caller never goes
// on with an empty name).
std::string NewWorkFileName();

// Deletes the file; true when it was deleted. No message.
bool RemoveFile(const std::string& name);

// Overwrites the whole file with zero bytes in bounded blocks, flushes it to
// the disk, then deletes it. No message; works for paths of any length.
void WipeFile(const std::string& name);

// A 4096-byte text buffer holding one zero-terminated text. Appending a text
// that would not fit throws ui::Error instead of overrunning.
class TextBuffer {
 public:
  static constexpr size_t kSize = 4096;
  TextBuffer();
  void append(std::string_view text);
  const char* c_str() const { return data_; }
  char* data() { return data_; }
  std::string str() const { return data_; }

 private:
  char data_[kSize];
};
