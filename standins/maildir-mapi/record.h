// A MapiMessage record built with mapi32's own allocator, so that mapi32's
// MAPIFreeBuffer frees what the provider returns (wine-notes: it forwards the
// call to no provider registered without DLLPathEx).
#pragma once

#include <windows.h>
// windows.h first: the mail header needs its types.
#include <mapi.h>

#include <string>
#include <utility>

namespace maildir {

class Record {
 public:
  Record();
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;
  ~Record();
  MapiMessage* get() const { return message_; }
  MapiMessage* release() { return std::exchange(message_, nullptr); }

  // Zeroed memory inside the record; null when out of memory.
  template <typename T>
  T* More(size_t count = 1) {
    return static_cast<T*>(MoreBytes(sizeof(T) * count));
  }
  char* String(const std::string& s);

 private:
  using AllocateFn = LONG(WINAPI*)(ULONG, LPVOID*);
  using MoreFn = LONG(WINAPI*)(ULONG, LPVOID, LPVOID*);

  void* MoreBytes(size_t size);

  AllocateFn allocate_ = nullptr;
  MoreFn more_ = nullptr;
  MapiMessage* message_ = nullptr;
};

}  // namespace maildir
