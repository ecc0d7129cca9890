#include "tests/support/process.h"

#include <cstdlib>
#include <vector>

#include "ui/handles.h"

namespace testproc {

namespace {

// Wine: right after a child ended, its redirected files open only when the
// reader shares write and delete access too.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string ScratchName(const char* prefix) {
  char folder[MAX_PATH + 1] = {};
  char name[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, prefix, 0, name);
  return name;
}

std::string ReadAndRemove(const std::string& path) {
  std::string data;
  {
    ui::Handle f(CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    char buf[4096];
    DWORD got = 0;
    while (f && ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
  }
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
    {
      ui::Handle w(CreateFileA(inName.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS, 0, nullptr));
      DWORD put = 0;
      WriteFile(w.get(), launch.stdinText.data(), static_cast<DWORD>(launch.stdinText.size()), &put, nullptr);
    }
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

std::string UnixPath(const std::string& windowsPath) {
  using Convert = char*(__cdecl*)(const wchar_t*);
  auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), n);
  char* path = convert(wide.c_str());
  if (!path) return {};
  std::string out(path);
  HeapFree(GetProcessHeap(), 0, path);
  return out;
}

std::string ShQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::optional<HostOutcome> RunHostShell(const std::string& script, DWORD timeoutMs) {
  const std::string file = ScratchName("shs"), out = ScratchName("sho"), status = ScratchName("sht");
  DeleteFileA(status.c_str());
  const std::string unixOut = UnixPath(out), unixStatus = UnixPath(status);
  std::optional<HostOutcome> result;
  if (!unixOut.empty() && !unixStatus.empty()) {
    const std::string text = "{\n" + script + "\n} >" + ShQuote(unixOut) + " 2>&1 </dev/null\necho $? >" +
                             ShQuote(unixStatus + ".tmp") + " && mv " + ShQuote(unixStatus + ".tmp") + " " +
                             ShQuote(unixStatus) + "\n";
    {
      ui::Handle w(CreateFileA(file.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS, 0, nullptr));
      DWORD put = 0;
      WriteFile(w.get(), text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
    }
    // Windows rules split this command line: double quotes, not sh's.
    std::string command = "Z:\\bin\\sh \"" + UnixPath(file) + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      ui::Handle process(pi.hProcess), thread(pi.hThread);
      const DWORD start = GetTickCount();
      while (GetFileAttributesA(status.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < timeoutMs) {
        Sleep(50);
      }
      if (GetFileAttributesA(status.c_str()) != INVALID_FILE_ATTRIBUTES) {
        result = HostOutcome{std::atoi(ReadAndRemove(status).c_str()), ReadAndRemove(out)};
      }
    }
  }
  DeleteFileA(file.c_str());
  DeleteFileA(out.c_str());
  return result;
}

}  // namespace testproc
