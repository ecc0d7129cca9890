// Simple MAPI over the user's Maildir, sending through the host's sendmail
// interface. Loaded by mapi32 as the default mail client; records it returns
// come from mapi32's own allocator, so mapi32's MAPIFreeBuffer frees them.
#include <windows.h>
// windows.h first: the mail header needs its types.
#include <mapi.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "standins/maildir-mapi/compose.h"
#include "standins/maildir-mapi/mime.h"
#include "standins/maildir-mapi/resource.h"
#include "standins/maildir-mapi/store.h"
#include "standins/pgp26/gpg.h"
#include "standins/pgp26/host.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace maildir {
namespace {

constexpr char kKey[] = "Software\\Sealwright Maildir";
constexpr char kTitle[] = "Sealwright Maildir";
constexpr char kDefaultSendmail[] = "/usr/sbin/sendmail -t -i";
constexpr DWORD kSendTimeoutMs = 5 * 60 * 1000;
// A larger file is read up to this size: enough for any text a reader shows.
constexpr DWORD kMaxMessageBytes = 64 << 20;

HINSTANCE Module() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

std::string RegString(const char* value) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  char buf[4096];
  DWORD size = sizeof buf - 1, type = 0;
  std::string out;
  if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS &&
      type == REG_SZ) {
    buf[size] = '\0';
    out = buf;
  }
  RegCloseKey(key);
  return out;
}

void StoreMaildir(const std::string& path) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key, "Maildir", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                 static_cast<DWORD>(path.size() + 1));
  RegCloseKey(key);
}

