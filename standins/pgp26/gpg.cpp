#include "standins/pgp26/gpg.h"

#include <cstdlib>

#include "standins/bridge/quote.h"
#include "standins/pgp26/command.h"
#include "standins/pgp26/keys.h"

namespace pgp26 {

namespace {

using bridge::ShQuote;

size_t LastComponentStart(std::string_view path) {
  size_t p = path.find_last_of("\\/:");
  return p == std::string_view::npos ? 0 : p + 1;
}

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

}  // namespace

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
  return {"--homedir", home, "--batch", "--yes", "--no-tty", "--trust-model", "always", "--no-auto-check-trustdb"};
}

std::string BuildShellScript(const ScriptPaths& p, const std::vector<GpgCall>& calls) {
  const std::string work = p.work + "/";
  std::string s;
  s += "exec </dev/null >/dev/null 2>&1\n";
  s += "umask 077\n";
  s += "PATH=/usr/local/bin:/usr/bin:/bin; export PATH\n";
  s += "unset GNUPGHOME GPG_AGENT_INFO PGPPASS\n";
  s += "cd / && chmod 700 " + ShQuote(p.home) + " " + ShQuote(p.work) + "\n";
  // The agent refuses a socket path with ':', and Wine's paths pass through
  // "dosdevices/c:": gpg gets the home's physical path.
  s += "home=$(cd " + ShQuote(p.home) + " && pwd -P) || home=" + ShQuote(p.home) + "\n";
  s += ": >" + ShQuote(work + "rc.tmp") + "\n";
  // However the script ends, the pass phrase file goes and the exit statuses
  // written so far are handed over (a short "rc" reads as a failed run).
  const std::string wipePass = "[ -f " + ShQuote(p.passFile) + " ] && dd if=/dev/zero of=" + ShQuote(p.passFile) +
                               " bs=1 count=$(wc -c <" + ShQuote(p.passFile) +
                               ") conv=notrunc,fsync 2>/dev/null; rm -f " + ShQuote(p.passFile);
  s += "cleanup() { " + wipePass + "; [ -f " + ShQuote(work + "rc.tmp") + " ] && mv -f " + ShQuote(work + "rc.tmp") +
       " " + ShQuote(work + "rc") + "; }\n";
  s += "trap cleanup EXIT\n";
  s += "trap 'exit 1' HUP INT TERM\n";
  size_t lastPass = calls.size();
  for (size_t i = 0; i < calls.size(); ++i)
    if (calls[i].passPhrase) lastPass = i;
  for (size_t i = 0; i < calls.size(); ++i) {
    std::string n = std::to_string(i);
    s += ShQuote(p.gpg);
    for (const std::string& a : CommonOptions("$home")) s += " " + (a == "$home" ? "\"$home\"" : ShQuote(a));
    s += " --status-fd 3";
    if (calls[i].passPhrase) s += " --pinentry-mode loopback --passphrase-file " + ShQuote(p.passFile);
    for (const std::string& a : calls[i].args) s += " " + ShQuote(a);
    if (!calls[i].operands.empty()) s += " --";
    for (const std::string& a : calls[i].operands) s += " " + ShQuote(a);
    s += " </dev/null >" + ShQuote(work + "out" + n) + " 2>" + ShQuote(work + "err" + n) + " 3>" +
         ShQuote(work + "status" + n) + "\n";
    s += "echo $? >>" + ShQuote(work + "rc.tmp") + "\n";
    // gpg has read the pass phrase: it leaves the disk at once.
    if (i == lastPass) s += wipePass + "\n";
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

int ExitForDecrypt(int gpgExit, std::string_view status) {
  bool badSig = HasStatus(status, "BADSIG");
  // With several secret keys in the home one may fail and the next succeed.
  if (HasStatus(status, "DECRYPTION_OKAY") && !HasStatus(status, "DECRYPTION_FAILED"))
    return badSig ? kExitSignatureCheck : kExitOk;
  if (HasStatus(status, "BAD_PASSPHRASE") || HasStatus(status, "MISSING_PASSPHRASE")) return kExitRsaDecryption;
  if (HasStatus(status, "DECRYPTION_FAILED"))
    return HasStatus(status, "NO_SECKEY") || HasStatus(status, "ENC_TO") ? kExitRsaDecryption : kExitDecryption;
  if (HasStatus(status, "NODATA") || HasStatus(status, "UNEXPECTED")) return kExitInvalidFile;
  if (badSig) return kExitSignatureCheck;
  if (gpgExit == 0 && HasStatus(status, "PLAINTEXT")) return kExitOk;
  return kExitDecryption;
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

std::string SignatureReport(std::string_view status, std::string_view signer) {
  auto who = [&](std::string_view keyword) {
    if (!signer.empty()) return std::string(signer);
    const std::string args = StatusArgs(status, keyword);
    auto w = Words(args);
    std::string uid;
    for (size_t i = 1; i < w.size(); ++i) uid += (i > 1 ? " " : "") + std::string(w[i]);
    return DisplayUserId(PercentUnescape(uid));
  };
  auto made = [&]() -> std::string {
    const std::string args = StatusArgs(status, "VALIDSIG");
    auto w = Words(args);
    if (w.size() < 3) return {};
    return "Signature made " + FormatDateTime(std::atoll(std::string(w[2]).c_str())) + " GMT\r\n";
  };
  if (HasStatus(status, "GOODSIG")) return "Good signature from user \"" + who("GOODSIG") + "\".\r\n" + made();
  if (HasStatus(status, "BADSIG"))
    return "WARNING: Bad signature, doesn't match file contents!\r\n\r\nBad signature from user \"" + who("BADSIG") +
           "\".\r\n";
  if (HasStatus(status, "ERRSIG")) {
    const std::string args = StatusArgs(status, "ERRSIG");
    auto w = Words(args);
    std::string id = w.empty() ? std::string() : std::string(w[0]);
    if (id.size() > 8) id = id.substr(id.size() - 8);
    return "Key matching expected Key ID " + id +
           " not found in file.\r\n"
           "WARNING: Can't find the right public key-- can't check signature integrity.\r\n";
  }
  return {};
}

}  // namespace pgp26
