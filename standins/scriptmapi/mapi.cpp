// A scripted Simple MAPI for tests, built as mapi32.dll: serves the mailbox
// that the script file names, records every call, writes body files and keeps
// the files handed to the send call (README.md has the contract).
#include <windows.h>
// <mapi.h> needs the Windows types first.
#include <mapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "standins/bridge/codepage.h"
#include "standins/bridge/files.h"

#define MAPI_STANDIN_EXPORT extern "C" __declspec(dllexport)

namespace {

struct Message {
  std::string id;
  bool hasSender = false;
  std::string sender, subject, body;
  ULONG readCode = 0, deleteCode = 0;
  bool noFile = false, badFile = false;
  bool unread = true;
  bool deleted = false;
};

// What one MAPIReadMail handed out: the record and the texts it points to.
struct Record {
  MapiMessage message{};
  MapiRecipDesc originator{};
  MapiFileDesc file{};
  std::string sender, subject, body, path;
  int number = 0;
};

struct State {
  std::string script;
  std::string folder;  // the script's folder, with a trailing backslash
  // The n-th logon or send returns the n-th code, the last one from then on.
  std::vector<ULONG> logonCodes, sendCodes;
  size_t logons = 0, sends = 0;
  DWORD delay = 0;
  bool loop = false;
  std::vector<Message> box;
  ULONG_PTR session = 0, lastSession = 0;
  std::map<void*, std::unique_ptr<Record>> records;
  int recordCount = 0, bodyCount = 0, sentCount = 0;
};

State& S() {
  static State state;
  return state;
}

std::string Env(const char* name) { return bridge::EnvironmentVariable(name).value_or(""); }

ULONG Number(const std::string& v) { return static_cast<ULONG>(std::strtoul(v.c_str(), nullptr, 0)); }

// Reads the script named by SW_MAPI_SCRIPT when it names another file than
// the last one read; no script is an empty mailbox.
State& Current() {
  State& s = S();
  std::string script = Env("SW_MAPI_SCRIPT");
  if (script == s.script && !script.empty()) return s;
  State fresh;
  fresh.recordCount = s.recordCount;
  fresh.records = std::move(s.records);
  s = std::move(fresh);
  s.script = script;
  s.folder = script.substr(0, script.find_last_of('\\') + 1);
  std::istringstream in(bridge::ReadWholeFile(script).value_or(""));
  std::string line;
  int filler = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t eq = line.find('=');
    if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "id") {
      s.box.push_back({.id = value});
    } else if (key == "logon") {
      s.logonCodes.push_back(Number(value));
    } else if (key == "send") {
      s.sendCodes.push_back(Number(value));
    } else if (key == "delay") {
      s.delay = Number(value);
    } else if (key == "loop") {
      s.loop = value == "1";
    } else if (key == "filler") {
      filler = static_cast<int>(Number(value));
    } else if (!s.box.empty()) {
      Message& m = s.box.back();
      if (key == "from") {
        m.hasSender = true;
        m.sender = value;
      } else if (key == "subject") {
        m.subject = value;
      } else if (key == "body") {
        m.body += value + "\r\n";
      } else if (key == "read") {
        m.readCode = Number(value);
      } else if (key == "delete") {
        m.deleteCode = Number(value);
      } else if (key == "nofile") {
        m.noFile = value == "1";
      } else if (key == "badfile") {
        m.badFile = value == "1";
      } else if (key == "idlength") {
        m.id.assign(Number(value), 'x');
      }
    }
  }
  for (int i = 1; i <= filler; ++i) {
    std::string n = std::to_string(i);
    s.box.push_back({.id = "filler" + n,
                     .hasSender = true,
                     .sender = "Filler",
                     .subject = "Filler " + n,
                     .body = "Nothing to see.\r\n"});
  }
  return s;
}

ULONG Next(const std::vector<ULONG>& codes, size_t& n) {
  if (codes.empty()) return 0;
  return codes[std::min(n++, codes.size() - 1)];
}

