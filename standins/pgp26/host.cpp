#include "standins/pgp26/host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "standins/bridge/codepage.h"
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

constexpr char kRunPrefix[] = "run";
constexpr char kPassFile[] = "pp";
constexpr DWORD kRunTimeoutMs = 15 * 60 * 1000;

// The private folder of one run inside the home: "run-<pid>-...", locked
// while the run lasts. On Windows the pass phrase file lies there; it is
// wiped before the folder goes.
class RunFolder : public bridge::WorkFolder {
 public:
  explicit RunFolder(const std::string& home) : WorkFolder(home, kRunPrefix, true) {}
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;
  ~RunFolder() {
    if (ok()) WipeFile(File(kPassFile));
  }
};

// The pass phrase file of the run in progress (Windows). When the console is
// closed or Ctrl+C or Ctrl+Break is pressed during a run, the process ends
// without unwinding; the control handler wipes the file first. It runs on a
// thread of its own, hence the lock.
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

// What identifies one state of the key ring and the code page the PGP
// listing is printed in; empty without a ring.
std::string RingStamp(const std::string& home) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExA((home + "\\pubring.kbx").c_str(), GetFileExInfoStandard, &a)) return {};
  char buf[128];
  std::snprintf(buf, sizeof buf, "pgp26 keys 2 ring %lu %lu %lu %lu acp %u\n", a.nFileSizeHigh, a.nFileSizeLow,
                a.ftLastWriteTime.dwHighDateTime, a.ftLastWriteTime.dwLowDateTime, GetACP());
  return buf;
}

// Writes `stamp` + `text` beside `path` and moves it over it, so that a
// reader sees the old file or the new one whole.
bool Keep(const std::string& path, const std::string& stamp, std::string_view text) {
  const std::string temp = path + "." + std::to_string(GetCurrentProcessId());
  ui::Handle f(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  bool ok = f && WriteFile(f.get(), stamp.data(), static_cast<DWORD>(stamp.size()), &written, nullptr) &&
            written == stamp.size() &&
            (text.empty() || (WriteFile(f.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                              written == text.size()));
  f.reset();
  ok = ok && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

}  // namespace

std::unique_ptr<KeptFile> KeptFile::Open(const std::string& path, const std::string& stamp) {
  Handle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!f || !GetFileSizeEx(f.get(), &size)) return nullptr;
  std::unique_ptr<KeptFile> kept(new KeptFile(std::move(f), 0, size.QuadPart));
  std::string head;
  if (!kept->Read(0, stamp.size(), head) || head != stamp) return nullptr;
  kept->base_ = stamp.size();
  kept->size_ -= stamp.size();
  return kept;
}

bool KeptFile::Read(uint64_t at, size_t n, std::string& out) const {
  out.clear();
  if (at >= size_) return true;
  out.resize(static_cast<size_t>(std::min<uint64_t>(n, size_ - at)));
  size_t got = 0;
  while (got < out.size()) {
    const uint64_t pos = base_ + at + got;
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(pos);
    o.OffsetHigh = static_cast<DWORD>(pos >> 32);
    DWORD read = 0;
    if (!ReadFile(file_.get(), out.data() + got, static_cast<DWORD>(out.size() - got), &read, &o)) return false;
    if (read == 0) break;
    got += read;
  }
  out.resize(got);
  return true;
}

bool KeptFile::CopyTo(HANDLE to) const {
  std::string piece;
  for (uint64_t at = 0; at < size_; at += piece.size()) {
    if (!Read(at, 1 << 16, piece) || piece.empty()) return false;
    DWORD written = 0;
    if (!WriteFile(to, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr) || written != piece.size())
      return false;
  }
  return true;
}

std::unique_ptr<GpgHost> GpgHost::Open(const std::string& pgpFolder, std::string& error) {
  std::string home = pgpFolder + "\\gnupg";
  // Made private at once; every run makes it mode 700 before gpg starts.
  if (DirectoryExists(home)) {
    bridge::SweepAbandonedWorkFolders(home, kRunPrefix, kRunTimeoutMs);
  } else if (!bridge::CreatePrivateFolder(home)) {
    error = "Cannot create the GnuPG home " + home + ".";
    return nullptr;
  }
  const std::string agentConf = home + "\\gpg-agent.conf";
  if (!FileExists(agentConf))
    WriteWholeFile(agentConf, "default-cache-ttl 0\nmax-cache-ttl 0\nallow-loopback-pinentry\n");
  return std::unique_ptr<GpgHost>(new GpgHost(home));
}

std::unique_ptr<KeptKeys> GpgHost::Keys() {
  const std::string listingFile = home_ + "\\keys.lst", indexFile = home_ + "\\keys.idx",
                    pgpFile = home_ + "\\keys.pgp";
  auto open = [&](const std::string& stamp) -> std::unique_ptr<KeptKeys> {
    auto listing = KeptFile::Open(listingFile, stamp);
    auto index = listing ? KeptFile::Open(indexFile, stamp) : nullptr;
    auto pgp = index ? KeptFile::Open(pgpFile, stamp) : nullptr;
    if (!pgp) return nullptr;
    return std::make_unique<KeptKeys>(std::move(listing), std::move(index), std::move(pgp), SecretKeygrips());
  };
  // Taken before gpg reads the ring: a change during the listing leaves a
  // stamp that no longer matches, so the next run lists again.
  std::string stamp = RingStamp(home_);
  if (!stamp.empty())
    if (auto kept = open(stamp)) return kept;
  auto r = Run({{{"--with-colons", "--with-fingerprint", "--with-keygrip", "--list-keys"}}}, nullptr);
  if (!r) return nullptr;
  // A home without a ring gets one from the listing.
  if (stamp.empty()) stamp = RingStamp(home_);
  // A listing gpg ended with an error serves this run only: its stamp
  // matches no ring, so the next run lists again.
  if ((*r)[0].exit != 0) stamp = "listed with errors, " + stamp;
  const std::string& listing = (*r)[0].out;
  std::string pgp;
  std::vector<Key> keys = ParseColonListing(listing);
  for (Key& k : keys) {
    for (std::string& u : k.userIds) u = bridge::Utf8ToAnsi(u);
    pgp += ListingEntry(k, false);
  }
  pgp += ListingFoot(keys.size());
  if (stamp.empty() || !Keep(listingFile, stamp, listing) || !Keep(indexFile, stamp, BuildKeyIndex(listing)) ||
      !Keep(pgpFile, stamp, pgp))
    return nullptr;
  return open(stamp);
}

std::set<std::string> GpgHost::SecretKeygrips() const {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  ui::FindHandle find(FindFirstFileA((home_ + "\\private-keys-v1.d\\*").c_str(), &fd));
  if (find) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (FindNextFileA(find.get(), &fd));
  }
  return KeygripsOfKeyFiles(names);
}

