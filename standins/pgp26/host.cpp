#include "standins/pgp26/host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace pgp26 {

namespace {

constexpr char kPassFile[] = "pp";
constexpr DWORD kRunTimeoutMs = 15 * 60 * 1000;

using UnixNameFn = char*(__cdecl*)(const WCHAR*);

// ASCII reads the same in UTF-8 and every ANSI code page; most user IDs are
// ASCII, and a large ring has thousands of them.
bool IsAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::wstring Widen(const std::string& s, UINT cp) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const std::wstring& w, UINT cp) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

Handle OpenForWrite(const std::string& path) {
  return Handle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  Handle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return std::nullopt;
  std::string data;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
  return data;
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
  Handle f = OpenForWrite(path);
  if (!f) return false;
  DWORD written = 0;
  return data.empty() || (WriteFile(f.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                          written == data.size());
}

void WipeFile(const std::string& path) {
  {
    Handle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return;
    DWORD size = GetFileSize(f.get(), nullptr);
    std::string zeros(size == INVALID_FILE_SIZE ? 0 : size, '\0');
    DWORD written = 0;
    if (!zeros.empty()) WriteFile(f.get(), zeros.data(), static_cast<DWORD>(zeros.size()), &written, nullptr);
    FlushFileBuffers(f.get());
  }
  DeleteFileA(path.c_str());
}

std::string FullPath(const std::string& path) {
  char buf[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : path;
}

std::string ModuleFolder() {
  char buf[MAX_PATH * 2];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  std::string p(buf, n);
  size_t slash = p.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : p.substr(0, slash);
}

static UnixNameFn UnixNameFunction() {
  return reinterpret_cast<UnixNameFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
}

bool OnWine() { return UnixNameFunction() != nullptr; }

std::string UnixPath(const std::string& winPath) {
  UnixNameFn fn = UnixNameFunction();
  if (!fn) return {};
  std::wstring w = Widen(FullPath(winPath), CP_ACP);
  char* p = fn(w.c_str());
  if (!p) return {};
  std::string out(p);
  HeapFree(GetProcessHeap(), 0, p);
  return out;
}

std::string Utf8ToAnsi(const std::string& s) {
  if (IsAscii(s)) return s;
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return s;  // not UTF-8: keep the bytes as they are
  return Narrow(Widen(s, CP_UTF8), CP_ACP);
}

std::string AnsiToUtf8(const std::string& s) { return IsAscii(s) ? s : Narrow(Widen(s, CP_ACP), CP_UTF8); }

bool RunShellScript(const std::string& folder, const std::string& script, DWORD timeoutMs) {
  const std::string scriptFile = folder + "\\run.sh";
  const std::string rcFile = folder + "\\rc";
  DeleteFileA(rcFile.c_str());
  if (!WriteWholeFile(scriptFile, script)) return false;
  std::string unixScript = UnixPath(scriptFile);
  if (unixScript.empty()) return false;
  // The script goes in as a file, not as -c text: the command line passes
  // through the code page conversions of CreateProcess, a file's bytes do not.
  // Wine gives a host program no process handle, so the end is seen by
  // polling for "rc".
  std::wstring cmd = L"sh " + Widen(WinQuote(unixScript), CP_UTF8);
  // Watched from before the start, so that no change is missed.
  ui::ChangeWatch changes(FindFirstChangeNotificationA(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(L"Z:\\bin\\sh", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  Handle process(pi.hProcess), thread(pi.hThread);
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

WorkFolder::WorkFolder(const std::string& parent) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string p = parent + "\\run-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) +
                    "-" + std::to_string(attempt);
    if (CreateDirectoryA(p.c_str(), nullptr)) {
      path_ = p;
      return;
    }
  }
}

namespace {

// Wipes the pass phrase file of a run folder, then removes the folder.
void RemoveRunFolder(const std::string& path) {
  WipeFile(path + "\\" + kPassFile);
  WIN32_FIND_DATAA fd;
  if (ui::FindHandle find(FindFirstFileA((path + "\\*").c_str(), &fd)); find) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((path + "\\" + fd.cFileName).c_str());
    } while (FindNextFileA(find.get(), &fd));
  }
  RemoveDirectoryA(path.c_str());
}

// Run folders left by a PGP.EXE that ended inside a run (console closed,
// Ctrl+Break): their process, named in "run-<pid>-...", no longer runs.
void SweepStaleRunFolders(const std::string& home) {
  WIN32_FIND_DATAA fd;
  ui::FindHandle find(FindFirstFileA((home + "\\run-*").c_str(), &fd));
  if (!find) return;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const DWORD pid = std::strtoul(fd.cFileName + 4, nullptr, 10);
    if (pid == GetCurrentProcessId()) continue;
    ui::Handle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    const bool running = process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
    if (!running) RemoveRunFolder(home + "\\" + fd.cFileName);
  } while (FindNextFileA(find.get(), &fd));
}

// The pass phrase file of the run in progress. When the console is closed or
// Ctrl+C or Ctrl+Break is pressed during a run, the process ends without
// unwinding; the control handler wipes the file first. It runs on a thread
// of its own, hence the lock.
std::mutex activePassFileLock;
std::string activePassFile;

BOOL WINAPI WipePassFileOnControl(DWORD) {
  std::lock_guard lock(activePassFileLock);
  if (!activePassFile.empty()) WipeFile(activePassFile);
  return FALSE;  // the default handling ends the process as before
}

// Names the pass phrase file for the handler while a run holds it.
class ActivePassFile {
 public:
  explicit ActivePassFile(const std::string& name) {
    static const bool installed = SetConsoleCtrlHandler(WipePassFileOnControl, TRUE) != FALSE;
    (void)installed;
    std::lock_guard lock(activePassFileLock);
    activePassFile = name;
  }
  ActivePassFile(const ActivePassFile&) = delete;
  ActivePassFile& operator=(const ActivePassFile&) = delete;
  ~ActivePassFile() {
    std::lock_guard lock(activePassFileLock);
    activePassFile.clear();
  }
};

}  // namespace

WorkFolder::~WorkFolder() {
  if (!path_.empty()) RemoveRunFolder(path_);
}

std::unique_ptr<GpgHost> GpgHost::Open(const std::string& pgpFolder, std::string& error) {
  std::string home = pgpFolder + "\\gnupg";
  bool fresh = !DirectoryExists(home);
  if (fresh && !CreateDirectoryA(home.c_str(), nullptr)) {
    error = "Cannot create the GnuPG home " + home + ".";
    return nullptr;
  }
  if (!fresh) SweepStaleRunFolders(home);
  std::unique_ptr<GpgHost> host(new GpgHost(home));
  const std::string agentConf = home + "\\gpg-agent.conf";
  if (!FileExists(agentConf))
    WriteWholeFile(agentConf, "default-cache-ttl 0\nmax-cache-ttl 0\nallow-loopback-pinentry\n");
  // A run sets the home's mode before anything secret is written into it.
  if (fresh && OnWine() && !host->Run({}, nullptr)) {
    error = "Cannot prepare the GnuPG home " + home + ".";
    return nullptr;
  }
  return host;
}

namespace {

// What identifies one state of the key ring: its size and time of change.
std::string RingStamp(const std::string& home) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExA((home + "\\pubring.kbx").c_str(), GetFileExInfoStandard, &a)) return {};
  char buf[96];
  std::snprintf(buf, sizeof buf, "ring %lu %lu %lu %lu\n", a.nFileSizeHigh, a.nFileSizeLow,
                a.ftLastWriteTime.dwHighDateTime, a.ftLastWriteTime.dwLowDateTime);
  return buf;
}

}  // namespace

