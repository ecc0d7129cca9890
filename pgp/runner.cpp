#include "pgp/runner.h"

#include <memory>
#include <vector>

#include "pgp/status.h"
#include "pgp/viewoutput.h"
#include "files/workfiles.h"
#include "pgp/strutil.h"
#include "settings/Settings.h"
#include "ui/errors.h"
#include "ui/handles.h"
#include "ui/msgbox.h"

namespace {

// CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP | CREATE_SEPARATE_WOW_VDM
constexpr DWORD kCreationFlags = 0x0A30;

std::string OwnPath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void WriteBatchFile(const std::string& name, const std::string& text) {
  ui::Handle file(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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

}  // namespace

namespace pgp {

STARTUPINFOA StartupRecord(bool runIcon) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(runIcon ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
  return si;
}

std::string BatchFile() { return BatchFileNameFor(OwnPath()); }

bool RunPgpWith(const std::string& interpreter, const std::string& arguments, std::string outputFile, bool keepOutput) {
  STARTUPINFOA si = StartupRecord(Settings.RunIcon);
  bool ownOutput = outputFile.empty();
  if (ownOutput) outputFile = NewWorkFileName();
  std::string batch = BatchFile();
  WriteBatchFile(batch, BatchFileText(arguments, outputFile));
  ScopedFile wiper(batch, ScopedFile::Disposal::Wipe);

  std::string commandLine = interpreter + " \"" + batch + "\"";
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  std::unique_ptr<TStatusFrm> status;
  ShowStatusWindow(true, status, "Waiting for PGP to complete...");
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, kCreationFlags, nullptr, nullptr, &si, &pi)) {
    ShowStatusWindow(false, status, {});
    wiper.dispose();
    if (ownOutput && !keepOutput) RemoveFile(outputFile);
    ui::ErrorBox("Unable to execute : \r\n\r\n" + PgpCommand);
    return false;
  }
  ui::Handle process(pi.hProcess);
  ui::Handle thread(pi.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  ShowStatusWindow(false, status, {});
  Sleep(2);
  if (Settings.Pause) ViewPgpOutput(outputFile);
  if (!keepOutput) RemoveFile(outputFile);
  wiper.dispose();
  return true;
}

}  // namespace pgp

bool RunPgp(const std::string& arguments, std::string outputFile, bool keepOutput) {
  return pgp::RunPgpWith("command.com /c", arguments, std::move(outputFile), keepOutput);
}
