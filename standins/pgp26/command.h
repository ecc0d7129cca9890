// Command-line model of the PGP 2.6 compatible command: splitting the Win32
// command line and parsing it into one operation. Window-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgp26 {

// Exit codes as PGP 2.6.3 uses them.
enum ExitCode : int {
  kExitOk = 0,
  kExitInvalidFile = 1,
  kExitFileNotFound = 2,
  kExitUnknownFile = 3,
  kExitBadArguments = 5,
  kExitKeyGeneration = 10,
  kExitKeyMissing = 11,
  kExitKeyRingAdd = 12,
  kExitKeyExtract = 13,
  kExitKeyRemove = 16,
  kExitSignature = 20,
  kExitRsaEncryption = 21,
  kExitEncryption = 22,
  kExitSignatureCheck = 30,
  kExitRsaDecryption = 31,
  kExitDecryption = 32,
  kExitNothingMatched = 67,
};

struct Token {
  std::string text;
  bool quoted = false;   // held a double quote, so "" is a real (empty) value
  bool literal = false;  // began with a double quote: a value, never an option
};

// Splits a command line the way the system builds it: blanks separate, double
// quotes group and are dropped, nothing is escaped (a backslash is an ordinary
// character, also before a quote).
std::vector<Token> SplitCommandLine(std::string_view line);

enum class Op { None, View, ViewFingerprint, Generate, Add, Extract, Remove, Encrypt, Sign, Decrypt };

struct Operation {
  Op op = Op::None;
  bool sign = false;
  bool armor = false;
  bool text = false;      // -t: the input is text (its line ends are canonical in a signature)
  bool clearsig = false;  // +clearsig=on: -sta makes a clear-signed message
  bool batch = false;
  std::optional<std::string> userId;  // -kv/-kvc filter, -kx/-kr key
  std::string file;                   // -ka key file, -kx target, -e/-s/decrypt input
  std::vector<std::string> recipients;
  std::optional<std::string> recipientList;  // -@
  std::optional<std::string> signer;         // -u
  std::optional<std::string> passPhrase;     // -z
  std::optional<std::string> output;         // -o
};

struct ParseResult {
  Operation op;
  std::string error;  // empty on success
};

// Parses the arguments after the program name.
ParseResult ParseArguments(const std::vector<Token>& args);

// Recipients from a -@ list file: one per line (a line starting with "#"
// included), blank lines skipped, trailing white space removed.
std::vector<std::string> ParseRecipientList(std::string_view text);

}  // namespace pgp26