void Log(const std::string& line) {
  if (S().folder.empty()) return;
  std::ofstream(S().folder + "mapi.log", std::ios::binary | std::ios::app) << line << "\r\n";
}

std::string Hex(ULONG_PTR v) {
  char b[32];
  std::snprintf(b, sizeof b, "0x%llX", static_cast<unsigned long long>(v));
  return b;
}

std::string Quoted(const char* s) { return s ? "\"" + std::string(s) + "\"" : "null"; }

Message* Find(const char* id) {
  if (!id) return nullptr;
  for (Message& m : S().box)
    if (!m.deleted && m.id == id) return &m;
  return nullptr;
}

}  // namespace

MAPI_STANDIN_EXPORT ULONG WINAPI MAPILogon(ULONG_PTR parent, LPSTR profile, LPSTR password, FLAGS flags, ULONG reserved,
                                           LPLHANDLE session) {
  State& s = Current();
  ULONG code = Next(s.logonCodes, s.logons);
  if (code == 0) {
    s.session = ++s.lastSession;
    *session = s.session;
  }
  Log("MAPILogon parent=" + Hex(parent) + " profile=" + Quoted(profile) + " password=" + Quoted(password) +
      " flags=" + Hex(flags) + " reserved=" + std::to_string(reserved) + " -> " + std::to_string(code) +
      (code == 0 ? " session=" + std::to_string(s.session) : ""));
  return code;
}

MAPI_STANDIN_EXPORT ULONG WINAPI MAPILogoff(LHANDLE session, ULONG_PTR parent, FLAGS flags, ULONG reserved) {
  State& s = Current();
  ULONG code = session && session == s.session ? 0 : MAPI_E_INVALID_SESSION;
  if (code == 0) s.session = 0;
  Log("MAPILogoff session=" + std::to_string(session) + " parent=" + Hex(parent) + " flags=" + Hex(flags) +
      " reserved=" + std::to_string(reserved) + " -> " + std::to_string(code));
  return code;
}

MAPI_STANDIN_EXPORT ULONG WINAPI MAPIFindNext(LHANDLE session, ULONG_PTR parent, LPSTR type, LPSTR seed, FLAGS flags,
                                              ULONG reserved, LPSTR id) {
  State& s = Current();
  Sleep(s.delay);
  ULONG code = 0;
  const Message* next = nullptr;
  if (!session || session != s.session) {
    code = MAPI_E_INVALID_SESSION;
  } else {
    size_t from = 0;
    if (seed && *seed) {
      Message* current = Find(seed);
      from = current ? static_cast<size_t>(current - s.box.data()) + 1 : s.box.size() + 1;
      if (!current) code = MAPI_E_INVALID_MESSAGE;
    }
    for (size_t i = from; code == 0 && i < s.box.size() && !next; ++i)
      if (!s.box[i].deleted) next = &s.box[i];
    if (code == 0 && !next && s.loop && seed && *seed) next = Find(s.box.front().id.c_str());
    if (code == 0 && !next) code = MAPI_E_NO_MESSAGES;
  }
  if (next) {
    // At most 4096 bytes, the caller's buffer; a longer identifier fills it
    // without a terminator.
    size_t n = std::min<size_t>(next->id.size() + 1, 4096);
    std::memcpy(id, next->id.c_str(), n);
  }
  Log("MAPIFindNext session=" + std::to_string(session) + " parent=" + Hex(parent) + " type=" + Quoted(type) +
      " seed=" + Quoted(seed) + " flags=" + Hex(flags) + " reserved=" + std::to_string(reserved) + " -> " +
      std::to_string(code) + (next ? " id=\"" + next->id.substr(0, 64) + "\"" : ""));
  return code;
}