std::string Env(const char* name) {
  char buf[4096];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::wstring Widen(std::string_view s, UINT cp) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

// Characters the target code page lacks become '?', never a look-alike and
// never nothing.
std::string Narrow(const std::wstring& w, UINT cp) {
  if (w.empty()) return {};
  DWORD flags = cp == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = cp == CP_UTF8 ? nullptr : "?";
  int n = WideCharToMultiByte(cp, flags, w.data(), static_cast<int>(w.size()), nullptr, 0, fallback, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(cp, flags, w.data(), static_cast<int>(w.size()), s.data(), n, fallback, nullptr);
  return s;
}

std::string Utf8ToAnsi(std::string_view s) { return Narrow(Widen(s, CP_UTF8), CP_ACP); }
std::string AnsiToUtf8(std::string_view s) { return Narrow(Widen(s, CP_ACP), CP_UTF8); }

std::optional<std::string> DecodeCharset(std::string_view charset, std::string_view bytes) {
  UINT cp = CodePageOf(charset);
  if (cp == 0 || !IsValidCodePage(cp)) return std::nullopt;
  return Narrow(Widen(bytes, cp), CP_UTF8);
}

// A host path as a Windows path.
std::string DosPath(const std::string& unixPath) {
  using DosNameFn = WCHAR*(__cdecl*)(const char*);
  auto fn = reinterpret_cast<DosNameFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (fn) {
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

// The Maildir: the stored setting, else $MAILDIR, else Maildir in the
// user's home.
std::string ConfiguredMaildir() {
  if (std::string stored = RegString("Maildir"); !stored.empty()) return stored;
  if (std::string env = Env("MAILDIR"); !env.empty()) return DosPath(env);
  std::string home = Env("WINEHOMEDIR");  // "\??\Z:\home\user" under Wine
  if (home.starts_with("\\??\\")) home.erase(0, 4);
  if (home.empty()) home = Env("USERPROFILE");
  return home + "\\Maildir";
}

std::string SendCommand() {
  std::string c = RegString("Sendmail");
  return c.empty() ? kDefaultSendmail : c;
}

bool IsMaildir(const std::string& root) {
  return pgp26::DirectoryExists(root + "\\cur") && pgp26::DirectoryExists(root + "\\new") &&
         pgp26::DirectoryExists(root + "\\tmp");
}

struct Entry {
  DeliveryKey key;
  std::string path;  // full path of the message file
  FileName name;
};

// The messages of new/ and cur/ in delivery order, without trashed ones.
std::vector<Entry> ListMessages(const std::string& root, bool unreadOnly) {
  std::vector<Entry> out;
  for (const char* sub : {"new", "cur"}) {
    const std::string folder = root + "\\" + sub + "\\";
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      FileName n = SplitFileName(fd.cFileName);
      if (!UsableIdentifier(n.base) || HasFlag(n.flags, 'T') || (unreadOnly && HasFlag(n.flags, 'S'))) continue;
      out.push_back({KeyOf(n.base), folder + fd.cFileName, std::move(n)});
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
  return out;
}

// The file of a message by identifier: new/<id>, else cur/<id>:2,<flags>.
std::optional<Entry> Locate(const std::string& root, const std::string& id) {
  if (!UsableIdentifier(id) || id.find_first_of("*?:") != std::string::npos) return std::nullopt;
  if (std::string p = root + "\\new\\" + id; pgp26::FileExists(p)) return Entry{KeyOf(id), p, {id, {}}};
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((root + "\\cur\\" + id + ":2,*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    FindClose(find);
    FileName n = SplitFileName(fd.cFileName);
    if (n.base == id) return Entry{KeyOf(id), root + "\\cur\\" + fd.cFileName, std::move(n)};
  }
  if (std::string p = root + "\\cur\\" + id; pgp26::FileExists(p)) return Entry{KeyOf(id), p, {id, {}}};
  return std::nullopt;
}

struct Session {
  std::string root;
  std::vector<Entry> listing;  // taken when a scan starts (empty seed)

  // The message's file: from the listing while it is still there (a wildcard
  // search costs a pass over the whole folder under Wine), else searched.
  std::optional<Entry> Find(const std::string& id) const {
    if (!UsableIdentifier(id)) return std::nullopt;
    DeliveryKey key = KeyOf(id);
    auto it = std::lower_bound(listing.begin(), listing.end(), key,
                               [](const Entry& e, const DeliveryKey& k) { return e.key < k; });
    if (it != listing.end() && it->name.base == id && pgp26::FileExists(it->path)) return *it;
    return Locate(root, id);
  }
};

// The sessions handed out; a handle is checked against them before use.
std::set<Session*>& Sessions() {
  static std::set<Session*> sessions;
  return sessions;
}

Session* SessionOf(LHANDLE h) {
  auto* s = reinterpret_cast<Session*>(h);
  return Sessions().count(s) ? s : nullptr;
}

// mapi32's allocator, so that its MAPIFreeBuffer frees what we return.
class Record {
 public:
  using AllocateFn = LONG(WINAPI*)(ULONG, LPVOID*);
  using MoreFn = LONG(WINAPI*)(ULONG, LPVOID, LPVOID*);

  Record() {
    HMODULE mapi = GetModuleHandleA("mapi32.dll");
    allocate_ = mapi ? reinterpret_cast<AllocateFn>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPIAllocateBuffer")))
                     : nullptr;
    more_ =
        mapi ? reinterpret_cast<MoreFn>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPIAllocateMore"))) : nullptr;
    if (allocate_ && more_ && allocate_(sizeof(MapiMessage), reinterpret_cast<LPVOID*>(&message_)) == S_OK && message_)
      ZeroMemory(message_, sizeof *message_);
    else
      message_ = nullptr;
  }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;
  ~Record() {
    if (message_) {
      auto freeFn = reinterpret_cast<ULONG(WINAPI*)(LPVOID)>(
          reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("mapi32.dll"), "MAPIFreeBuffer")));
      if (freeFn) freeFn(message_);
    }
  }
  MapiMessage* get() const { return message_; }
  MapiMessage* release() { return std::exchange(message_, nullptr); }

  template <typename T>
  T* More(size_t count = 1) {
    LPVOID p = nullptr;
    if (more_(static_cast<ULONG>(sizeof(T) * count), message_, &p) != S_OK || !p) return nullptr;
    ZeroMemory(p, sizeof(T) * count);
    return static_cast<T*>(p);
  }
  char* String(const std::string& s) {
    char* p = More<char>(s.size() + 1);
    if (p) CopyMemory(p, s.c_str(), s.size() + 1);
    return p;
  }

 private:
  AllocateFn allocate_ = nullptr;
  MoreFn more_ = nullptr;
  MapiMessage* message_ = nullptr;
};

std::string WithCrLf(std::string_view s) {
  std::string out;
  out.reserve(s.size() + s.size() / 32);
  for (char c : s) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// "YYYY/MM/DD HH:MM" in local time from the delivery time of the name.
std::string ReceivedDate(const DeliveryKey& key) {
  if (key.seconds == UINT64_MAX) return {};
  ULARGE_INTEGER t;
  t.QuadPart = (key.seconds + 11644473600ULL) * 10000000ULL;
  FILETIME utc{t.LowPart, t.HighPart}, local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  char buf[32];
  wsprintfA(buf, "%04u/%02u/%02u %02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
  return buf;
}

std::string TempFolder() {
  char buf[MAX_PATH];
  DWORD n = GetTempPathA(sizeof buf, buf);
  std::string p(buf, n > 0 && n < sizeof buf ? n : 0);
  if (!p.empty() && p.back() == '\\') p.pop_back();
  return p;
}

// A name no other delivery uses: time, microseconds, process and a counter.
std::string UniqueName() {
  static unsigned counter = 0;
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
  unsigned long long micro = t.QuadPart / 10 - 11644473600ULL * 1000000ULL;
  char host[256] = "localhost";
  DWORD size = sizeof host;
  GetComputerNameExA(ComputerNameDnsHostname, host, &size);
  return std::to_string(micro / 1000000) + ".M" + std::to_string(micro % 1000000) + "P" +
         std::to_string(GetCurrentProcessId()) + "Q" + std::to_string(++counter) + "." + host;
}

// Delivers a copy into a Maildir folder as a seen message, through tmp/.
void DeliverCopy(const std::string& folder, const std::string& text) {
  const std::string name = UniqueName();
  const std::string tmp = folder + "\\tmp\\" + name;
  if (!pgp26::WriteWholeFile(tmp, text) || !MoveFileA(tmp.c_str(), (folder + "\\cur\\" + name + ":2,S").c_str()))
    DeleteFileA(tmp.c_str());
}

std::string FromAddress() {
  if (std::string email = Env("EMAIL"); !email.empty()) return email;
  std::string user = Env("USER");
  if (user.empty()) user = Env("USERNAME");
  char host[256] = "localhost";
  DWORD size = sizeof host;
  GetComputerNameExA(ComputerNameDnsHostname, host, &size);
  return user + "@" + host;
}

std::string DateNow() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
  long long secs = static_cast<long long>(t.QuadPart / 10000000ULL) - 11644473600LL;
  TIME_ZONE_INFORMATION tz;
  DWORD mode = GetTimeZoneInformation(&tz);
  LONG bias = tz.Bias + (mode == TIME_ZONE_ID_DAYLIGHT ? tz.DaylightBias : 0);
  return FormatRfc5322Date(secs, -static_cast<int>(bias));
}

std::string AnsiCharsetName() {
  UINT cp = GetACP();
  if (cp >= 1250 && cp <= 1258) return "windows-" + std::to_string(cp);
  if (cp == CP_UTF8) return "UTF-8";
  return {};
}

enum class SendOutcome { Sent, Failed };

// Hands the message to the send command: the message travels in a file the
// shell redirects to its input; nothing typed is on the command line.
SendOutcome RunSendCommand(const std::string& message, std::string& error) {
  pgp26::WorkFolder w(TempFolder());
  if (!w.ok()) {
    error = "Cannot create a work folder in the temporary folder.";
    return SendOutcome::Failed;
  }
  const std::string work = pgp26::UnixPath(w.path());
  if (work.empty() || !pgp26::WriteWholeFile(w.File("message"), message)) {
    error = "Cannot write the message to the temporary folder.";
    return SendOutcome::Failed;
  }
  const std::string q = pgp26::ShQuote(work + "/");
  std::string s;
  s += "exec </dev/null >/dev/null 2>&1\n";
  s += "PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin; export PATH\n";
  // A subshell, so that an "exit" in the command still leaves the status.
  s += "cd / && (\n" + SendCommand() + "\n) <" + q + "message >" + q + "out 2>" + q + "err\n";
  s += "echo $? >" + q + "rc.tmp\n";
  s += "mv -f " + q + "rc.tmp " + q + "rc\n";
  if (!pgp26::RunShellScript(w.path(), s, kSendTimeoutMs)) {
    error = "The send command could not be run or did not end.";
    return SendOutcome::Failed;
  }
  int rc = std::atoi(pgp26::ReadWholeFile(w.File("rc")).value_or("1").c_str());
  if (rc != 0) {
    std::string err = pgp26::ReadWholeFile(w.File("err")).value_or("");
    if (err.size() > 600) err.resize(600);
    error = "The send command \"" + SendCommand() + "\" failed with exit code " + std::to_string(rc) + ".\r\n\r\n" +
            WithCrLf(Utf8ToAnsi(err));
    return SendOutcome::Failed;
  }
  return SendOutcome::Sent;
}

std::string DialogText(HWND dlg, int id) {
  HWND c = GetDlgItem(dlg, id);
  int n = GetWindowTextLengthA(c);
  std::string s(n + 1, '\0');
  s.resize(GetWindowTextA(c, s.data(), n + 1));
  return s;
}

struct Compose {
  std::vector<Attachment> attachments;
  std::string root;
  std::string error;  // of a failed send command
  bool failed = false;
};

std::string WithoutCr(std::string s) {
  std::erase(s, '\r');
  return s;
}

// Send: a refused message keeps the dialog open with the reason shown; a
// failed send command ends it.
bool SendFromDialog(HWND dlg, Compose& c) {
  OutgoingMessage m;
  m.from = AnsiToUtf8(FromAddress());
  m.to = AnsiToUtf8(DialogText(dlg, IDC_TO));
  m.cc = AnsiToUtf8(DialogText(dlg, IDC_CC));
  m.subject = AnsiToUtf8(DialogText(dlg, IDC_SUBJECT));
  m.note = WithoutCr(AnsiToUtf8(DialogText(dlg, IDC_NOTE)));
  m.attachments = c.attachments;
  m.date = DateNow();
  std::string unique = UniqueName();
  m.messageId = unique.substr(0, unique.find('.', unique.find('.') + 1)) + "@" + m.from.substr(m.from.find('@') + 1);
  m.boundary = "=_" + unique;
  BuiltMessage b = BuildMessage(m);
  if (!b.error.empty()) {
    MessageBoxA(dlg, Utf8ToAnsi(b.error).c_str(), kTitle, MB_OK | MB_ICONERROR);
    return false;
  }
  if (RunSendCommand(b.text, c.error) == SendOutcome::Failed) {
    c.failed = true;
    MessageBoxA(dlg, c.error.c_str(), kTitle, MB_OK | MB_ICONERROR);
    return true;
  }
  if (IsMaildir(c.root + "\\.Sent")) DeliverCopy(c.root + "\\.Sent", b.text);
  return true;
}

INT_PTR CALLBACK ComposeProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* c = reinterpret_cast<Compose*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dlg, DWLP_USER, lp);
      c = reinterpret_cast<Compose*>(lp);
      for (const Attachment& a : c->attachments)
        SendDlgItemMessageA(dlg, IDC_FILES, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(a.name.c_str()));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        try {
          if (SendFromDialog(dlg, *c)) EndDialog(dlg, IDOK);
        } catch (...) {
          c->failed = true;
          EndDialog(dlg, IDOK);
        }
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

struct LogonChoice {
  std::string looked;  // the folder looked for
  std::string chosen;
};

INT_PTR CALLBACK LogonProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* c = reinterpret_cast<LogonChoice*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dlg, DWLP_USER, lp);
      c = reinterpret_cast<LogonChoice*>(lp);
      std::string text = "No Maildir (a folder with cur, new and tmp) was found at\r\n" + c->looked +
                         "\r\n\r\nType the Maildir to read mail from:";
      SetDlgItemTextA(dlg, IDC_LOOKED, text.c_str());
      SetDlgItemTextA(dlg, IDC_FOLDER, c->looked.c_str());
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        std::string folder = DialogText(dlg, IDC_FOLDER);
        while (!folder.empty() && (folder.back() == '\\' || folder.back() == ' ')) folder.pop_back();
        if (!IsMaildir(folder)) {
          MessageBoxA(dlg, (folder + " is not a Maildir: it needs the folders cur, new and tmp.").c_str(), kTitle,
                      MB_OK | MB_ICONERROR);
          return TRUE;
        }
        c->chosen = folder;
        EndDialog(dlg, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

std::vector<std::string> Split(const char* list, char delimiter) {
  std::vector<std::string> out;
  if (!list || !*list) return out;
  std::string_view s(list);
  size_t pos = 0;
  while (pos <= s.size()) {
    size_t end = s.find(delimiter, pos);
    if (end == std::string_view::npos) end = s.size();
    if (end > pos) out.emplace_back(s.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

ULONG Logon(ULONG_PTR ui, FLAGS flags, LPLHANDLE session) {
  if (!session) return MAPI_E_FAILURE;
  std::string root = ConfiguredMaildir();
  if (!IsMaildir(root)) {
    if (!(flags & MAPI_LOGON_UI)) return MAPI_E_LOGIN_FAILURE;
    LogonChoice choice{root, {}};
    if (DialogBoxParamA(Module(), MAKEINTRESOURCEA(IDD_LOGON), reinterpret_cast<HWND>(ui), LogonProc,
                        reinterpret_cast<LPARAM>(&choice)) != IDOK)
      return MAPI_E_USER_ABORT;
    root = choice.chosen;
    StoreMaildir(root);
  }
  auto s = std::make_unique<Session>();
  s->root = root;
  Sessions().insert(s.get());
  *session = reinterpret_cast<LHANDLE>(s.release());
  return SUCCESS_SUCCESS;
}

ULONG FindNext(LHANDLE h, LPSTR seed, FLAGS flags, LPSTR out) {
  Session* s = SessionOf(h);
  if (!s) return MAPI_E_INVALID_SESSION;
  if (!out) return MAPI_E_FAILURE;
  if (!seed || !*seed || s->listing.empty()) s->listing = ListMessages(s->root, flags & MAPI_UNREAD_ONLY);
  auto it = s->listing.begin();
  if (seed && *seed)
    it = std::upper_bound(s->listing.begin(), s->listing.end(), KeyOf(seed),
                          [](const DeliveryKey& k, const Entry& e) { return k < e.key; });
  if (it == s->listing.end()) return MAPI_E_NO_MESSAGES;
  CopyMemory(out, it->name.base.c_str(), it->name.base.size() + 1);
  return SUCCESS_SUCCESS;
}

ULONG ReadMail(LHANDLE h, LPSTR id, FLAGS flags, lpMapiMessage* result) {
  Session* s = SessionOf(h);
  if (!s) return MAPI_E_INVALID_SESSION;
  if (!result || !id) return MAPI_E_FAILURE;
  std::optional<Entry> e = s->Find(id);
  if (!e) return MAPI_E_INVALID_MESSAGE;
  pgp26::Handle f(CreateFileA(e->path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return MAPI_E_INVALID_MESSAGE;
  DWORD size = GetFileSize(f.get(), nullptr);
  std::string raw(std::min(size, kMaxMessageBytes), '\0');
  DWORD got = 0;
  if (!raw.empty() && !ReadFile(f.get(), raw.data(), static_cast<DWORD>(raw.size()), &got, nullptr))
    return MAPI_E_FAILURE;
  raw.resize(got);
  f = pgp26::Handle();

  ParsedMessage m = ParseMessage(raw, DecodeCharset);
  const bool envelopeOnly = flags & MAPI_ENVELOPE_ONLY;
  std::string note = envelopeOnly ? std::string() : WithCrLf(Utf8ToAnsi(m.text));
  Record r;
  MapiMessage* msg = r.get();
  if (!msg) return MAPI_E_INSUFFICIENT_MEMORY;
  auto* from = r.More<MapiRecipDesc>();
  if (!from) return MAPI_E_INSUFFICIENT_MEMORY;
  from->ulRecipClass = MAPI_ORIG;
  from->lpszName = r.String(Utf8ToAnsi(m.fromName));
  from->lpszAddress = r.String("SMTP:" + Utf8ToAnsi(m.fromAddress));
  msg->lpOriginator = from;
  msg->lpszSubject = r.String(Utf8ToAnsi(m.subject));
  msg->lpszDateReceived = r.String(ReceivedDate(e->key));
  msg->flFlags = HasFlag(e->name.flags, 'S') ? 0 : MAPI_UNREAD;
  std::string bodyFile;
  if (flags & MAPI_BODY_AS_FILE && !envelopeOnly) {
    char path[MAX_PATH];
    if (!GetTempFileNameA((TempFolder() + "\\").c_str(), "MAP", 0, path)) return MAPI_E_ATTACHMENT_WRITE_FAILURE;
    bodyFile = path;
    auto* file = r.More<MapiFileDesc>();
    if (!pgp26::WriteWholeFile(bodyFile, note) || !file) {
      DeleteFileA(bodyFile.c_str());
      return file ? MAPI_E_ATTACHMENT_WRITE_FAILURE : MAPI_E_INSUFFICIENT_MEMORY;
    }
    file->nPosition = static_cast<ULONG>(-1);
    file->lpszPathName = r.String(bodyFile);
    msg->nFileCount = 1;
    msg->lpFiles = file;
    msg->lpszNoteText = r.String("");
  } else {
    msg->lpszNoteText = r.String(note);
  }
  if (!msg->lpszNoteText || !msg->lpszSubject || !from->lpszName || !from->lpszAddress ||
      (!bodyFile.empty() && !msg->lpFiles->lpszPathName)) {
    if (!bodyFile.empty()) DeleteFileA(bodyFile.c_str());
    return MAPI_E_INSUFFICIENT_MEMORY;
  }
  // Read without peeking: seen, as mail readers mark it.
  if (!(flags & MAPI_PEEK) && !HasFlag(e->name.flags, 'S')) {
    FileName seen{e->name.base, AddFlag(e->name.flags, 'S')};
    MoveFileA(e->path.c_str(), (s->root + "\\cur\\" + CurName(seen)).c_str());
  }
  *result = r.release();
  return SUCCESS_SUCCESS;
}

ULONG DeleteMail(LHANDLE h, LPSTR id) {
  Session* s = SessionOf(h);
  if (!s) return MAPI_E_INVALID_SESSION;
  std::optional<Entry> e = s->Find(id ? id : "");
  if (!e) return MAPI_E_INVALID_MESSAGE;
  // Never gone for good: into the Trash folder, else flagged trashed.
  const std::string trash = s->root + "\\.Trash";
  std::string target = IsMaildir(trash) ? trash + "\\cur\\" + CurName(e->name)
                                        : s->root + "\\cur\\" + CurName({e->name.base, AddFlag(e->name.flags, 'T')});
  return MoveFileA(e->path.c_str(), target.c_str()) ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
}

ULONG SendDocuments(ULONG_PTR ui, LPSTR delimiter, LPSTR paths, LPSTR names) {
  char d = delimiter && *delimiter ? *delimiter : ';';
  std::vector<std::string> files = Split(paths, d), titles = Split(names, d);
  Compose c;
  c.root = ConfiguredMaildir();
  for (size_t i = 0; i < files.size(); ++i) {
    std::optional<std::string> content = pgp26::ReadWholeFile(files[i]);
    if (!content) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
    std::string name = i < titles.size() ? titles[i] : files[i].substr(files[i].find_last_of("\\/") + 1);
    c.attachments.push_back({AnsiToUtf8(name), std::move(*content), AnsiCharsetName()});
  }
  INT_PTR r = DialogBoxParamA(Module(), MAKEINTRESOURCEA(IDD_COMPOSE), reinterpret_cast<HWND>(ui), ComposeProc,
                              reinterpret_cast<LPARAM>(&c));
  if (r != IDOK) return r == -1 ? MAPI_E_FAILURE : MAPI_E_USER_ABORT;
  return c.failed ? MAPI_E_FAILURE : SUCCESS_SUCCESS;
}

// No exception may cross into the caller.
template <typename F>
ULONG Guard(F&& f) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    return MAPI_E_INSUFFICIENT_MEMORY;
  } catch (...) {
    return MAPI_E_FAILURE;
  }
}

}  // namespace
}  // namespace maildir

extern "C" {

ULONG WINAPI MAPILogon(ULONG_PTR ui, LPSTR, LPSTR, FLAGS flags, ULONG, LPLHANDLE session) {
  return maildir::Guard([&] { return maildir::Logon(ui, flags, session); });
}

ULONG WINAPI MAPILogoff(LHANDLE h, ULONG_PTR, FLAGS, ULONG) {
  maildir::Session* s = maildir::SessionOf(h);
  if (!s) return MAPI_E_INVALID_SESSION;
  maildir::Sessions().erase(s);
  delete s;
  return SUCCESS_SUCCESS;
}

ULONG WINAPI MAPIFindNext(LHANDLE h, ULONG_PTR, LPSTR, LPSTR seed, FLAGS flags, ULONG, LPSTR id) {
  return maildir::Guard([&] { return maildir::FindNext(h, seed, flags, id); });
}

ULONG WINAPI MAPIReadMail(LHANDLE h, ULONG_PTR, LPSTR id, FLAGS flags, ULONG, lpMapiMessage* message) {
  return maildir::Guard([&] { return maildir::ReadMail(h, id, flags, message); });
}

ULONG WINAPI MAPIDeleteMail(LHANDLE h, ULONG_PTR, LPSTR id, FLAGS, ULONG) {
  return maildir::Guard([&] { return maildir::DeleteMail(h, id); });
}

ULONG WINAPI MAPISendDocuments(ULONG_PTR ui, LPSTR delimiter, LPSTR paths, LPSTR names, ULONG) {
  return maildir::Guard([&] { return maildir::SendDocuments(ui, delimiter, paths, names); });
}

}  // extern "C"
