// Simple MAPI over the user's Maildir, sending through the host's sendmail
// interface: the exports. Loaded by mapi32 as the default mail client;
// records it returns come from mapi32's own allocator, so mapi32's
// MAPIFreeBuffer frees them.
#include <windows.h>
// windows.h first: the mail header needs its types.
#include <mapi.h>

#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "standins/bridge/codepage.h"
#include "standins/bridge/files.h"
#include "standins/maildir-mapi/codepages.h"
#include "standins/maildir-mapi/config.h"
#include "standins/maildir-mapi/dialogs.h"
#include "standins/maildir-mapi/listing.h"
#include "standins/maildir-mapi/mime.h"
#include "standins/maildir-mapi/record.h"
#include "standins/maildir-mapi/session.h"

namespace maildir {
namespace {

// A larger file is read up to this size: enough for any text a reader shows.
constexpr size_t kMaxMessageBytes = 64 << 20;

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
    std::optional<std::string> chosen = AskForMaildir(reinterpret_cast<HWND>(ui), root);
    if (!chosen) return MAPI_E_USER_ABORT;
    root = *chosen;
    StoreMaildir(root);
  }
  *session = OpenSession(root);
  return SUCCESS_SUCCESS;
}

ULONG FindNext(LHANDLE h, LPSTR seed, FLAGS flags, LPSTR out) {
  Session* s = SessionOf(h);
  if (!s) return MAPI_E_INVALID_SESSION;
  if (!out) return MAPI_E_FAILURE;
  if (!seed || !*seed || s->listing.empty()) s->Rescan(flags & MAPI_UNREAD_ONLY);
  auto it = s->listing.begin();
  if (seed && *seed)
    it = std::upper_bound(s->listing.begin(), s->listing.end(), KeyOf(seed),
                          [](const DeliveryKey& k, const Entry& e) { return k < e.key; });
  if (it == s->listing.end()) return MAPI_E_NO_MESSAGES;
  CopyMemory(out, it->name.base.c_str(), it->name.base.size() + 1);
  return SUCCESS_SUCCESS;
}

// The message's file read, or nothing when it cannot be. A file gone since
// the listing (another reader moved it) is looked for once in a fresh one.
std::optional<std::string> ReadMessage(Session& s, std::optional<Entry>& e, const std::string& id) {
  if (std::optional<std::string> raw = s.Read(*e, kMaxMessageBytes)) return raw;
  if (!(e = s.Find(id, true))) return std::nullopt;
  return s.Read(*e, kMaxMessageBytes);
}

