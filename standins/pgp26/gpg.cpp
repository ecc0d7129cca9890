#include "standins/pgp26/gpg.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "standins/bridge/quote.h"
#include "standins/pgp26/command.h"

namespace pgp26 {

namespace {

using bridge::ShQuote;

size_t LastComponentStart(std::string_view path) {
  size_t p = path.find_last_of("\\/:");
  return p == std::string_view::npos ? 0 : p + 1;
}

}  // namespace

std::vector<std::string_view> StatusLines(std::string_view status) {
  std::vector<std::string_view> out;
  size_t pos = 0;
  while (pos < status.size()) {
    size_t end = status.find('\n', pos);
    if (end == std::string_view::npos) end = status.size();
    std::string_view line = status.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    constexpr std::string_view kPrefix = "[GNUPG:] ";
    if (line.substr(0, kPrefix.size()) == kPrefix) out.push_back(line.substr(kPrefix.size()));
    pos = end + 1;
  }
  return out;
}

bool LineIs(std::string_view line, std::string_view keyword) {
  return line.substr(0, keyword.size()) == keyword && (line.size() == keyword.size() || line[keyword.size()] == ' ');
}

std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> out;
  size_t pos = 0;
  while (pos < s.size()) {
    size_t end = s.find(' ', pos);
    if (end == std::string_view::npos) end = s.size();
    if (end > pos) out.push_back(s.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

std::string EncryptedName(std::string_view input, bool armor) {
  size_t start = LastComponentStart(input);
  size_t dot = input.rfind('.');
  std::string base(dot != std::string_view::npos && dot >= start ? input.substr(0, dot) : input);
  return base + (armor ? ".asc" : ".pgp");
}

std::string DecryptedName(std::string_view input) {
  size_t start = LastComponentStart(input);
  size_t dot = input.rfind('.');
  if (dot == std::string_view::npos || dot < start || dot == start) return {};
  return std::string(input.substr(0, dot));
}

std::vector<std::string> CommonOptions(const std::string& home) {
  std::vector<std::string> options = {"--homedir", home, "--batch", "--yes", "--no-tty"};
  options.insert(options.end(), {"--trust-model", "always", "--no-auto-check-trustdb"});
  // Loopback: a pass phrase comes from the run, or the call fails; gpg never
  // starts a pinentry of its own.
  options.insert(options.end(), {"--pinentry-mode", "loopback"});
  return options;
}

std::string PassPhraseForScript(std::string_view passPhrase) {
  std::string out;
  for (char c : passPhrase) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\%03o", static_cast<unsigned char>(c));
    out += buf;
  }
  return out;
}

std::string BuildShellScript(const ScriptPaths& p, const std::vector<GpgCall>& calls) {
  const std::string work = p.work + "/";
  std::string s;
  s += "exec </dev/null >/dev/null 2>&1\n";
  s += "umask 077\n";
  s += "PATH=/usr/local/bin:/usr/bin:/bin; export PATH\n";
  // gpg's messages in English with times in UTC: a bad signature's time is
  // read from them.
  s += "LC_ALL=C TZ=UTC; export LC_ALL TZ\n";
  s += std::string("pp=${") + kPassVariable + ":-}\n";
  s += std::string("unset GNUPGHOME GPG_AGENT_INFO PGPPASS ") + kPassVariable + "\n";
  s += "cd / && chmod 700 " + ShQuote(p.home) + " " + ShQuote(p.work) + "\n";
  // The agent refuses a socket path with ':', and Wine's paths pass through
  // "dosdevices/c:": gpg gets the home's physical path.
  s += "home=$(cd " + ShQuote(p.home) + " && pwd -P) || home=" + ShQuote(p.home) + "\n";
  s += ": >" + ShQuote(work + "rc.tmp") + "\n";
  // However the script ends, the exit statuses written so far are handed
  // over (a short "rc" reads as a failed run).
  s += "trap '[ -f " + ShQuote(work + "rc.tmp") + " ] && mv -f " + ShQuote(work + "rc.tmp") + " " +
       ShQuote(work + "rc") + "' EXIT\n";
  s += "trap 'exit 1' HUP INT TERM\n";
  size_t lastPass = calls.size();
  for (size_t i = 0; i < calls.size(); ++i)
    if (calls[i].passPhrase) lastPass = i;
  for (size_t i = 0; i < calls.size(); ++i) {
    const GpgCall& c = calls[i];
    const std::string n = std::to_string(i);
    std::string line = c.passPhrase ? "printf \"$pp\" | " : "";
    line += ShQuote(p.gpg);
    for (const std::string& a : CommonOptions("$home")) line += " " + (a == "$home" ? "\"$home\"" : ShQuote(a));
    line += " --status-fd 3";
    if (c.passPhrase) line += " --passphrase-fd 0";
    for (const std::string& a : c.args) line += " " + ShQuote(a);
    if (c.signersOf >= 0) {
      line += " -- \"$@\"";
    } else {
      if (!c.operands.empty()) line += " --";
      for (const std::string& a : c.operands) line += " " + ShQuote(a);
    }
    line += std::string(c.passPhrase ? "" : " </dev/null") + " >" + ShQuote(work + "out" + n) + " 2>" +
            ShQuote(work + "err" + n) + " 3>" + ShQuote(work + "status" + n) + "\n";
    line += "echo $? >>" + ShQuote(work + "rc.tmp") + "\n";
    if (c.signersOf >= 0) {
      // VALIDSIG's last field: hex digits alone reach the words of "$@".
      std::string known;
      for (const std::string& f : c.knownSigners)
        if (f.find_first_not_of("0123456789ABCDEF") == std::string::npos) known += f + " ";
      s += "set --\nfor f in $(sed -n 's/^\\[GNUPG:\\] VALIDSIG .* \\([0-9A-F]\\{40\\}\\)$/\\1/p' " +
           ShQuote(work + "status" + std::to_string(c.signersOf)) + "); do case ' " + known +
           "' in *\" $f \"*) ;; *) set -- \"$@\" \"$f\" ;; esac; done\n";
      s += "if [ $# -gt 0 ]; then\n" + line + "else\necho 0 >>" + ShQuote(work + "rc.tmp") + "\nfi\n";
    } else {
      s += line;
    }
    if (i == lastPass) s += "pp=\n";
  }
  // No agent outlives the run: nothing is cached and no process is left over.
  // A running agent has its socket in the home, or, where the user has a
  // runtime folder, in a "d.*" folder below it; a run that started none
  // spares gpgconf's start. Another home's socket there only costs that start.
  s += "for sock in \"$home/S.gpg-agent\" /run/user/*/gnupg/d.*/S.gpg-agent /run/gnupg/user/*/gnupg/d.*/S.gpg-agent "
       "/var/run/user/*/gnupg/d.*/S.gpg-agent; do [ -S \"$sock\" ] && { " +
       ShQuote(p.gpgconf) + " --homedir \"$home\" --kill gpg-agent </dev/null >/dev/null 2>&1; break; }; done\n";
  s += "mv -f " + ShQuote(work + "rc.tmp") + " " + ShQuote(work + "rc") + "\n";
  return s;
}

bool HasStatus(std::string_view status, std::string_view keyword) {
  for (std::string_view line : StatusLines(status))
    if (LineIs(line, keyword)) return true;
  return false;
}

std::string StatusArgs(std::string_view status, std::string_view keyword) {
  for (std::string_view line : StatusLines(status))
    if (LineIs(line, keyword)) return std::string(line.size() > keyword.size() ? line.substr(keyword.size() + 1) : "");
  return {};
}

std::string PercentUnescape(std::string_view s) {
  std::string out;
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
      out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

int ExitForEncrypt(int gpgExit, std::string_view status, bool sign) {
  if (sign && (HasStatus(status, "BAD_PASSPHRASE") || HasStatus(status, "MISSING_PASSPHRASE") ||
               HasStatus(status, "INV_SGNR") || HasStatus(status, "NO_SGNR")))
    return kExitSignature;
  if (HasStatus(status, "INV_RECP") || HasStatus(status, "NO_RECP")) return kExitRsaEncryption;
  if (gpgExit == 0 && HasStatus(status, "END_ENCRYPTION")) return kExitOk;
  return sign && !HasStatus(status, "SIG_CREATED") ? kExitSignature : kExitEncryption;
}

int ExitForSign(int gpgExit, std::string_view status) {
  return gpgExit == 0 && HasStatus(status, "SIG_CREATED") ? kExitOk : kExitSignature;
}

int ExitForDecrypt(int gpgExit, std::string_view status) {
  const bool badSig = HasStatus(status, "BADSIG");
  const bool okay = HasStatus(status, "DECRYPTION_OKAY"), failed = HasStatus(status, "DECRYPTION_FAILED");
  const bool encrypted = okay || failed || HasStatus(status, "ENC_TO") || HasStatus(status, "BEGIN_DECRYPTION") ||
                         HasStatus(status, "NO_SECKEY");
  if (encrypted) {
    // With several secret keys in the home one may fail and the next succeed.
    if (okay && !failed) return badSig ? kExitSignatureCheck : kExitOk;
    if (okay) return kExitDecryption;  // a second message inside failed
    if (HasStatus(status, "BAD_PASSPHRASE") || HasStatus(status, "MISSING_PASSPHRASE")) return kExitRsaDecryption;
    if (HasStatus(status, "NO_SECKEY") || HasStatus(status, "ENC_TO")) return kExitRsaDecryption;
    return kExitDecryption;
  }
  if (!HasStatus(status, "PLAINTEXT"))
    return HasStatus(status, "NODATA") || HasStatus(status, "UNEXPECTED") ? kExitInvalidFile : kExitDecryption;
  if (badSig) return kExitSignatureCheck;
  if (gpgExit == 0) return kExitOk;
  // gpg ends with 2 when it could not check a signature (no public key): the
  // text is still the message's, and the report says so.
  return HasStatus(status, "ERRSIG") && !HasStatus(status, "ERROR") ? kExitOk : kExitDecryption;
}

int ExitForImport(int gpgExit, std::string_view status) {
  if (HasStatus(status, "IMPORT_OK")) return kExitOk;
  if (gpgExit == 0 && HasStatus(status, "IMPORT_RES")) return kExitOk;
  return kExitKeyRingAdd;
}

int ExitForExport(int gpgExit, std::string_view status) {
  return gpgExit == 0 && HasStatus(status, "EXPORTED") ? kExitOk : kExitKeyExtract;
}

int ExitForDelete(int gpgExit, std::string_view status) {
  return gpgExit == 0 && !HasStatus(status, "DELETE_PROBLEM") ? kExitOk : kExitKeyRemove;
}

int ExitForGenerate(int gpgExit, std::string_view status) {
  return gpgExit == 0 && HasStatus(status, "KEY_CREATED") ? kExitOk : kExitKeyGeneration;
}

std::vector<std::string> SignerFingerprints(std::string_view status, const std::vector<std::string>& known) {
  std::vector<std::string> out;
  for (std::string_view line : StatusLines(status)) {
    if (!LineIs(line, "VALIDSIG")) continue;
    const auto w = Words(line);
    const std::string_view fpr = w.back();
    const bool hex = fpr.size() == 40 && fpr.find_first_not_of("0123456789ABCDEF") == std::string_view::npos;
    if (hex && std::find(out.begin(), out.end(), fpr) == out.end() &&
        std::find(known.begin(), known.end(), fpr) == known.end())
      out.emplace_back(fpr);
  }
  return out;
}

}  // namespace pgp26
