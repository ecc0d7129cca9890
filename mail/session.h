// The mail system through Simple MAPI: one owner for the library, one for
// the session (logs off when it ends) and one for every message record (freed with MAPIFreeBuffer
// once, however the caller's scope ends), and the reads, the mailbox scan,
// the delete and the send built on them.
#pragma once

#include <windows.h>
// <mapi.h> needs the Windows types first.
#include <mapi.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "files/workfiles.h"
#include "ui/handles.h"

namespace mail {

// Simple MAPI's entry points in MAPI32.DLL, loaded when the mail system is
// first needed, as Simple MAPI clients are meant to find it: Wine's takes
// about 30 ms to load, which start-up no longer waits for.
class MapiLibrary {
 public:
  // True when the library and every entry point were found.
  bool load();
  bool loaded() const { return logon && logoff && findNext && readMail && deleteMail && freeBuffer && sendDocuments; }
  LPMAPILOGON logon = nullptr;
  LPMAPILOGOFF logoff = nullptr;
  LPMAPIFINDNEXT findNext = nullptr;
  LPMAPIREADMAIL readMail = nullptr;
  LPMAPIDELETEMAIL deleteMail = nullptr;
  LPMAPIFREEBUFFER freeBuffer = nullptr;
  LPMAPISENDDOCUMENTS sendDocuments = nullptr;

 private:
  ui::Module module_;
};

struct FreeRecord {
  LPMAPIFREEBUFFER free = nullptr;
  void operator()(MapiMessage* record) const {
    if (free) free(record);
  }
};
// A message record that MAPIReadMail returned, freed by the library that made it.
using Record = std::unique_ptr<MapiMessage, FreeRecord>;

// Read flags: the scan peeks (the unread state stays) and the show-one read
// asks for the body as a file; neither fetches attachments.
constexpr FLAGS kScanRead = MAPI_PEEK | MAPI_SUPPRESS_ATTACH;
constexpr FLAGS kShowRead = MAPI_BODY_AS_FILE | MAPI_SUPPRESS_ATTACH;

class Session {
 public:
  // Loads the mail system's library; takes the profile name buffer (always empty).
  Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  // Logs off when a session is open.
  ~Session();

  bool open() const { return open_; }
  // MAPILogon with the logon dialog and a new session; true when it opened
  // one. False also when there is no mail system to load.
  bool Logon(HWND parent);
  // The identifier after `seed` ("" for the first) in `next`; false at the
  // end, on any failure, or for an identifier that does not fit its buffer.
  bool FindNext(HWND parent, const std::string& seed, std::string& next);
  // MAPIReadMail; on success `record` owns what it returned.
  ULONG ReadMail(HWND parent, const std::string& id, FLAGS flags, Record& record);
  ULONG DeleteMail(HWND parent, const std::string& id);

 private:
  MapiLibrary mapi_;
  LHANDLE handle_ = 0;
  bool open_ = false;
  TextBuffer profileName_;
};

// Walks the mailbox in find-next order. For each message whose body holds a
// PGP message, `found` gets its identifier and list entry; after each message
// `goOn` decides whether the walk continues. An identifier seen before ends
// the walk, so a mail system that keeps returning one cannot hang it.
void ScanPgpMessages(Session& session, HWND parent,
                     const std::function<void(const std::string& id, const std::string& entry)>& found,
                     const std::function<bool()>& goOn);

// The message's text through its body file, which is removed afterwards;
// nullopt when the read fails or names no body file.
std::optional<std::string> ReadMessageText(Session& session, HWND parent, const std::string& id);

// Hands `path` to the mail system as the attachment "PGPDOC.TXT"; true when
// the low 16 bits of the result are 0 (sent).
bool SendDocument(HWND parent, const std::string& path);

// The failed delete's code in an error box.
void ShowMapiError(ULONG code);

}  // namespace mail
