#include "standins/pgp26/console.h"

namespace pgp26 {

Console::Console()
    : in_(CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, 0, nullptr)),
      out_(CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr)) {
  DWORD mode = 0;
  console_ = in_ && out_ && GetConsoleMode(in_.get(), &mode);
}

void Console::Write(const std::string& text) {
  HANDLE h = console_ ? out_.get() : GetStdHandle(STD_ERROR_HANDLE);
  if (!h || h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (console_)
    WriteConsoleA(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  else
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

bool Console::ReadLine(std::string& line, bool echo) {
  line.clear();
  if (console_) {
    DWORD mode = 0;
    GetConsoleMode(in_.get(), &mode);
    DWORD want = ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT | (echo ? ENABLE_ECHO_INPUT : 0);
    SetConsoleMode(in_.get(), want);
    char buf[512];
    DWORD got = 0;
    bool ok = false;
    while (ReadConsoleA(in_.get(), buf, sizeof buf, &got, nullptr) && got > 0) {
      line.append(buf, got);
      ok = true;
      if (line.find('\n') != std::string::npos) break;
    }
    SetConsoleMode(in_.get(), mode);
    size_t end = line.find_first_of("\r\n");
    if (end != std::string::npos) line.resize(end);
    return ok;
  }
  HANDLE h = GetStdHandle(STD_INPUT_HANDLE);
  if (!h || h == INVALID_HANDLE_VALUE) return false;
  char c;
  DWORD got = 0;
  bool any = false;
  while (ReadFile(h, &c, 1, &got, nullptr) && got == 1) {
    any = true;
    if (c == '\n') break;
    if (c != '\r') line += c;
  }
  return any;
}

}  // namespace pgp26
