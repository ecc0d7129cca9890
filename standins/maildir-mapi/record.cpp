#include "standins/maildir-mapi/record.h"

namespace maildir {

namespace {

template <typename Fn>
Fn MapiFunction(HMODULE mapi, const char* name) {
  return mapi ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(mapi, name))) : nullptr;
}

}  // namespace

Record::Record() {
  HMODULE mapi = GetModuleHandleA("mapi32.dll");
  allocate_ = MapiFunction<AllocateFn>(mapi, "MAPIAllocateBuffer");
  more_ = MapiFunction<MoreFn>(mapi, "MAPIAllocateMore");
  if (allocate_ && more_ && allocate_(sizeof(MapiMessage), reinterpret_cast<LPVOID*>(&message_)) == S_OK && message_)
    ZeroMemory(message_, sizeof *message_);
  else
    message_ = nullptr;
}

Record::~Record() {
  if (!message_) return;
  auto freeFn = MapiFunction<ULONG(WINAPI*)(LPVOID)>(GetModuleHandleA("mapi32.dll"), "MAPIFreeBuffer");
  if (freeFn) freeFn(message_);
}

void* Record::MoreBytes(size_t size) {
  LPVOID p = nullptr;
  if (more_(static_cast<ULONG>(size), message_, &p) != S_OK || !p) return nullptr;
  ZeroMemory(p, size);
  return p;
}

char* Record::String(const std::string& s) {
  char* p = More<char>(s.size() + 1);
  if (p) CopyMemory(p, s.c_str(), s.size() + 1);
  return p;
}

}  // namespace maildir
