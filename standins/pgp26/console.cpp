#include "standins/pgp26/console.h"

#include "standins/bridge/codepage.h"

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
  // The console's own code page is not the process's (a new console starts
  // at 437 under Wine): it gets UTF-16.
  if (console_) {
    const std::wstring w = bridge::Widen(text, CP_ACP);
    WriteConsoleW(h, w.data(), static_cast<DWORD>(w.size()), &written, nullptr);
  } else
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

bool Console::ReadLine(std::string& line, bool echo) {
  line.clear();
  if (console_) {
    DWORD mode = 0;
    GetConsoleMode(in_.get(), &mode);
    DWORD want = ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT | (echo ? ENABLE_ECHO_INPUT : 0);
    SetConsoleMode(in_.get(), want);
    // Read in UTF-16 (ReadConsoleA counts a character outside the BMP wrong
    // under a UTF-8 console) and turned into the process's code page.
    std::wstring w;
    wchar_t buf[512];
    DWORD got = 0;
    bool ok = false;
    while (ReadConsoleW(in_.get(), buf, sizeof buf / sizeof buf[0], &got, nullptr) && got > 0) {
      w.append(buf, got);
      ok = true;
      if (w.find(L'\n') != std::wstring::npos) break;
    }
    SetConsoleMode(in_.get(), mode);
    size_t end = w.find_first_of(L"\r\n");
    if (end != std::wstring::npos) w.resize(end);
    line = bridge::Narrow(w, CP_ACP);
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
