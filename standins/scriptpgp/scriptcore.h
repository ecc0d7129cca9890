// Everything the scripted PGP does apart from the Win32 start-up: the scenario
// file, the arguments, the key listing it keeps in listing.txt and the commands
// themselves. Window-free, so it builds and is tested on the host too.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scriptpgp {

// ---- scenario.txt ----------------------------------------------------------

enum class Mode { Normal, Nothing, Fail, Crash };

struct Scenario {
  std::string passPhrase = "secret";
  Mode mode = Mode::Normal;
  unsigned long delayMs = 0;
  std::string genId = "Generated User <gen@example.org>";
  std::string marker;  // a file made when the run begins
  std::string await;   // a file the run waits for and takes before it acts
  std::string report;  // a file whose bytes a decryption prints in place of its own report
};

// Lines "key=value"; blank lines and lines starting with '#' are skipped. An
// unknown key or a bad value gives nullopt and the reason in *error, so a typo
// in a test's scenario does not pass unnoticed.
std::optional<Scenario> ParseScenario(std::string_view text, std::string* error);

// ---- arguments -------------------------------------------------------------

enum class Action { ListKeys, Fingerprint, AddKeys, Extract, Remove, Generate, Encrypt, Sign, Decrypt };

struct Invocation {
  Action action = Action::Decrypt;
  bool armour = false;                // -kxa, or the letter a of -e...
  bool sign = false;                  // the letter s of -e...
  bool clearSig = false;              // +clearsig=on
  std::vector<std::string> operands;  // arguments that are not options, in order
  std::optional<std::string> listFile;
  std::string signer;
  std::optional<std::string> passPhrase;  // -z; PGPPASS stands in when absent
  std::optional<std::string> output;      // -o
};

// The arguments after the program name, as the C runtime split them. nullopt
// means bad arguments (exit code 5).
std::optional<Invocation> ParseArguments(const std::vector<std::string>& args);

// ---- key listing -----------------------------------------------------------

struct KeyBlock {
  std::vector<std::string> lines;  // the pub line, then its indented lines
};

struct Listing {
  std::vector<std::string> header;  // lines before the first key
  std::vector<KeyBlock> keys;
};

// Key blocks start at lines beginning "pub" or "sec"; indented non-blank lines
// after one belong to it. The count line and other trailing lines are dropped
// because FormatListing writes the count afresh.
Listing ParseListing(std::string_view text);
std::string FormatListing(const Listing& listing);  // CR LF line ends
std::vector<std::string> EmptyRingHeader(std::string_view ringPath);
std::string CountLine(std::size_t keys);

std::string FirstUserId(const KeyBlock& key);
std::vector<std::string> UserIds(const KeyBlock& key);
std::string KeyIdOf(const KeyBlock& key);

// PGP's key selection: "0x" + the key ID's last hex digits, or a
// case-insensitive substring. An empty selector matches nothing.
bool MatchesFirstUserId(const KeyBlock& key, std::string_view id);
bool MatchesAnyUserId(const KeyBlock& key, std::string_view id);

// 16 bytes derived from the user ID (FNV-1a, two seeds); the same ID always
// gives the same fingerprint and, from its first four bytes, the same key ID.
std::string FingerprintLine(std::string_view userId);
std::string KeyLine(std::string_view userId, std::string_view date);

// ---- files PGP writes ------------------------------------------------------

// Beside the input: the extension of the last path component replaced by
// "asc"/"pgp", or ".asc"/".pgp" appended when that component has no dot.
std::string EncryptedName(std::string_view input, bool armour);

// Recipients list (-@): one ID per line, CR LF or LF; blank lines and lines
// starting with '#' skipped; trailing white space removed.
std::vector<std::string> ReadRecipientList(std::string_view text);

// ---- running a command -----------------------------------------------------

struct Result {
  int exitCode = 0;
  std::string out;  // standard output, written in binary mode
  std::string err;  // PGP's console: standard error
};

// Runs one command in the PGP folder `folder` (listing.txt, fingerprint.txt,
// pubring.pgp live there). `today` is the "yyyy/mm/dd" date of generated keys.
// Mode::Crash is the caller's business; here it acts like Normal. `pgpPass`
// is the PGPPASS environment variable, the pass phrase when no -z is given.
Result Run(const std::string& folder, const std::vector<std::string>& args, const Scenario& scenario,
           std::string_view today, const std::optional<std::string>& pgpPass = std::nullopt);

// `name` in `folder`, with the folder's kind of separator.
std::string JoinPath(const std::string& folder, std::string_view name);

}  // namespace scriptpgp
