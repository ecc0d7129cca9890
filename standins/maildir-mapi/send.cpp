#include "standins/maildir-mapi/send.h"

#include <windows.h>

#include <cstdlib>

#include "standins/bridge/codepage.h"
#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"
#include "standins/bridge/workfolder.h"
#include "standins/maildir-mapi/codepages.h"
#include "standins/maildir-mapi/config.h"
#include "standins/maildir-mapi/listing.h"

namespace maildir {

namespace {

constexpr DWORD kSendTimeoutMs = 5 * 60 * 1000;

// A name no other delivery uses: time, microseconds, process and a counter.
std::string UniqueName() {
  static unsigned counter = 0;
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
  unsigned long long micro = t.QuadPart / 10 - 11644473600ULL * 1000000ULL;
  return std::to_string(micro / 1000000) + ".M" + std::to_string(micro % 1000000) + "P" +
         std::to_string(GetCurrentProcessId()) + "Q" + std::to_string(++counter) + "." + HostName();
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

// Delivers a copy into a Maildir folder as a seen message, through tmp/.
void DeliverCopy(const std::string& folder, const std::string& text) {
  const std::string name = UniqueName();
  const std::string tmp = folder + "\\tmp\\" + name;
  if (!bridge::WriteWholeFile(tmp, text) || !MoveFileA(tmp.c_str(), (folder + "\\cur\\" + name + ":2,S").c_str()))
    DeleteFileA(tmp.c_str());
}

// Hands the message to the send command: the message travels in a file the
// shell redirects to its input; nothing typed is on the command line.
bool RunSendCommand(const std::string& message, std::string& error) {
  bridge::WorkFolder w(TempFolder(), "run");
  if (!w.ok()) {
    error = "Cannot create a work folder in the temporary folder.";
    return false;
  }
  const std::string work = bridge::UnixPath(w.path());
  if (work.empty() || !bridge::WriteWholeFile(w.File("message"), message)) {
    error = "Cannot write the message to the temporary folder.";
    return false;
  }
  const std::string commands = "PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin; export PATH\ncd / && (\n" +
                               SendCommand() + "\n) <" + bridge::ShQuote(work + "/message");
  auto r = bridge::RunShell(w.path(), commands, kSendTimeoutMs);
  if (!r) {
    error = "The send command could not be run or did not end.";
    return false;
  }
  if (r->status != 0) {
    std::string err = r->err;
    if (err.size() > 600) err.resize(600);
    error = "The send command \"" + SendCommand() + "\" failed with exit code " + std::to_string(r->status) +
            ".\r\n\r\n" + CallerText(err);
    return false;
  }
  return true;
}

}  // namespace

SendResult SendMessage(OutgoingMessage m, const std::string& root) {
  m.from = bridge::AnsiToUtf8(FromAddress());
  m.date = DateNow();
  std::string unique = UniqueName();
  m.messageId = unique.substr(0, unique.find('.', unique.find('.') + 1)) + "@" + m.from.substr(m.from.find('@') + 1);
  m.boundary = "=_" + unique;
  BuiltMessage b = BuildMessage(m);
  if (!b.error.empty()) return {SendResult::Outcome::Refused, bridge::Utf8ToAnsi(b.error)};
  SendResult r;
  if (!RunSendCommand(b.text, r.error)) {
    r.outcome = SendResult::Outcome::Failed;
    return r;
  }
  if (IsMaildir(root + "\\.Sent")) DeliverCopy(root + "\\.Sent", b.text);
  return r;
}

}  // namespace maildir
