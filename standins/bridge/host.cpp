#include "standins/bridge/host.h"

#include <algorithm>
#include <cstdlib>

#include "standins/bridge/codepage.h"
#include "standins/bridge/files.h"
#include "standins/bridge/quote.h"
#include "ui/handles.h"

namespace bridge {

namespace {

// kernel32's path converters under Wine (cdecl; the result is freed with
// HeapFree); looked up, so that the programs still load on Windows.
template <typename Fn>
Fn WineFunction(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

using UnixNameFn = char*(__cdecl*)(const WCHAR*);
using DosNameFn = WCHAR*(__cdecl*)(const char*);

// The process's environment with `added` in place of variables of the same
// names, as a CreateProcessW block.
std::wstring EnvironmentBlock(const std::vector<std::string>& added) {
  std::vector<std::wstring> extra;
  for (const std::string& v : added) extra.push_back(Widen(v, CP_ACP));
  auto replaced = [&](const wchar_t* entry) {
    for (const std::wstring& e : extra) {
      const size_t eq = e.find(L'=');
      if (_wcsnicmp(entry, e.c_str(), eq + 1) == 0) return true;
    }
    return false;
  };
  std::wstring block;
  if (wchar_t* env = GetEnvironmentStringsW()) {
    for (const wchar_t* p = env; *p; p += wcslen(p) + 1)
      if (!replaced(p)) block.append(p).push_back(L'\0');
    FreeEnvironmentStringsW(env);
  }
  for (const std::wstring& e : extra) block.append(e).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

}  // namespace

bool OnWine() { return WineFunction<UnixNameFn>("wine_get_unix_file_name") != nullptr; }

std::string UnixPath(const std::string& winPath) {
  auto fn = WineFunction<UnixNameFn>("wine_get_unix_file_name");
  if (!fn) return {};
  char* p = fn(Widen(FullPath(winPath), CP_ACP).c_str());
  if (!p) return {};
  std::string out(p);
  HeapFree(GetProcessHeap(), 0, p);
  return out;
}

std::string DosPath(const std::string& unixPath) {
  if (auto fn = WineFunction<DosNameFn>("wine_get_dos_file_name")) {
    if (WCHAR* w = fn(unixPath.c_str())) {
      std::string out = Narrow(w, CP_ACP);
      HeapFree(GetProcessHeap(), 0, w);
      return out;
    }
  }
  std::string out = unixPath;
  std::replace(out.begin(), out.end(), '/', '\\');
  return unixPath.starts_with("/") ? "Z:" + out : out;
}

bool RunShellScript(const std::string& folder, const std::string& script, DWORD timeoutMs,
                    const std::vector<std::string>& environment) {
  const std::string scriptFile = folder + "\\run.sh";
  const std::string rcFile = folder + "\\rc";
  DeleteFileA(rcFile.c_str());
  if (!WriteWholeFile(scriptFile, script)) return false;
  const std::string unixScript = UnixPath(scriptFile);
  if (unixScript.empty()) return false;
  std::wstring cmd = L"sh " + Widen(WinQuote(unixScript), CP_UTF8);
  // Watched from before the start, so that no change is missed.
  ui::ChangeWatch changes(FindFirstChangeNotificationA(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring env = environment.empty() ? std::wstring() : EnvironmentBlock(environment);
  if (!CreateProcessW(L"Z:\\bin\\sh", cmd.data(), nullptr, nullptr, FALSE, env.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT,
                      env.empty() ? nullptr : env.data(), nullptr, &si, &pi))
    return false;
  ui::Handle process(pi.hProcess), thread(pi.hThread);
  // Woken by the folder's change notification as soon as "rc" is moved in
  // (Wine backs it with inotify); the timed wait covers a notification that
  // does not come.
  const DWORD start = GetTickCount();
  while (!FileExists(rcFile)) {
    if (GetTickCount() - start > timeoutMs) return false;
    if (!changes) {
      Sleep(1);
    } else if (WaitForSingleObject(changes.get(), 50) == WAIT_OBJECT_0) {
      FindNextChangeNotification(changes.get());
    }
  }
  return true;
}

std::optional<ShellOutcome> RunShell(const std::string& folder, const std::string& commands, DWORD timeoutMs) {
  const std::string unixFolder = UnixPath(folder);
  if (unixFolder.empty()) return std::nullopt;
  const std::string f = ShQuote(unixFolder), q = ShQuote(unixFolder + "/");
  // The commands reach sh through eval inside the subshell: a syntax error
  // in them (an unbalanced quote in a setting) ends the subshell alone, and
  // the status is written all the same.
  const std::string script = "exec </dev/null >/dev/null 2>&1\n(\ncd -P " + f + " || exit\neval " + ShQuote(commands) +
                             "\n) >" + q + "out 2>" + q + "err\necho $? >" + q + "rc.tmp\nmv -f " + q + "rc.tmp " + q +
                             "rc\n";
  if (!RunShellScript(folder, script, timeoutMs)) return std::nullopt;
  ShellOutcome o;
  o.status = std::atoi(ReadWholeFile(folder + "\\rc").value_or("-1").c_str());
  o.out = ReadWholeFile(folder + "\\out").value_or("");
  o.err = ReadWholeFile(folder + "\\err").value_or("");
  return o;
}

}  // namespace bridge
