// Usage: bench_maildir_scan [count] [rounds]
// The mailbox scan over a Maildir of `count` made-up messages (default
// 10,000, every tenth a PGP/MIME one, every other one in cur/ as seen), with
// sealmapi.dll beside this program registered as the default mail client.
// Rounds alternate three ways of going through the same files:
//   floor:  the files listed and read raw (FindFirstFile, CreateFile, ReadFile);
//   calls:  the program's scan calls: MAPIFindNext, MAPIReadMail with
//           MAPI_PEEK | MAPI_SUPPRESS_ATTACH, the marker test, MAPIFreeBuffer;
//   window: sealwright95's start-up with "Read mailbox messages" on, from the
//           status window's appearance to the end of start-up (the scan, the
//           list filled and its first message loaded).
// It prints their medians and ratios to the floor, how long start-up goes on
// after Escape in the status window, and the time and memory of reading one
// 7.8 MB PGP message through the provider (in a process of its own, so that
// its peak is that read's) against reading its file raw.
#include <windows.h>
// windows.h first: the mail header needs its types.
#include <mapi.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Main.h"
#include "mail/session.h"
#include "settings/Settings.h"
#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"
#include "standins/bridge/workfolder.h"
#include "ui/window.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void SetValue(HKEY root, const char* key, const char* name, const std::string& value) {
  HKEY k;
  if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS) return;
  RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), value.size() + 1);
  RegCloseKey(k);
}

// A plain message as mail readers send it: encoded sender and subject,
// quoted-printable text.
std::string PlainMessage() {
  std::string m =
      "From: =?iso-8859-1?q?Ren=E9_Dupont?= <rene@example.org>\n"
      "To: you@example.org\nSubject: =?iso-8859-1?q?=C7a_co=FBte_tr=E8s_cher?=\n"
      "Date: Tue, 14 Nov 2023 22:13:20 +0000\nMessage-ID: <1@example.org>\nMIME-Version: 1.0\n"
      "Content-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: quoted-printable\n\n";
  for (int i = 0; i < 8; ++i) m += "Une ligne de texte ordinaire, caf=E9 cr=E8me, sans rien de chiffr=E9.\n";
  return m;
}

// Armour lines of made-up base64 from a fixed seed: `lines` lines of 64.
std::string Armour(int lines) {
  static constexpr char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string a = "-----BEGIN PGP MESSAGE-----\n\n";
  a.reserve(a.size() + lines * 65 + 64);
  unsigned x = 12345;
  for (int l = 0; l < lines; ++l) {
    for (int i = 0; i < 64; ++i) a += kB64[(x = x * 1103515245u + 12345u) >> 26];
    a += '\n';
  }
  return a + "=abcd\n-----END PGP MESSAGE-----\n";
}

// PGP/MIME as mail readers build it around gpg's output.
std::string PgpMimeMessage() {
  return "From: \"Doe, Jane\" <jane@example.org>\nTo: you@example.org\nSubject: PGP/MIME\n"
         "MIME-Version: 1.0\nContent-Type: multipart/encrypted; protocol=\"application/pgp-encrypted\"; "
         "boundary=\"b1\"\n\n--b1\nContent-Type: application/pgp-encrypted\n\nVersion: 1\n\n--b1\n"
         "Content-Type: application/octet-stream; name=\"encrypted.asc\"\n\n" +
         Armour(12) + "\n--b1--\n";
}

// An inline PGP message of 7.8 MB (120,000 armour lines).
std::string BigPgpMessage() {
  return "From: Big Sender <big@example.org>\nSubject: big\nContent-Type: text/plain\n\n" + Armour(120000);
}

