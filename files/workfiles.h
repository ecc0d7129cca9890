// Work files in the temporary folder, their removal and wiping, the one owner
// that disposes of a file at scope end, and the text buffer handed to
// platform calls.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

// The full name of a new, empty file in the temporary folder (prefix "TMP").
// When none can be made, throws ui::Error naming the temporary folder; the
// default error handler shows it and the command ends (the caller never goes
// on with an empty name).
std::string NewWorkFileName();

// While one lives, NewWorkFileName() takes its names from `next` instead of
// the platform (each still made new and empty, exclusively), so a test knows
// the names a command is going to use. One at a time, on the thread that runs
// the commands.
class WorkFileNamer {
 public:
  explicit WorkFileNamer(std::function<std::string()> next);
  WorkFileNamer(const WorkFileNamer&) = delete;
  WorkFileNamer& operator=(const WorkFileNamer&) = delete;
  ~WorkFileNamer();

 private:
  friend std::string NewWorkFileName();
  std::function<std::string()> next_;
};

// The same with the extension `extension`: a name of the temporary folder
// made from the process ID and the clock, created exclusively (an existing
// file of that name, from any program, is never taken over).
std::string NewWorkFileName(std::string_view extension);

// Deletes the file; true when it was deleted. No message.
bool RemoveFile(const std::string& name);

// Overwrites the whole file with zero bytes in bounded blocks, flushes it to
// the disk, then deletes it. No message; works for paths of any length.
void WipeFile(const std::string& name);

// Owns one file name for a scope: removes the file, or wipes it when it may
// hold plain text or a secret, however the scope ends. An empty name owns
// nothing. dispose() does it early, once.
class ScopedFile {
 public:
  enum class Disposal { Remove, Wipe };
  ScopedFile() = default;
  ScopedFile(std::string name, Disposal disposal) : name_(std::move(name)), disposal_(disposal) {}
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  ScopedFile(ScopedFile&& o) noexcept : name_(std::exchange(o.name_, {})), disposal_(o.disposal_) {}
  ScopedFile& operator=(ScopedFile&& o) noexcept {
    if (this != &o) {
      dispose();
      name_ = std::exchange(o.name_, {});
      disposal_ = o.disposal_;
    }
    return *this;
  }
  ~ScopedFile() { dispose(); }
  const std::string& name() const { return name_; }
  void dispose();

 private:
  std::string name_;
  Disposal disposal_ = Disposal::Remove;
};

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
