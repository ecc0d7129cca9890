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
  bool passPhrase = false;  // gets --pinentry-mode loopback --passphrase-file
  // Files, user IDs and key names, after "--": never read as options, even
  // when a user ID begins with "-".
  std::vector<std::string> operands;
};

struct ScriptPaths {
  std::string gpg;       // gpg program
  std::string gpgconf;   // gpgconf program
  std::string home;      // GnuPG home
  std::string work;      // private folder of this run
  std::string passFile;  // pass phrase file inside `work`
};

// The options every call carries, before its own arguments.
std::vector<std::string> CommonOptions(const std::string& home);

// The sh script of one run: call i writes out<i>, err<i>, status<i> into the
// work folder; the exit statuses, one per line, land in "rc", moved into
// place last so that a reader sees it whole or not at all. The home's agent
// is ended before that.
std::string BuildShellScript(const ScriptPaths& p, const std::vector<GpgCall>& calls);

// Status keywords ("[GNUPG:] KEYWORD args") present in a status text.
bool HasStatus(std::string_view status, std::string_view keyword);
// The arguments after the first line of that keyword, or empty.
std::string StatusArgs(std::string_view status, std::string_view keyword);
// Undoes gpg's %XX escapes in status line texts.
std::string PercentUnescape(std::string_view s);

int ExitForEncrypt(int gpgExit, std::string_view status, bool sign);
int ExitForDecrypt(int gpgExit, std::string_view status);
int ExitForImport(int gpgExit, std::string_view status);
int ExitForExport(int gpgExit, std::string_view status);
int ExitForDelete(int gpgExit, std::string_view status);
int ExitForGenerate(int gpgExit, std::string_view status);

// What a decryption says about the signature it met, for standard output
// (CR LF line ends); empty when the message was not signed. `signer` is the
// user ID of the signing key as the listing would show it, if known.
std::string SignatureReport(std::string_view status, std::string_view signer);

}  // namespace pgp26
