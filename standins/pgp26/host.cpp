#include "standins/pgp26/host.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"

namespace pgp26 {

namespace {

using bridge::DirectoryExists;
using bridge::FileExists;
using bridge::FullPath;
using bridge::OnWine;
using bridge::ReadWholeFile;
using bridge::RunShellScript;
using bridge::UnixPath;
using bridge::WinQuote;
using bridge::WipeFile;
using bridge::WriteWholeFile;

constexpr char kPassFile[] = "pp";
constexpr DWORD kRunTimeoutMs = 15 * 60 * 1000;

// The private folder of one run inside the home: "run-<pid>-...". The pass
// phrase file is wiped before the folder goes.
class RunFolder : public bridge::WorkFolder {
 public:
  explicit RunFolder(const std::string& home) : WorkFolder(home, "run") {}
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;
  ~RunFolder() {
    if (ok()) WipeFile(File(kPassFile));
  }
};

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
    if (running) continue;
    const std::string stale = home + "\\" + fd.cFileName;
    WipeFile(stale + "\\" + kPassFile);
    bridge::RemoveFolder(stale);
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
  RunFolder w(home_);
  if (!w.ok()) return std::nullopt;
  std::optional<ActivePassFile> active;
  if (passPhrase) {
    active.emplace(w.File(kPassFile));
    if (!WriteWholeFile(w.File(kPassFile), *passPhrase)) return std::nullopt;
  }
  return OnWine() ? RunWine(w, calls) : RunWindows(w, calls);
}

std::optional<std::vector<CallResult>> GpgHost::RunWine(const bridge::WorkFolder& w,
                                                        const std::vector<GpgCall>& calls) {
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

std::optional<std::vector<CallResult>> GpgHost::RunWindows(const bridge::WorkFolder& w,
                                                           const std::vector<GpgCall>& calls) {
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