std::optional<std::string> GpgHost::PublicKeyListing() {
  const std::string cache = home_ + "\\keys.lst";
  // Taken before gpg reads the ring: a change during the listing leaves a
  // stamp that no longer matches, so the next run lists again.
  const std::string stamp = RingStamp(home_);
  if (!stamp.empty()) {
    std::string kept = ReadWholeFile(cache).value_or("");
    if (kept.compare(0, stamp.size(), stamp) == 0) {
      // Cut in place: a copy of a large ring's megabytes costs page faults
      // that Wine makes slow.
      kept.erase(0, stamp.size());
      return kept;
    }
  }
  auto r = Run({{{"--with-colons", "--with-fingerprint", "--with-keygrip", "--list-keys"}}}, nullptr);
  if (!r) return std::nullopt;
  std::string listing = std::move((*r)[0].out);
  if (!stamp.empty() && (*r)[0].exit == 0) {
    // Written beside it and moved over it, so a reader sees it whole.
    const std::string temp = cache + "." + std::to_string(GetCurrentProcessId());
    if (WriteWholeFile(temp, stamp + listing)) MoveFileExA(temp.c_str(), cache.c_str(), MOVEFILE_REPLACE_EXISTING);
    DeleteFileA(temp.c_str());
  }
  return listing;
}

