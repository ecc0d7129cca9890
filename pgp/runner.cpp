#include "pgp/runner.h"

#include <cstring>
#include <memory>
#include <vector>

#include "files/workfiles.h"
#include "forms/status.h"
#include "pgp/strutil.h"
#include "pgp/viewoutput.h"
#include "ui/codepage.h"
#include "ui/errors.h"
#include "ui/handles.h"
#include "ui/msgbox.h"

namespace {

// A moment for the ended interpreter's handle on the output file to go before
// the viewer or the caller opens that file.
constexpr DWORD kSettleAfterExitMs = 2;

// The batch file was created empty and exclusively for this run; it is
// opened again only to write it, never replaced.
void WriteBatchFile(const std::string& name, const std::string& text) {
  ui::Handle file(
      CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ui::ThrowInOutError(GetLastError());
  DWORD written = 0;
  if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size()) {
    DWORD error = written != text.size() && GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : GetLastError();
    file.reset();
    WipeFile(name);
    ui::ThrowInOutError(error);
  }
}

// A copy of this program's environment with PGPPASS set to `passPhrase`
// (any inherited PGPPASS dropped), in the block form CreateProcessA takes.
// PGP reads its pass phrase from there when no -z option is given, so the
// pass phrase is on no command line and in no file.
std::vector<char> EnvironmentWithPassPhrase(const std::string& passPhrase) {
  std::vector<char> block;
  if (char* own = GetEnvironmentStringsA()) {
    for (const char* entry = own; *entry; entry += std::strlen(entry) + 1) {
      if (_strnicmp(entry, "PGPPASS=", 8) == 0) continue;
      block.insert(block.end(), entry, entry + std::strlen(entry) + 1);
    }
    FreeEnvironmentStringsA(own);
  }
  const std::string entry = "PGPPASS=" + passPhrase;
  block.insert(block.end(), entry.begin(), entry.end());
  block.push_back('\0');
  block.push_back('\0');
  return block;
}

// The interpreter program named first in `interpreter`, looked for in this
// program's folder, the system folders and the path, never in the current
// folder (which the platform's own search tries first); empty when absent.
std::string FindInterpreter(const std::string& interpreter) {
  const std::string name = interpreter.substr(0, interpreter.find(' '));
  char folder[MAX_PATH] = {};
  std::string places;
  DWORD n = GetModuleFileNameA(nullptr, folder, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    places = std::string(folder, n);
    places = places.substr(0, places.find_last_of('\\') + 1) + ";";
  }
  if (GetSystemDirectoryA(folder, MAX_PATH)) places += std::string(folder) + ";";
  if (GetWindowsDirectoryA(folder, MAX_PATH)) places += std::string(folder) + ";";
  places += ui::EnvironmentVariable("PATH").value_or("");
  char found[MAX_PATH] = {};
  n = SearchPathA(places.c_str(), name.c_str(), nullptr, MAX_PATH, found, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(found, n) : std::string();
}

// Overwrites the block before its memory is given back.
struct WipedBlock {
  std::vector<char> bytes;
  ~WipedBlock() { SecureZeroMemory(bytes.data(), bytes.size()); }
};

}  // namespace

namespace pgp {

STARTUPINFOA StartupRecord(bool runIcon) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(runIcon ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
  return si;
}

bool RunPgpWith(const std::string& interpreter, const Context& ctx, const std::string& arguments,
                std::string outputFile, bool keepOutput, const std::optional<std::string>& passPhrase) {
  STARTUPINFOA si = StartupRecord(ctx.runIcon);
  bool ownOutput = outputFile.empty();
  if (ownOutput) outputFile = NewWorkFileName();
  ScopedFile ownOutputFile(ownOutput && !keepOutput ? outputFile : std::string(), ScopedFile::Disposal::Remove);
  ScopedFile wiper(NewWorkFileName("BAT"), ScopedFile::Disposal::Wipe);
  const std::string& batch = wiper.name();
  WriteBatchFile(batch, BatchFileText(arguments, outputFile));
  WipedBlock environment{passPhrase ? EnvironmentWithPassPhrase(*passPhrase) : std::vector<char>{}};

  std::string commandLine = interpreter + " \"" + batch + "\"";
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  PROCESS_INFORMATION pi{};
  const std::string program = FindInterpreter(interpreter);
  if (program.empty() ||
      !CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, pgp::kRunnerCreationFlags,
                      environment.bytes.empty() ? nullptr : environment.bytes.data(), nullptr, &si, &pi)) {
    wiper.dispose();
    ownOutputFile.dispose();
    ui::ErrorBox("Unable to execute : \r\n\r\n" + ctx.command);
    return false;
  }
  ui::Handle process(pi.hProcess);
  ui::Handle thread(pi.hThread);
  // Shown while the interpreter starts, not before it: the window's drawing
  // and the new console's start-up share the time.
  std::unique_ptr<TStatusFrm> status;
  ShowStatusWindow(true, status, "Waiting for PGP to complete...");
  WaitForSingleObject(process.get(), INFINITE);
  ShowStatusWindow(false, status, {});
  Sleep(kSettleAfterExitMs);
  if (ctx.pause) ViewPgpOutput(outputFile);
  if (!keepOutput) RemoveFile(outputFile);
  return true;
}

}  // namespace pgp

bool RunPgp(const pgp::Context& ctx, const std::string& arguments, std::string outputFile, bool keepOutput,
            const std::optional<std::string>& passPhrase) {
  return pgp::RunPgpWith("command.com /c", ctx, arguments, std::move(outputFile), keepOutput, passPhrase);
}
