#include "mail/session.h"

#include <cstring>
#include <set>

#include "files/TextFile.h"
#include "mail/mailtext.h"
#include "ui/msgbox.h"

namespace mail {

namespace {

ULONG_PTR Parent(HWND window) { return reinterpret_cast<ULONG_PTR>(window); }

// The mail system may hand back a null text; the list then shows it empty.
std::string_view Text(const char* s) { return s ? s : ""; }

// A copy of `text` in a 4096-byte buffer; nullopt when it does not fit.
std::optional<TextBuffer> Buffered(const std::string& text) {
  if (text.size() >= TextBuffer::kSize) return std::nullopt;
  TextBuffer buffer;
  buffer.append(text);
  return buffer;
}

template <class Function>
Function Entry(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool MapiLibrary::load() {
  if (module_) return loaded();
  module_.reset(LoadLibraryA("MAPI32.DLL"));
  if (!module_) return false;
  HMODULE m = module_.get();
  logon = Entry<LPMAPILOGON>(m, "MAPILogon");
  logoff = Entry<LPMAPILOGOFF>(m, "MAPILogoff");
  findNext = Entry<LPMAPIFINDNEXT>(m, "MAPIFindNext");
  readMail = Entry<LPMAPIREADMAIL>(m, "MAPIReadMail");
  deleteMail = Entry<LPMAPIDELETEMAIL>(m, "MAPIDeleteMail");
  freeBuffer = Entry<LPMAPIFREEBUFFER>(m, "MAPIFreeBuffer");
  sendDocuments = Entry<LPMAPISENDDOCUMENTS>(m, "MAPISendDocuments");
  return loaded();
}

Session::Session() { mapi_.load(); }

Session::~Session() {
  if (open_) mapi_.logoff(handle_, 0, 0, 0);
}

bool Session::Logon(HWND parent) {
  if (!mapi_.loaded()) return false;
  LHANDLE handle = 0;
  open_ = mapi_.logon(Parent(parent), profileName_.data(), nullptr, MAPI_LOGON_UI | MAPI_NEW_SESSION, 0, &handle) == 0;
  if (open_) handle_ = handle;
  return open_;
}

bool Session::FindNext(HWND parent, const std::string& seed, std::string& next) {
  auto seedBuffer = Buffered(seed);
  if (!seedBuffer) return false;
  TextBuffer found;
  char type[] = "";
  if (!mapi_.loaded() || mapi_.findNext(handle_, Parent(parent), type, seedBuffer->data(), 0, 0, found.data()) != 0)
    return false;
  // A mail system that filled the whole buffer left no terminator: refused.
  if (strnlen(found.c_str(), TextBuffer::kSize) == TextBuffer::kSize) return false;
  next = found.str();
  return true;
}

ULONG Session::ReadMail(HWND parent, const std::string& id, FLAGS flags, Record& record) {
  auto idBuffer = Buffered(id);
  if (!idBuffer) return MAPI_E_INVALID_MESSAGE;
  lpMapiMessage message = nullptr;
  if (!mapi_.loaded()) return MAPI_E_FAILURE;
  ULONG code = mapi_.readMail(handle_, Parent(parent), idBuffer->data(), flags, 0, &message);
  if (code == 0 && !message) return MAPI_E_FAILURE;
  if (code == 0) record = Record(message, FreeRecord{mapi_.freeBuffer});
  return code;
}

ULONG Session::DeleteMail(HWND parent, const std::string& id) {
  auto idBuffer = Buffered(id);
  if (!idBuffer) return MAPI_E_INVALID_MESSAGE;
  if (!mapi_.loaded()) return MAPI_E_FAILURE;
  return mapi_.deleteMail(handle_, Parent(parent), idBuffer->data(), 0, 0);
}

void ScanPgpMessages(Session& session, HWND parent,
                     const std::function<void(const std::string& id, const std::string& entry)>& found,
                     const std::function<bool()>& goOn) {
  std::set<std::string> seen;
  std::string current, next;
  // Texts come in the ANSI code page; the list pads by characters.
  const bool utf8 = GetACP() == CP_UTF8;
  while (session.FindNext(parent, current, next) && seen.insert(next).second) {
    current = next;
    Record record;
    if (session.ReadMail(parent, current, kScanRead, record) == 0 && HoldsPgpMessage(record->lpszNoteText)) {
      const MapiRecipDesc* from = record->lpOriginator;
      const std::string sender =
          SenderText(Text(from ? from->lpszName : nullptr), Text(from ? from->lpszAddress : nullptr));
      found(current, EntryText(sender, Text(record->lpszSubject), utf8));
    }
    record.reset();
    if (!goOn()) break;
  }
}

std::optional<std::string> ReadMessageText(Session& session, HWND parent, const std::string& id) {
  Record record;
  if (session.ReadMail(parent, id, kShowRead, record) != 0) return std::nullopt;
  if (record->nFileCount == 0 || !record->lpFiles || !record->lpFiles[0].lpszPathName ||
      !*record->lpFiles[0].lpszPathName) {
    return std::nullopt;
  }
  // The body file goes on every path, also when reading it fails; it held
  // a message, so it is wiped.
  ScopedFile body(record->lpFiles[0].lpszPathName, ScopedFile::Disposal::Wipe);
  std::string text = ReadTextFile(body.name());
  record.reset();
  body.dispose();
  return text;
}

bool SendDocument(HWND parent, const std::string& path) {
  auto paths = Buffered(path);
  MapiLibrary mapi;
  if (!paths || !mapi.load()) return false;
  TextBuffer names;
  names.append("PGPDOC.TXT");
  char delimiter[] = ";";
  ULONG result = mapi.sendDocuments(Parent(parent), delimiter, paths->data(), names.data(), 0);
  return (result & 0xFFFF) == 0;
}

void ShowMapiError(ULONG code) { ui::ErrorBox(MapiErrorText(code)); }

}  // namespace mail