MAPI_STANDIN_EXPORT ULONG WINAPI MAPIReadMail(LHANDLE session, ULONG_PTR parent, LPSTR id, FLAGS flags, ULONG reserved,
                                              lpMapiMessage* out) {
  State& s = Current();
  Sleep(s.delay);
  Message* m = Find(id);
  ULONG code = !session || session != s.session ? MAPI_E_INVALID_SESSION : !m ? MAPI_E_INVALID_MESSAGE : m->readCode;
  std::string tail;
  if (code == 0) {
    auto r = std::make_unique<Record>();
    r->number = ++s.recordCount;
    r->sender = m->sender;
    r->subject = m->subject;
    r->body = m->body;
    r->message.lpszSubject = r->subject.data();
    if (m->hasSender) {
      r->originator.ulRecipClass = MAPI_ORIG;
      r->originator.lpszName = r->sender.data();
      r->message.lpOriginator = &r->originator;
    }
    tail = " record=" + std::to_string(r->number) + " unread=" + (m->unread ? "1" : "0");
    if (flags & MAPI_BODY_AS_FILE) {
      if (!m->noFile) {
        r->path = s.folder + "body" + std::to_string(++s.bodyCount) + ".txt";
        if (!m->badFile) bridge::WriteWholeFile(r->path, m->body);
        r->file.lpszPathName = r->path.data();
        r->message.nFileCount = 1;
        r->message.lpFiles = &r->file;
        tail += " file=\"" + r->path + "\"";
      }
    } else {
      r->message.lpszNoteText = r->body.data();
    }
    if (!(flags & MAPI_PEEK)) m->unread = false;
    *out = &r->message;
    s.records[&r->message] = std::move(r);
  }
  Log("MAPIReadMail session=" + std::to_string(session) + " parent=" + Hex(parent) + " id=" + Quoted(id) +
      " flags=" + Hex(flags) + " reserved=" + std::to_string(reserved) + " -> " + std::to_string(code) + tail);
  return code;
}

MAPI_STANDIN_EXPORT ULONG WINAPI MAPIFreeBuffer(LPVOID block) {
  auto& records = S().records;
  auto it = records.find(block);
  if (it == records.end()) {
    Log("MAPIFreeBuffer record=? -> 2");
    return MAPI_E_FAILURE;
  }
  Log("MAPIFreeBuffer record=" + std::to_string(it->second->number) + " -> 0");
  records.erase(it);
  return 0;
}

MAPI_STANDIN_EXPORT ULONG WINAPI MAPIDeleteMail(LHANDLE session, ULONG_PTR parent, LPSTR id, FLAGS flags,
                                                ULONG reserved) {
  State& s = Current();
  Message* m = Find(id);
  ULONG code = !session || session != s.session ? MAPI_E_INVALID_SESSION : !m ? MAPI_E_INVALID_MESSAGE : m->deleteCode;
  if (code == 0) m->deleted = true;
  Log("MAPIDeleteMail session=" + std::to_string(session) + " parent=" + Hex(parent) + " id=" + Quoted(id) +
      " flags=" + Hex(flags) + " reserved=" + std::to_string(reserved) + " -> " + std::to_string(code));
  return code;
}

MAPI_STANDIN_EXPORT ULONG WINAPI MAPISendDocuments(ULONG_PTR parent, LPSTR delimiter, LPSTR paths, LPSTR names,
                                                   ULONG reserved) {
  State& s = Current();
  std::string kept;
  if (paths && s.folder.size()) {
    kept = s.folder + "sent" + std::to_string(++s.sentCount) + ".txt";
    if (!CopyFileA(paths, kept.c_str(), FALSE)) kept = "(copy failed)";
  }
  ULONG code = Next(s.sendCodes, s.sends);
  Log("MAPISendDocuments parent=" + Hex(parent) + " delimiter=" + Quoted(delimiter) + " paths=" + Quoted(paths) +
      " names=" + Quoted(names) + " reserved=" + std::to_string(reserved) + " -> " + std::to_string(code) + " kept=\"" +
      kept + "\"");
  return code;
}
