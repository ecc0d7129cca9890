// Values that go between double quotes into a PGP command line. Window-free.
#pragma once

#include <string>
#include <string_view>

namespace pgp {

// Why `value` cannot stand between double quotes on a command line that a
// command interpreter runs (a double quote, CR, LF, a zero byte or any other
// control character, 0x00 to 0x1F and 0x7F, would break out of the quotes or
// cut the line), or empty when it can.
std::string QuotingProblem(std::string_view value);

// `"` + value + `"`.
std::string Quoted(std::string_view value);

}  // namespace pgp

// Checks every value before anything is written or run. On the first value
// that cannot be passed, shows an error box naming it (`what`, e.g. "The user
// ID") and why, and returns false.
bool CheckPgpValue(const std::string& what, const std::string& value);
