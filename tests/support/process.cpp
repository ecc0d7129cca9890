#include "tests/support/process.h"

#include <vector>

#include "standins/bridge/files.h"
#include "standins/bridge/workfolder.h"
#include "ui/handles.h"

namespace testproc {

namespace {

// Wine: right after a child ended, its redirected files open only when the
// reader shares write and delete access too.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// In a folder of their own below the temporary folder: tests that check the
// program left no file in the temporary folder run beside ones that capture
// a child's output.
std::string ScratchName(const char* prefix) {
  char temp[MAX_PATH + 1] = {};
  char name[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "swcapture";
  CreateDirectoryA(folder.c_str(), nullptr);
  GetTempFileNameA(folder.c_str(), prefix, 0, name);
  return name;
}

std::string ReadAndRemove(const std::string& path) {
  std::string data = bridge::ReadWholeFile(path).value_or("");
  for (int tries = 0; !DeleteFileA(path.c_str()) && tries < 100; ++tries) Sleep(20);
  return data;
}

}  // namespace

Outcome Run(const Launch& launch) {
  Outcome result;
  std::string inName, outName, errName;
  ui::Handle in, out, err;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  if (launch.showWindow >= 0) {
    si.dwFlags |= STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(launch.showWindow);
  }
  if (launch.capture) {
    inName = ScratchName("sin");
    outName = ScratchName("sou");
    errName = ScratchName("ser");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    bridge::WriteWholeFile(inName, launch.stdinText);
    in.reset(CreateFileA(inName.c_str(), GENERIC_READ, kShareAll, &inherit, OPEN_EXISTING, 0, nullptr));
    out.reset(CreateFileA(outName.c_str(), GENERIC_WRITE, kShareAll, &inherit, CREATE_ALWAYS, 0, nullptr));
    err.reset(CreateFileA(errName.c_str(), GENERIC_WRITE, kShareAll, &inherit, CREATE_ALWAYS, 0, nullptr));
    si.dwFlags |= STARTF_USESTDHANDLES;
    si.hStdInput = in.get();
    si.hStdOutput = out.get();
    si.hStdError = err.get();
  }
  std::vector<char> command(launch.commandLine.begin(), launch.commandLine.end());
  command.push_back('\0');
  PROCESS_INFORMATION pi{};
  result.started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, launch.capture, launch.creationFlags,
                                  nullptr, launch.directory.empty() ? nullptr : launch.directory.c_str(), &si, &pi);
  if (!result.started) {
    result.startError = GetLastError();
  } else {
    ui::Handle process(pi.hProcess), thread(pi.hThread);
    result.ended = WaitForSingleObject(process.get(), launch.timeoutMs) == WAIT_OBJECT_0;
    if (!result.ended) {
      TerminateProcess(process.get(), 1);
      WaitForSingleObject(process.get(), 5000);
    }
    GetExitCodeProcess(process.get(), &result.exitCode);
  }
  if (launch.capture) {
    in.reset();
    out.reset();
    err.reset();
    ReadAndRemove(inName);
    result.out = ReadAndRemove(outName);
    result.err = ReadAndRemove(errName);
  }
  return result;
}

void RemoveTree(const std::string& folder) {
  const std::string dir = !folder.empty() && folder.back() == '\\' ? folder.substr(0, folder.size() - 1) : folder;
  WIN32_FIND_DATAA fd;
  {
    ui::FindHandle find(FindFirstFileA((dir + "\\*").c_str(), &fd));
    if (find) {
      do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = dir + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(path);
        } else {
          SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
          for (int tries = 0; !DeleteFileA(path.c_str()) && tries < 100; ++tries) Sleep(20);
        }
      } while (FindNextFileA(find.get(), &fd));
    }
  }
  // A console host may outlive its program for a moment, still in the folder.
  for (int tries = 0; !RemoveDirectoryA(dir.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND &&
                      GetLastError() != ERROR_PATH_NOT_FOUND && tries < 100;
       ++tries)
    Sleep(20);
}

std::optional<HostOutcome> RunHostShell(const std::string& script, DWORD timeoutMs) {
  char temp[MAX_PATH + 1] = {};
  std::string folder(temp, GetTempPathA(MAX_PATH, temp));
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  bridge::WorkFolder w(folder, "sh");
  if (!w.ok()) return std::nullopt;
  auto r = bridge::RunShell(w.path(), "exec 2>&1\n" + script, timeoutMs);
  if (!r) return std::nullopt;
  return HostOutcome{r->status, std::move(r->out)};
}

}  // namespace testproc
