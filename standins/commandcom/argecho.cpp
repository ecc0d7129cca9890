// Test helper for the interpreter stand-in: writes its own command line, as
// the platform hands it over, to standard output followed by CR LF.
// ARGECHO_STDIN=1 copies standard input after it, ARGECHO_STDERR writes its
// value to standard error, and ARGECHO_EXIT sets the exit code.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "ui/codepage.h"

namespace {

void write(HANDLE h, const std::string& text) {
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string variable(const char* name) { return ui::EnvironmentVariable(name).value_or(""); }

}  // namespace

int main() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  write(out, std::string(GetCommandLineA()) + "\r\n");
  if (variable("ARGECHO_STDIN") == "1") {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) && got)
      write(out, std::string(buffer, got));
  }
  if (auto text = variable("ARGECHO_STDERR"); !text.empty()) write(GetStdHandle(STD_ERROR_HANDLE), text + "\r\n");
  return std::atoi(variable("ARGECHO_EXIT").c_str());
}
