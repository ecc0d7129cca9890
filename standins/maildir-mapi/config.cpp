#include "standins/maildir-mapi/config.h"

#include <windows.h>

#include "standins/bridge/codepage.h"
#include "standins/bridge/host.h"
#include "ui/handles.h"

namespace maildir {

namespace {

constexpr char kKey[] = "Software\\Sealwright Maildir";
constexpr char kDefaultSendmail[] = "/usr/sbin/sendmail -t -i";

std::string RegString(const char* value) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  ui::RegKey owned(key);
  char buf[4096];
  DWORD size = sizeof buf - 1, type = 0;
  if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  buf[size] = '\0';
  return buf;
}

// Through the W call: the A one cuts a value that is not ASCII in a UTF-8
// code page ($EMAIL with a name in Cyrillic, a Maildir in a Greek folder).
std::string Env(const char* name) { return bridge::EnvironmentVariable(name).value_or(""); }

}  // namespace

std::string ConfiguredMaildir() {
  if (std::string stored = RegString("Maildir"); !stored.empty()) return stored;
  if (std::string env = Env("MAILDIR"); !env.empty()) return bridge::DosPath(env);
  std::string home = Env("WINEHOMEDIR");  // "\??\Z:\home\user" under Wine
  if (home.starts_with("\\??\\")) home.erase(0, 4);
  if (home.empty()) home = Env("USERPROFILE");
  return home + "\\Maildir";
}

void StoreMaildir(const std::string& path) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  ui::RegKey owned(key);
  RegSetValueExA(key, "Maildir", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                 static_cast<DWORD>(path.size() + 1));
}

std::string SendCommand() {
  std::string c = RegString("Sendmail");
  return c.empty() ? kDefaultSendmail : c;
}

std::string FromAddress() {
  if (std::string email = Env("EMAIL"); !email.empty()) return email;
  std::string user = Env("USER");
  if (user.empty()) user = Env("USERNAME");
  return user + "@" + HostName();
}

std::string HostName() {
  char host[256] = "localhost";
  DWORD size = sizeof host;
  GetComputerNameExA(ComputerNameDnsHostname, host, &size);
  return host;
}

std::string TempFolder() {
  char buf[MAX_PATH];
  DWORD n = GetTempPathA(sizeof buf, buf);
  std::string p(buf, n > 0 && n < sizeof buf ? n : 0);
  if (!p.empty() && p.back() == '\\') p.pop_back();
  return p;
}

}  // namespace maildir