std::string GpgHost::GpgPath(const std::string& winPath) const {
  return OnWine() ? UnixPath(winPath) : FullPath(winPath);
}

std::optional<std::vector<CallResult>> GpgHost::Run(const std::vector<GpgCall>& calls, const std::string* passPhrase) {
  RunFolder w(home_);
  if (!w.ok()) return std::nullopt;
  if (OnWine()) return RunWine(w, calls, passPhrase);
  std::optional<ActivePassFile> active;
  if (passPhrase) {
    active.emplace(w.File(kPassFile));
    if (!WriteWholeFile(w.File(kPassFile), *passPhrase)) return std::nullopt;
  }
  return RunWindows(w, calls);
}

std::optional<std::vector<CallResult>> GpgHost::RunWine(const bridge::WorkFolder& w, const std::vector<GpgCall>& calls,
                                                        const std::string* passPhrase) {
  ScriptPaths p;
  p.gpg = "gpg";
  p.gpgconf = "gpgconf";
  p.home = UnixPath(home_);
  p.work = UnixPath(w.path());
  if (p.home.empty() || p.work.empty()) return std::nullopt;
  std::vector<std::string> environment;
  if (passPhrase) environment.push_back(std::string(kPassVariable) + "=" + PassPhraseForScript(*passPhrase));
  if (!RunShellScript(w.path(), BuildShellScript(p, calls), kRunTimeoutMs, environment)) return std::nullopt;
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
    std::vector<std::string> operands = calls[i].operands;
    if (calls[i].signersOf >= 0) {
      operands = SignerFingerprints(results[calls[i].signersOf].status, calls[i].knownSigners);
      if (operands.empty()) {
        results.push_back({0, {}, {}, {}});
        continue;
      }
    }
    std::vector<std::string> args = CommonOptions(home_);
    args.insert(args.end(), {"--status-file", w.File("status" + n)});
    if (calls[i].passPhrase) args.insert(args.end(), {"--passphrase-file", w.File(kPassFile)});
    args.insert(args.end(), calls[i].args.begin(), calls[i].args.end());
    if (!operands.empty()) args.push_back("--");
    args.insert(args.end(), operands.begin(), operands.end());
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
