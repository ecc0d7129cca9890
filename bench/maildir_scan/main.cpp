// Usage: bench_maildir_scan <message file> [count]
// Fills a Maildir in the temporary folder with `count` copies of the message
// (every other one in cur/ as seen), registers sealmapi.dll beside this
// program as the default mail client, and times the scan: MAPIFindNext,
// MAPIReadMail with MAPI_PEEK | MAPI_SUPPRESS_ATTACH, the "BEGIN PGP MESSAGE"
// test and MAPIFreeBuffer for each message, as the program's scan does.
#include <windows.h>
// windows.h first: the mail header needs its types.
#include <mapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void SetValue(HKEY root, const char* key, const char* name, const std::string& value) {
  HKEY k;
  if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS) return;
  RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), value.size() + 1);
  RegCloseKey(k);
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return double(b.QuadPart - a.QuadPart) / f.QuadPart;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_maildir_scan <message file> [count]\n");
    return 2;
  }
  const int count = argc > 2 ? std::atoi(argv[2]) : 10000;
  char temp[MAX_PATH], exe[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string bin(exe);
  bin.resize(bin.find_last_of('\\') + 1);
  const std::string box = std::string(temp) + "bench-maildir-" + std::to_string(GetCurrentProcessId());
  for (const char* d : {"", "\\cur", "\\new", "\\tmp"}) CreateDirectoryA((box + d).c_str(), nullptr);

  LARGE_INTEGER t0, t1, t2;
  QueryPerformanceCounter(&t0);
  for (int i = 0; i < count; ++i) {
    std::string name = std::to_string(1700000000 + i) + ".M" + std::to_string(i) + "P1.bench";
    std::string path = box + (i % 2 ? "\\cur\\" + name + ":2,S" : "\\new\\" + name);
    if (!CopyFileA(argv[1], path.c_str(), FALSE)) {
      std::fprintf(stderr, "cannot copy %s\n", argv[1]);
      return 1;
    }
  }
  QueryPerformanceCounter(&t1);
  std::printf("filled %d messages in %.2f s\n", count, Seconds(t0, t1));

  SetValue(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", nullptr, "Sealwright Maildir");
  SetValue(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail\\Sealwright Maildir", "DLLPath", bin + "sealmapi.dll");
  SetValue(HKEY_CURRENT_USER, "Software\\Sealwright Maildir", "Maildir", box);
  HMODULE mapi = LoadLibraryA("mapi32.dll");
  auto logon = reinterpret_cast<LPMAPILOGON>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPILogon")));
  auto findNext = reinterpret_cast<LPMAPIFINDNEXT>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPIFindNext")));
  auto readMail = reinterpret_cast<LPMAPIREADMAIL>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPIReadMail")));
  auto freeBuffer = reinterpret_cast<LPMAPIFREEBUFFER>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPIFreeBuffer")));
  auto logoff = reinterpret_cast<LPMAPILOGOFF>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPILogoff")));
  LHANDLE session = 0;
  if (!logon || logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &session) != SUCCESS_SUCCESS) {
    std::fprintf(stderr, "logon failed\n");
    return 1;
  }
  static char seed[4096], found[4096];
  int listed = 0, read = 0;
  QueryPerformanceCounter(&t1);
  while (findNext(session, 0, seed, seed, 0, 0, found) == SUCCESS_SUCCESS) {
    std::strcpy(seed, found);
    lpMapiMessage m = nullptr;
    if (readMail(session, 0, seed, MAPI_PEEK | MAPI_SUPPRESS_ATTACH, 0, &m) == SUCCESS_SUCCESS) {
      ++read;
      if (m->lpszNoteText && std::strstr(m->lpszNoteText, "BEGIN PGP MESSAGE")) ++listed;
      freeBuffer(m);
    }
  }
  QueryPerformanceCounter(&t2);
  logoff(session, 0, 0, 0);
  std::printf("scanned %d messages (%d read, %d PGP) in %.2f s: %.2f ms per message\n", count, read, listed,
              Seconds(t1, t2), 1000 * Seconds(t1, t2) / (count ? count : 1));
  for (const char* d : {"\\cur\\", "\\new\\", "\\tmp\\"}) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((box + d + "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((box + d + fd.cFileName).c_str());
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    RemoveDirectoryA((box + d).c_str());
  }
  RemoveDirectoryA(box.c_str());
  return 0;
}
