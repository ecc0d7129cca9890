// Move-only owner of a kernel handle (file, process, thread).
#pragma once

#include <windows.h>

#include <utility>

namespace commandcom {

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) {
      close();
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  ~Handle() { close(); }
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  void close() {
    if (h_) CloseHandle(h_);
    h_ = nullptr;
  }
  HANDLE h_ = nullptr;
};

}  // namespace commandcom
