// What the command hands to GnuPG and how it reads GnuPG's answers: output
// names, the sh script of one run, and the mapping of gpg's status lines to
// PGP 2.6.3 exit codes. Window-free.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pgp26 {

// The name PGP gives an encrypted file: the last path component's extension
// replaced by "asc"/"pgp", or appended when it has none.
std::string EncryptedName(std::string_view input, bool armor);
// The name PGP gives a decrypted file without -o: the input without its
// extension; empty when the input has none.
std::string DecryptedName(std::string_view input);

// One gpg invocation of a run. Arguments are final (paths already host paths).
struct GpgCall {
  std::vector<std::string> args;
  bool passPhrase = false;  // gets the run's pass phrase (--pinentry-mode loopback)
  // Files, user IDs and key names, after "--": never read as options, even
  // when a user ID begins with "-".
  std::vector<std::string> operands;
  // When set, the operands are instead the primary key fingerprints of the
  // signatures that call verified (SignerFingerprints of its status) other
  // than `knownSigners`; with none the call is left out and counts as status 0.
  int signersOf = -1;
  std::vector<std::string> knownSigners;  // upper-case hex fingerprints
};

struct ScriptPaths {
  std::string gpg;      // gpg program
  std::string gpgconf;  // gpgconf program
  std::string home;     // GnuPG home
  std::string work;     // private folder of this run
};

// The environment variable that hands sh the run's pass phrase, and its
// value: every byte as a printf octal escape, so that the value is ASCII
// (Wine converts environment text to the host's character set) and reaches
// gpg byte for byte. The script takes it into a variable of its own and
// removes it from the environment before anything starts.
constexpr char kPassVariable[] = "PGP26_PASS";
std::string PassPhraseForScript(std::string_view passPhrase);

// The options every call carries, before its own arguments.
std::vector<std::string> CommonOptions(const std::string& home);

// The sh script of one run: call i writes out<i>, err<i>, status<i> into the
// work folder; the exit statuses, one per line, land in "rc", moved into
// place last so that a reader sees it whole or not at all. The home's agent
// is ended before that. The pass phrase reaches gpg through a pipe from sh's
// printf (a built-in: no command line shows it); nothing secret is written
// to a file.
std::string BuildShellScript(const ScriptPaths& p, const std::vector<GpgCall>& calls);

// The status lines of a status text without their "[GNUPG:] " (others are
// skipped), and a line's words.
std::vector<std::string_view> StatusLines(std::string_view status);
std::vector<std::string_view> Words(std::string_view s);
// Whether a status line (without "[GNUPG:] ") is of this keyword.
bool LineIs(std::string_view line, std::string_view keyword);

// Status keywords ("[GNUPG:] KEYWORD args") present in a status text.
bool HasStatus(std::string_view status, std::string_view keyword);
// The arguments after the first line of that keyword, or empty.
std::string StatusArgs(std::string_view status, std::string_view keyword);
// Undoes gpg's %XX escapes in status line texts.
std::string PercentUnescape(std::string_view s);

int ExitForEncrypt(int gpgExit, std::string_view status, bool sign);
int ExitForSign(int gpgExit, std::string_view status);
// Decryption and verification: an output is kept only for exit 0 and 30 (a
// bad signature, as PGP keeps it). A message that was encrypted counts only
// with gpg's DECRYPTION_OKAY and no DECRYPTION_FAILED, so that a packet
// appended to a genuine message leaves nothing behind; a message that was
// only signed counts when gpg wrote its text and checked or could not check
// its signatures (an unknown signer).
int ExitForDecrypt(int gpgExit, std::string_view status);
int ExitForImport(int gpgExit, std::string_view status);
int ExitForExport(int gpgExit, std::string_view status);
int ExitForDelete(int gpgExit, std::string_view status);
int ExitForGenerate(int gpgExit, std::string_view status);

// The primary key fingerprints of the signatures gpg verified (the last
// field of VALIDSIG), in order, without repeats and without `known`.
std::vector<std::string> SignerFingerprints(std::string_view status, const std::vector<std::string>& known = {});

}  // namespace pgp26