ULONG ReadMail(LHANDLE h, LPSTR id, FLAGS flags, lpMapiMessage* result) {
  Session* s = SessionOf(h);
  if (!s) return MAPI_E_INVALID_SESSION;
  if (!result || !id) return MAPI_E_FAILURE;
  std::optional<Entry> e = s->Find(id);
  if (!e) return MAPI_E_INVALID_MESSAGE;
  ParsedMessage m;
  {
    std::optional<std::string> raw = ReadMessage(*s, e, id);
    if (!raw) return MAPI_E_INVALID_MESSAGE;
    m = ParseMessage(*raw, DecodeCharset);
  }  // the raw message goes before the note is made: one copy less at the peak
  const bool envelopeOnly = flags & MAPI_ENVELOPE_ONLY;
  std::string note = envelopeOnly ? std::string() : CallerText(std::move(m.text));
  Record r;
  MapiMessage* msg = r.get();
  if (!msg) return MAPI_E_INSUFFICIENT_MEMORY;
  auto* from = r.More<MapiRecipDesc>();
  if (!from) return MAPI_E_INSUFFICIENT_MEMORY;
  from->ulRecipClass = MAPI_ORIG;
  from->lpszName = r.String(bridge::Utf8ToAnsi(m.fromName));
  from->lpszAddress = r.String("SMTP:" + bridge::Utf8ToAnsi(m.fromAddress));
  msg->lpOriginator = from;
  msg->lpszSubject = r.String(bridge::Utf8ToAnsi(m.subject));
  msg->lpszDateReceived = r.String(ReceivedDate(e->key));
  msg->flFlags = HasFlag(e->name.flags, 'S') ? 0 : MAPI_UNREAD;
  std::string bodyFile;
  if (flags & MAPI_BODY_AS_FILE && !envelopeOnly) {
    // In the session's private folder: the message may be private mail.
    const std::string folder = s->PrivateFolder();
    char path[MAX_PATH];
    if (folder.empty() || !GetTempFileNameA(folder.c_str(), "MAP", 0, path)) return MAPI_E_ATTACHMENT_WRITE_FAILURE;
    bodyFile = path;
    auto* file = r.More<MapiFileDesc>();
    if (!bridge::WriteWholeFile(bodyFile, note) || !file) {
      bridge::WipeFile(bodyFile);
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
    if (!bodyFile.empty()) bridge::WipeFile(bodyFile);
    return MAPI_E_INSUFFICIENT_MEMORY;
  }
  // Read without peeking: seen, as mail readers mark it.
  if (!(flags & MAPI_PEEK) && !HasFlag(e->name.flags, 'S')) {
    Entry seen{e->key,
               s->root + "\\cur\\" + CurName({e->name.base, AddFlag(e->name.flags, 'S')}),
               {e->name.base, AddFlag(e->name.flags, 'S')}};
    if (MoveFileA(e->path.c_str(), seen.path.c_str())) s->Moved(seen);
  }
  *result = r.release();
  return SUCCESS_SUCCESS;
}

ULONG DeleteMail(LHANDLE h, LPSTR id) {
  Session* s = SessionOf(h);
  if (!s) return MAPI_E_INVALID_SESSION;
  const std::string name = id ? id : "";
  std::optional<Entry> e = s->Find(name);
  if (!e) return MAPI_E_INVALID_MESSAGE;
  // Never gone for good: into the Trash folder, else flagged trashed.
  const std::string trash = s->root + "\\.Trash";
  auto target = [&] {
    return IsMaildir(trash) ? trash + "\\cur\\" + CurName(e->name)
                            : s->root + "\\cur\\" + CurName({e->name.base, AddFlag(e->name.flags, 'T')});
  };
  bool moved = MoveFileA(e->path.c_str(), target().c_str());
  // Moved by another reader since the listing: once more from a fresh one.
  if (!moved && (e = s->Find(name, true))) moved = MoveFileA(e->path.c_str(), target().c_str());
  if (!moved) return e ? MAPI_E_FAILURE : MAPI_E_INVALID_MESSAGE;
  s->Removed(name);
  return SUCCESS_SUCCESS;
}

ULONG SendDocuments(ULONG_PTR ui, LPSTR delimiter, LPSTR paths, LPSTR names) {
  char d = delimiter && *delimiter ? *delimiter : ';';
  std::vector<std::string> files = Split(paths, d), titles = Split(names, d);
  std::vector<Attachment> attachments;
  for (size_t i = 0; i < files.size(); ++i) {
    std::optional<std::string> content = bridge::ReadWholeFile(files[i]);
    if (!content) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
    std::string name = i < titles.size() ? titles[i] : files[i].substr(files[i].find_last_of("\\/") + 1);
    attachments.push_back({bridge::AnsiToUtf8(name), std::move(*content), AnsiCharsetName()});
  }
  ComposeOutcome c = ComposeAndSend(reinterpret_cast<HWND>(ui), std::move(attachments), ConfiguredMaildir());
  if (c.result == IDOK) return SUCCESS_SUCCESS;
  return c.result == -1 || c.failed ? MAPI_E_FAILURE : MAPI_E_USER_ABORT;
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
  return maildir::CloseSession(h) ? SUCCESS_SUCCESS : MAPI_E_INVALID_SESSION;
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