// The floor: every file of new/ and cur/ listed, opened, read and looked into.
int ReadRaw(const std::string& box) {
  int listed = 0;
  for (const char* sub : {"\\new\\", "\\cur\\"}) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((box + sub + "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::optional<std::string> data = bridge::ReadWholeFile(box + sub + fd.cFileName);
      if (data && data->find("BEGIN PGP MESSAGE") != std::string::npos) ++listed;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  return listed;
}

// The program's scan calls.
int ScanCalls(const mail::MapiLibrary& mapi) {
  LHANDLE session = 0;
  if (mapi.logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &session) != SUCCESS_SUCCESS) return -1;
  static char seed[4096], found[4096];
  seed[0] = '\0';
  int listed = 0;
  while (mapi.findNext(session, 0, nullptr, seed, 0, 0, found) == SUCCESS_SUCCESS) {
    std::strcpy(seed, found);
    lpMapiMessage m = nullptr;
    if (mapi.readMail(session, 0, seed, MAPI_PEEK | MAPI_SUPPRESS_ATTACH, 0, &m) == SUCCESS_SUCCESS) {
      if (m->lpszNoteText && std::strstr(m->lpszNoteText, "BEGIN PGP MESSAGE")) ++listed;
      mapi.freeBuffer(m);
    }
  }
  mapi.logoff(session, 0, 0, 0);
  return listed;
}

// When the last status window of start-up appeared, and which it is: the
// mail step's one comes after the key listing's. Seen by the caption its
// panel is made with.
std::atomic<long long> statusShown{0};
std::atomic<HWND> statusWindow{nullptr};

LRESULT CALLBACK WatchCreation(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lp)->lpcs;
    const char* name = cs->lpszName;
    if (name && HIWORD(reinterpret_cast<ULONG_PTR>(name)) && std::strcmp(name, "Wating for PGP to complete ...") == 0) {
      statusShown = Clock::now().time_since_epoch().count();
      statusWindow = cs->hwndParent;
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

struct WindowRun {
  double scan = 0;         // status window to the end of start-up
  double afterEscape = 0;  // Escape to the end of start-up; 0 when not pressed
  int listed = 0;
};

// sealwright95's start-up over the Maildir. With `escapeAfter` > 0, Escape
// goes to the mail status window once that many entries are listed.
WindowRun StartUp(int escapeAfter) {
  WindowRun run;
  statusShown = 0;
  HHOOK hook = SetWindowsHookExA(WH_CBT, WatchCreation, nullptr, GetCurrentThreadId());
  TMainForm form;
  std::atomic<bool> done{false};
  std::atomic<long long> escaped{0};
  std::thread escaper;
  if (escapeAfter > 0) {
    escaper = std::thread([&] {
      // Polling is fine here: the figure is the time after the key. The
      // count is asked with a time limit: start-up may end meanwhile.
      while (!done) {
        HWND combo = form.ComboBox1.handle();
        DWORD_PTR listed = 0;
        if (combo && SendMessageTimeoutA(combo, CB_GETCOUNT, 0, 0, SMTO_NORMAL, 50, &listed) &&
            static_cast<int>(listed) >= escapeAfter) {
          escaped = Clock::now().time_since_epoch().count();
          PostMessageA(statusWindow, WM_KEYUP, VK_ESCAPE, 0);
          return;
        }
        Sleep(2);
      }
    });
  }
  form.FormCreate();
  const long long end = Clock::now().time_since_epoch().count();
  done = true;
  if (escaper.joinable()) escaper.join();
  UnhookWindowsHookEx(hook);
  run.listed = form.ComboBox1.count();
  run.scan = Seconds(Clock::duration(end - statusShown));
  if (escaped) run.afterEscape = Seconds(Clock::duration(end - escaped));
  PostMessageA(form.handle(), WM_CLOSE, 0, 0);
  ui::Application::Get().run();
  return run;
}

// The peak working set (under Wine the process's resident high-water mark).
double PeakMegabytes() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.PeakWorkingSetSize / (1024.0 * 1024.0);
}

// In a process of its own, so that the peak is this read's: reads the one
// message of the Maildir as the scan does (`show` false) or as the window
// shows it, and prints the figures against reading its file raw.
int BigMessage(const std::string& file, bool show) {
  mail::MapiLibrary mapi;
  if (!mapi.load()) return 1;
  LHANDLE session = 0;
  if (mapi.logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &session) != SUCCESS_SUCCESS) return 1;
  char id[4096];
  if (mapi.findNext(session, 0, nullptr, nullptr, 0, 0, id) != SUCCESS_SUCCESS) return 1;
  // The read first, while the peak is still the start's: its peak is then
  // the read's own.
  const FLAGS flags = show ? MAPI_BODY_AS_FILE | MAPI_SUPPRESS_ATTACH | MAPI_PEEK : MAPI_PEEK | MAPI_SUPPRESS_ATTACH;
  const double before = PeakMegabytes();
  lpMapiMessage m = nullptr;
  auto t2 = Clock::now();
  ULONG code = mapi.readMail(session, 0, id, flags, 0, &m);
  auto t3 = Clock::now();
  bool right = code == SUCCESS_SUCCESS;
  if (right && show) {
    right =
        m->nFileCount == 1 &&
        bridge::ReadWholeFile(m->lpFiles[0].lpszPathName).value_or("").find("BEGIN PGP MESSAGE") != std::string::npos;
    if (m->nFileCount) DeleteFileA(m->lpFiles[0].lpszPathName);
  } else if (right) {
    right = m->lpszNoteText && std::strstr(m->lpszNoteText, "BEGIN PGP MESSAGE");
  }
  if (code == SUCCESS_SUCCESS) mapi.freeBuffer(m);
  const double peak = PeakMegabytes() - before;
  auto t0 = Clock::now();
  const size_t size = bridge::ReadWholeFile(file).value_or("").size();
  auto t1 = Clock::now();
  mapi.logoff(session, 0, 0, 0);
  if (!show)
    std::printf("7.8 MB PGP message (%.1f MB): its file read raw in %.3f s\n", size / 1048576.0, Seconds(t1 - t0));
  std::printf("  %s  %.3f s, %4.1fx the raw read; peak +%5.1f MB, %.1fx its size%s\n",
              show ? "show read (body as file)" : "scan read (peek)        ", Seconds(t3 - t2),
              Seconds(t3 - t2) / Seconds(t1 - t0), peak, peak * 1048576.0 / size, right ? "" : "  WRONG");
  return right ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string bin = bridge::ModuleFolder() + "\\";
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  if (argc == 5 && std::strcmp(argv[1], "--big") == 0) {
    SetValue(HKEY_CURRENT_USER, "Software\\Sealwright Maildir", "Maildir", argv[2]);
    return BigMessage(argv[3], std::strcmp(argv[4], "show") == 0);
  }
  const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  ui::Application application("Sealwright 32", "sealwr32.hlp");

  bridge::WorkFolder work(temp, "bench-maildir");
  const std::string box = work.File("box"), big = work.File("big"), pgp = work.File("pgp");
  for (const std::string& root : {box, big})
    for (const char* d : {"", "\\cur", "\\new", "\\tmp"}) CreateDirectoryA((root + d).c_str(), nullptr);
  CreateDirectoryA(pgp.c_str(), nullptr);
  bridge::WriteWholeFile(work.File("plain.eml"), PlainMessage());
  bridge::WriteWholeFile(work.File("pgp.eml"), PgpMimeMessage());
  const std::string bigFile = big + "\\new\\1700000000.M1P1.big";
  bridge::WriteWholeFile(bigFile, BigPgpMessage());
  // Filled by the host: copying 10,000 files through Wine takes minutes.
  auto filled = bridge::RunShell(work.path(),
                                 "/usr/bin/python3 -c 'import shutil, sys\n"
                                 "for i in range(int(sys.argv[1])):\n"
                                 "  name = \"%d.M%dP1.bench\" % (1700000000 + i, i)\n"
                                 "  shutil.copyfile(\"pgp.eml\" if i % 10 == 0 else \"plain.eml\",\n"
                                 "                  \"box/cur/\" + name + \":2,S\" if i % 2 else \"box/new/\" + name)\n"
                                 "' " +
                                     std::to_string(count) + " && ls box/new box/cur | grep -c bench",
                                 600000);
  if (!filled || std::atoi(filled->out.c_str()) != count) {
    std::fprintf(stderr, "cannot fill the Maildir: %s\n", filled ? filled->err.c_str() : "sh did not run");
    return 1;
  }

  SetValue(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", nullptr, "Sealwright Maildir");
  SetValue(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail\\Sealwright Maildir", "DLLPath", bin + "sealmapi.dll");
  SetValue(HKEY_CURRENT_USER, "Software\\Sealwright Maildir", "Maildir", box);
  // mapi32 reads the registration when it is loaded.
  mail::MapiLibrary mapi;
  if (!mapi.load()) {
    std::fprintf(stderr, "mapi32 has no Simple MAPI\n");
    return 1;
  }
  // A PGP folder whose scripted PGP lists one key, so start-up asks nothing.
  CopyFileA((bin + "scriptpgp.exe").c_str(), (pgp + "\\PGP.EXE").c_str(), FALSE);
  bridge::WriteWholeFile(
      pgp + "\\listing.txt",
      "\r\nKey ring: '" + pgp +
          "\\pubring.pgp'\r\nType Bits/KeyID    Date       User ID\r\n"
          "pub  1024/10000000 1996/03/04 Bench User <bench@example.org>\r\n1 matching key found.\r\n");
  bridge::WriteWholeFile(pgp + "\\pubring.pgp", "");
  Settings = {.PgpPath = pgp, .Pause = false, .IdSign = "Bench User <bench@example.org>", .ReadMsgs = true};
  SaveSettings();
  Settings = TSettings{};

  const int pgpCount = (count + 9) / 10;
  std::vector<double> floor, calls, window;
  bool right = true;
  for (int round = 0; round < rounds; ++round) {
    auto t0 = Clock::now();
    right = ReadRaw(box) == pgpCount && right;
    auto t1 = Clock::now();
    right = ScanCalls(mapi) == pgpCount && right;
    auto t2 = Clock::now();
    WindowRun w = StartUp(0);
    right = w.listed == pgpCount && right;
    floor.push_back(Seconds(t1 - t0));
    calls.push_back(Seconds(t2 - t1));
    window.push_back(w.scan);
  }
  WindowRun escaped = StartUp(pgpCount / 3);
  RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);

  std::printf("%d messages (%d PGP), medians of %d alternating rounds:\n", count, pgpCount, rounds);
  const double f = Median(floor);
  std::printf("  floor, files read raw       %6.2f s\n", f);
  std::printf("  scan calls                  %6.2f s  %5.2fx the floor  (%.0f us per message)\n", Median(calls),
              Median(calls) / f, 1e6 * Median(calls) / count);
  std::printf("  scan through the window     %6.2f s  %5.2fx the floor  (goal under 2 s)\n", Median(window),
              Median(window) / f);
  std::printf("  spread: floor %.2f-%.2f s, calls %.2f-%.2f s, window %.2f-%.2f s\n",
              *std::min_element(floor.begin(), floor.end()), *std::max_element(floor.begin(), floor.end()),
              *std::min_element(calls.begin(), calls.end()), *std::max_element(calls.begin(), calls.end()),
              *std::min_element(window.begin(), window.end()), *std::max_element(window.begin(), window.end()));
  std::printf("  Escape with %d of %d listed: start-up over %.0f ms later, %d listed (goal within 100 ms)\n",
              pgpCount / 3, pgpCount, 1000 * escaped.afterEscape, escaped.listed);
  if (!right) std::printf("  WRONG: a way did not find the %d PGP messages\n", pgpCount);

  bool bigRight = true;
  for (const char* kind : {"peek", "show"}) {
    std::fflush(stdout);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = bridge::WinQuote(bin + "bench_maildir_scan.exe") + " --big " + bridge::WinQuote(big) + " " +
                      bridge::WinQuote(bigFile) + " " + kind;
    DWORD code = 1;
    if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      WaitForSingleObject(pi.hProcess, INFINITE);
      GetExitCodeProcess(pi.hProcess, &code);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
    bigRight = bigRight && code == 0;
  }
  for (const std::string& root : {box, big}) {
    for (const char* d : {"\\cur", "\\new", "\\tmp"}) bridge::RemoveFolder(root + d);
    RemoveDirectoryA(root.c_str());
  }
  bridge::RemoveFolder(pgp);
  return right && bigRight ? 0 : 1;
}
