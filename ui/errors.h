// Errors that end a command and reach the application's default handler.
#pragma once

#include <stdexcept>
#include <string>

namespace ui {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The text of a file input/output error with the platform's error number.
std::string InOutErrorText(unsigned long code);

// Throws Error with InOutErrorText(code).
[[noreturn]] void ThrowInOutError(unsigned long code);

}  // namespace ui