std::vector<std::string> GpgHost::SecretKeyFiles() const {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  ui::FindHandle find(FindFirstFileA((home_ + "\\private-keys-v1.d\\*").c_str(), &fd));
  if (!find) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileA(find.get(), &fd));
  return names;
}

std::string GpgHost::GpgPath(const std::string& winPath) const {
  return OnWine() ? UnixPath(winPath) : FullPath(winPath);
}

std::optional<std::vector<CallResult>> GpgHost::Run(const std::vector<GpgCall>& calls, const std::string* passPhrase) {
  WorkFolder w(home_);
  if (!w.ok()) return std::nullopt;
  std::optional<ActivePassFile> active;
  if (passPhrase) {
    active.emplace(w.File(kPassFile));
    if (!WriteWholeFile(w.File(kPassFile), *passPhrase)) return std::nullopt;
  }
  return OnWine() ? RunWine(w, calls) : RunWindows(w, calls);
}

std::optional<std::vector<CallResult>> GpgHost::RunWine(const WorkFolder& w, const std::vector<GpgCall>& calls) {
  ScriptPaths p;
  p.gpg = "gpg";
  p.gpgconf = "gpgconf";
  p.home = UnixPath(home_);
  p.work = UnixPath(w.path());
  p.passFile = p.work + "/" + kPassFile;
  if (p.home.empty() || p.work.empty()) return std::nullopt;
  if (!RunShellScript(w.path(), BuildShellScript(p, calls), kRunTimeoutMs)) return std::nullopt;
  std::string rc = ReadWholeFile(w.File("rc")).value_or("");
  std::vector<CallResult> results(calls.size());
  size_t pos = 0;
  for (size_t i = 0; i < calls.size(); ++i) {
    std::string n = std::to_string(i);
    size_t end = rc.find('\n', pos);
    if (end == std::string::npos) return std::nullopt;
    results[i].exit = std::atoi(rc.substr(pos, end - pos).c_str());
    pos = end + 1;
    results[i].out = ReadWholeFile(w.File("out" + n)).value_or("");
    results[i].err = ReadWholeFile(w.File("err" + n)).value_or("");
    results[i].status = ReadWholeFile(w.File("status" + n)).value_or("");
  }
  return results;
}

std::optional<std::vector<CallResult>> GpgHost::RunWindows(const WorkFolder& w, const std::vector<GpgCall>& calls) {
  std::vector<CallResult> results;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  auto start = [&](const std::string& program, std::vector<std::string> args, const std::string& tag) -> int {
    std::string cmd = program;
    for (const std::string& a : args) {
      cmd += ' ';
      cmd += WinQuote(a);
    }
    Handle in(
        CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    Handle out(
        CreateFileA(w.File("out" + tag).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    Handle err(
        CreateFileA(w.File("err" + tag).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in.get();
    si.hStdOutput = out.get();
    si.hStdError = err.get();
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
      return -1;
    Handle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.get(), kRunTimeoutMs);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
  };
  for (size_t i = 0; i < calls.size(); ++i) {
    std::string n = std::to_string(i);
    std::vector<std::string> args = CommonOptions(home_);
    args.insert(args.end(), {"--status-file", w.File("status" + n)});
    if (calls[i].passPhrase)
      args.insert(args.end(), {"--pinentry-mode", "loopback", "--passphrase-file", w.File(kPassFile)});
    args.insert(args.end(), calls[i].args.begin(), calls[i].args.end());
    if (!calls[i].operands.empty()) args.push_back("--");
    args.insert(args.end(), calls[i].operands.begin(), calls[i].operands.end());
    CallResult r;
    r.exit = start("gpg.exe", args, n);
    if (r.exit < 0) return std::nullopt;
    r.out = ReadWholeFile(w.File("out" + n)).value_or("");
    r.err = ReadWholeFile(w.File("err" + n)).value_or("");
    r.status = ReadWholeFile(w.File("status" + n)).value_or("");
    results.push_back(std::move(r));
  }
  start("gpgconf.exe", {"--homedir", home_, "--kill", "gpg-agent"}, "k");
  return results;
}

}  // namespace pgp26
