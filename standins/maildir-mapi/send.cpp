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
// shell redirects to its input; nothing typed is on the command line. A typo
// in the setting (an unbalanced quote) ends it with a status like any failure.
SendResult RunSendCommand(const std::string& message) {
  using Outcome = SendResult::Outcome;
  bridge::WorkFolder w(TempFolder(), "run");
  // Private before the message is written, and wiped afterwards.
  if (!w.ok() || !w.MakeHostPrivate())
    return {Outcome::Failed, "Cannot create a private work folder in the temporary folder."};
  w.WipeAtEnd();
  const std::string work = bridge::UnixPath(w.path());
  if (work.empty() || !bridge::WriteWholeFile(w.File("message"), message))
    return {Outcome::Failed, "Cannot write the message to the temporary folder."};
  const std::string commands = "PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin; export PATH\ncd / && (\n" +
                               SendCommand() + "\n) <" + bridge::ShQuote(work + "/message");
  std::optional<bridge::ShellOutcome> r = bridge::RunShell(w.path(), commands, kSendTimeoutMs);
  // sh makes its error file as it starts: without it sh never ran.
  if (!r && !bridge::FileExists(w.File("err"))) return {Outcome::Failed, "The send command could not be run."};
  if (!r)
    return {Outcome::Unknown, "The send command \"" + SendCommand() + "\" did not end within " +
                                  std::to_string(kSendTimeoutMs / 60000) +
                                  " minutes. It may still deliver the message: look in your sent mail before you "
                                  "send it again."};
  if (r->status != 0) {
    std::string err = r->err;
    if (err.size() > 600) err.resize(600);
    return {Outcome::Failed, "The send command \"" + SendCommand() + "\" failed with exit code " +
                                 std::to_string(r->status) + ".\r\n\r\n" + CallerText(err)};
  }
  return {Outcome::Sent, {}};
}

}  // namespace

SendResult SendMessage(OutgoingMessage m, const std::string& root) {
  m.from = bridge::AnsiToUtf8(FromAddress());
  m.date = DateNow();
  std::string unique = UniqueName();
  // The domain of the sender's address ("Name <a@b>" gives b), else this host.
  std::string_view address = AddressOf(m.from);
  size_t at = address.rfind('@');
  const std::string domain = at == std::string_view::npos || at + 1 == address.size()
                                 ? bridge::AnsiToUtf8(HostName())
                                 : std::string(address.substr(at + 1));
  m.messageId = unique.substr(0, unique.find('.', unique.find('.') + 1)) + "@" + domain;
  m.boundary = "=_" + unique;
  BuiltMessage b = BuildMessage(m);
  if (!b.error.empty()) return {SendResult::Outcome::Refused, bridge::Utf8ToAnsi(b.error)};
  SendResult r = RunSendCommand(b.text);
  if (r.outcome == SendResult::Outcome::Sent && IsMaildir(root + "\\.Sent")) DeliverCopy(root + "\\.Sent", b.text);
  return r;
}

}  // namespace maildir
