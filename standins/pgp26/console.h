// Questions and answers of the command. They go through the process's own
// console (CONIN$/CONOUT$), never through standard output, which the system
// redirects to a file. Without a console (a detached process) prompts go to
// standard error and answers come from standard input.
#pragma once

#include <string>

#include "standins/pgp26/host.h"

namespace pgp26 {

class Console {
 public:
  Console();
  void Write(const std::string& text);
  // Reads one line without its line end; false at the end of input.
  bool ReadLine(std::string& line, bool echo = true);
  bool Ask(const std::string& prompt, std::string& answer, bool echo = true) {
    Write(prompt);
    bool ok = ReadLine(answer, echo);
    if (!echo) Write("\r\n");
    return ok;
  }

 private:
  Handle in_, out_;  // the console, when there is one
  bool console_ = false;
};

}  // namespace pgp26
