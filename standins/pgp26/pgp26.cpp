// A PGP 2.6.x compatible command that leaves the cryptography to GnuPG.
// Installed as PGP.EXE in a PGP folder; keys live in "<folder>\gnupg" and
// "<folder>\pubring.pgp" is kept as an export of every public key.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "standins/bridge/codepage.h"
#include "standins/bridge/files.h"
#include "standins/pgp26/command.h"
#include "standins/pgp26/console.h"
#include "standins/pgp26/gpg.h"
#include "standins/pgp26/host.h"
#include "standins/pgp26/keys.h"

namespace pgp26 {
namespace {

class Session {
 public:
  Session(Operation op, std::string folder, GpgHost& host)
      : op_(std::move(op)), folder_(std::move(folder)), host_(host) {}

  int Run() {
    switch (op_.op) {
      case Op::View:
        return View(false);
      case Op::ViewFingerprint:
        return View(true);
      case Op::Generate:
        return Generate();
      case Op::Add:
        return Add();
      case Op::Extract:
        return Extract();
      case Op::Remove:
        return Remove();
      case Op::Encrypt:
        return Encrypt();
      case Op::Decrypt:
        return Decrypt();
      default:
        return Say("No command given.", kExitBadArguments);
    }
  }

 private:
  std::string RingPath() const { return folder_ + "\\pubring.pgp"; }

  static void Out(const std::string& text) {
    HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (h && h != INVALID_HANDLE_VALUE) WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  static int Say(const std::string& line, int code) {
    Out(line + "\r\n");
    return code;
  }

  std::optional<std::vector<CallResult>> Gpg(const std::vector<GpgCall>& calls, const std::string* pass = nullptr) {
    auto r = host_.Run(calls, pass);
    if (!r) Out("Error: GnuPG could not be run.\r\n");
    return r;
  }

  // The ring's keys, user IDs in the system code page. Secret parts are seen
  // in the home's key files, so listing starts no agent.
  std::optional<std::vector<Key>> LoadKeys() {
    auto listing = host_.PublicKeyListing();
    if (!listing) {
      Out("Error: GnuPG could not be run.\r\n");
      return std::nullopt;
    }
    std::vector<Key> keys = ParseColonListing(*listing);
    MarkSecretKeyFiles(keys, host_.SecretKeyFiles());
    for (Key& k : keys)
      for (std::string& u : k.userIds) u = bridge::Utf8ToAnsi(u);
    return keys;
  }

  // pubring.pgp is rewritten from the home after every key change: exported
  // beside it first, then moved over it.
  GpgCall RingExport() const { return {{"--export", "--output", host_.GpgPath(RingTemp())}}; }
  std::string RingTemp() const { return folder_ + "\\pubring.$$$"; }
  void CommitRing() {
    if (bridge::FileExists(RingTemp()))
      MoveFileExA(RingTemp().c_str(), RingPath().c_str(), MOVEFILE_REPLACE_EXISTING);
    else
      bridge::WriteWholeFile(RingPath(), "");  // an empty ring once the last key is gone
  }

  int View(bool fingerprints) {
    auto keys = LoadKeys();
    if (!keys) return kExitUnknownFile;
    std::vector<const Key*> chosen;
    if (op_.userId) {
      chosen = SelectKeys(*keys, *op_.userId);
    } else {
      for (const Key& k : *keys) chosen.push_back(&k);
    }
    ListingRequest req;
    req.ringPath = RingPath();
    req.filter = op_.userId ? &*op_.userId : nullptr;
    req.fingerprints = fingerprints;
    Out(FormatListing(chosen, req));
    return op_.userId && chosen.empty() ? kExitNothingMatched : kExitOk;
  }

  int Generate() {
    Console con;
    int bits = 0;
    for (;;) {
      std::string a;
      if (!con.Ask("Pick your RSA key size:\r\n"
                   "    1)  1024 bits- Low grade, fast but less secure\r\n"
                   "    2)  2048 bits- Good grade, medium speed, good security\r\n"
                   "    3)  3072 bits- High grade, slow, highest security\r\n"
                   "Choose 1, 2, or 3, or enter desired number of bits (1024 to 4096): ",
                   a))
        return Say("Key generation cancelled.", kExitKeyGeneration);
      int n = std::atoi(a.c_str());
      bits = n == 1 ? 1024 : n == 2 ? 2048 : n == 3 ? 3072 : n;
      if (bits >= 1024 && bits <= 4096) break;
      con.Write("Key size must be 1024 to 4096 bits.\r\n");
    }
    std::string uid;
    con.Write(
        "\r\nYou need a user ID for your public key.  The desired form for this\r\n"
        "user ID is your name, followed by your E-mail address enclosed in\r\n"
        "<angle brackets>, if you have an E-mail address.\r\n"
        "For example:  John Q. Smith <12345.6789@compuserve.com>\r\n");
    while (uid.empty()) {
      if (!con.Ask("Enter a user ID for your public key: \r\n", uid))
        return Say("Key generation cancelled.", kExitKeyGeneration);
    }
    std::string pass;
    for (;;) {
      std::string again;
      con.Write(
          "\r\nYou need a pass phrase to protect your RSA secret key.\r\n"
          "Your pass phrase can be any sentence or phrase and may have many\r\n"
          "words, spaces, punctuation, or any other printable characters.\r\n");
      if (!con.Ask("\r\nEnter pass phrase: ", pass, false) || !con.Ask("Enter same pass phrase again: ", again, false))
        return Say("Key generation cancelled.", kExitKeyGeneration);
      if (pass == again) break;
      con.Write("\r\nError: Pass phrases were different.  Try again.\r\n");
    }
    con.Write("\r\nNote that key generation is a lengthy process.\r\n");
    Out("Generating a " + std::to_string(bits) + "-bit key for user ID \"" + DisplayUserId(uid) + "\".\r\n");
    const std::string algo = "rsa" + std::to_string(bits);
    auto r = Gpg({{.args = {"--utf8-strings", "--quick-gen-key"},
                   .passPhrase = true,
                   .operands = {bridge::AnsiToUtf8(uid), algo, "sign,cert", "never"}}},
                 &pass);
    if (!r || ExitForGenerate((*r)[0].exit, (*r)[0].status) != kExitOk)
      return Say("Key generation failed." + (r ? "\r\n" + (*r)[0].err : std::string()), kExitKeyGeneration);
    // KEY_CREATED <type> <fingerprint>
    std::string created = StatusArgs((*r)[0].status, "KEY_CREATED");
    std::string fpr = created.substr(created.find(' ') + 1);
    fpr = fpr.substr(0, fpr.find(' '));
    auto sub =
        Gpg({{.args = {"--quick-add-key"}, .passPhrase = true, .operands = {fpr, algo, "encr", "never"}}, RingExport()},
            &pass);
    CommitRing();
    if (!sub || (*sub)[0].exit != 0) return Say("Key generation failed: no encryption key.", kExitKeyGeneration);
    con.Write("\r\nKey generation completed.\r\n");
    return Say("Key generation completed.", kExitOk);
  }

  int Add() {
    std::string file = bridge::FullPath(op_.file);
    if (!bridge::FileExists(file)) return Say("Key file '" + op_.file + "' does not exist.", kExitFileNotFound);
    auto r = Gpg({{.args = {"--import"}, .operands = {host_.GpgPath(file)}}, RingExport()});
    if (!r) return kExitUnknownFile;
    CommitRing();
    int code = ExitForImport((*r)[0].exit, (*r)[0].status);
    if (code != kExitOk) return Say("No keys added from '" + op_.file + "'.", code);
    // IMPORT_RES <count> <no_user_id> <imported> ...
    std::string res = StatusArgs((*r)[0].status, "IMPORT_RES");
    int count = std::atoi(res.c_str());
    size_t p = res.find(' ');
    p = p == std::string::npos ? p : res.find(' ', p + 1);
    int imported = p == std::string::npos ? 0 : std::atoi(res.c_str() + p + 1);
    return Say("\r\nKeyfile contains:\r\n" + std::to_string(count) + " key(s), " + std::to_string(imported) +
                   " new key(s) added to key ring.",
               kExitOk);
  }

  const Key* PickOne(const std::vector<Key>& keys, const std::string& text, bool secret = false) {
    auto found = SelectKeys(keys, text, secret);
    return found.empty() ? nullptr : found.front();
  }

  int Extract() {
    auto keys = LoadKeys();
    if (!keys) return kExitUnknownFile;
    const Key* k = PickOne(*keys, *op_.userId);
    if (!k) return Say("Key not found in key ring '" + RingPath() + "'.", kExitKeyExtract);
    std::vector<std::string> args = {"--export"};
    if (op_.armor) args.push_back("--armor");
    args.insert(args.end(), {"--output", host_.GpgPath(bridge::FullPath(op_.file))});
    auto r = Gpg({{.args = args, .operands = {k->fingerprint}}});
    if (!r) return kExitUnknownFile;
    int code = ExitForExport((*r)[0].exit, (*r)[0].status);
    if (code != kExitOk) return Say("Key extract error.", code);
    return Say("\r\nExtracting from key ring: '" + RingPath() + "', userid \"" + *op_.userId +
                   "\".\r\n\r\nKey extracted to file '" + op_.file + "'.",
               kExitOk);
  }

  int Remove() {
    auto keys = LoadKeys();
    if (!keys) return kExitUnknownFile;
    const Key* k = PickOne(*keys, *op_.userId);
    if (!k) return Say("Key not found in key ring '" + RingPath() + "'.", kExitKeyRemove);
    Console con;
    std::string shortId = k->keyId.substr(k->keyId.size() > 8 ? k->keyId.size() - 8 : 0);
    con.Write("\r\nKey for user ID: " + (k->userIds.empty() ? std::string() : DisplayUserId(k->userIds[0])) + "\r\n" +
              std::to_string(k->bits) + "-bit key, Key ID " + shortId + ", created " + FormatDate(k->created) + "\r\n");
    std::string answer;
    con.Ask(k->secret ? "\r\nThis key has a secret part: remove the public AND the secret key (y/N)? "
                      : "\r\nAre you sure you want this key removed (y/N)? ",
            answer);
    if (answer.empty() || (answer[0] != 'y' && answer[0] != 'Y')) return Say("Key not removed.", kExitKeyRemove);
    auto r =
        Gpg({{.args = {k->secret ? "--delete-secret-and-public-keys" : "--delete-keys"}, .operands = {k->fingerprint}},
             RingExport()});
    if (!r) return kExitUnknownFile;
    CommitRing();
    int code = ExitForDelete((*r)[0].exit, (*r)[0].status);
    if (code != kExitOk) return Say("Key removal error.", code);
    return Say("Key removed from key ring.", kExitOk);
  }

  // -z, else PGPPASS from the environment (as PGP 2.6 reads it), else asked.
  std::string PassPhrase() {
    if (op_.passPhrase) return *op_.passPhrase;
    if (const char* fromEnvironment = std::getenv("PGPPASS")) return fromEnvironment;
    Console con;
    std::string p;
    con.Ask("\r\nEnter pass phrase: ", p, false);
    return p;
  }

  int Encrypt() {
    std::string input = bridge::FullPath(op_.file);
    if (!bridge::FileExists(input)) return Say("File '" + op_.file + "' does not exist.", kExitFileNotFound);
    std::vector<std::string> wanted = op_.recipients;
    if (op_.recipientList) {
      auto list = bridge::ReadWholeFile(bridge::FullPath(*op_.recipientList));
      if (!list) return Say("Recipient list '" + *op_.recipientList + "' not found.", kExitFileNotFound);
      auto more = ParseRecipientList(*list);
      wanted.insert(wanted.end(), more.begin(), more.end());
    }
    if (wanted.empty()) return Say("No recipients given.", kExitRsaEncryption);
    auto keys = LoadKeys();
    if (!keys) return kExitUnknownFile;
    std::vector<std::string> args = {"--encrypt"};
    for (const std::string& who : wanted) {
      const Key* k = PickOne(*keys, who);
      if (!k) return Say("Cannot find the public key matching userid '" + who + "'", kExitRsaEncryption);
      args.insert(args.end(), {"--recipient", k->fingerprint});
    }
    std::string pass;
    if (op_.sign) {
      const Key* signer = PickOne(*keys, op_.signer.value_or(""), true);
      if (!signer)
        return Say("Key for user ID \"" + op_.signer.value_or("") + "\" not found in secret key ring.", kExitSignature);
      args.insert(args.end(), {"--sign", "--local-user", signer->fingerprint});
      pass = PassPhrase();
    }
    if (op_.armor) args.push_back("--armor");
    std::string output = op_.output ? bridge::FullPath(*op_.output) : EncryptedName(input, op_.armor);
    if (bridge::FileExists(output)) return Say("Output file '" + output + "' already exists.", kExitUnknownFile);
    args.insert(args.end(), {"--output", host_.GpgPath(output)});
    auto r =
        Gpg({{.args = args, .passPhrase = op_.sign, .operands = {host_.GpgPath(input)}}}, op_.sign ? &pass : nullptr);
    if (!r) return kExitUnknownFile;
    int code = ExitForEncrypt((*r)[0].exit, (*r)[0].status, op_.sign);
    if (code != kExitOk) {
      DeleteFileA(output.c_str());
      return Say(
          code == kExitSignature ? "Error: Bad pass phrase or signing key." : "Encryption error.\r\n" + (*r)[0].err,
          code);
    }
    return Say(std::string(op_.armor ? "Transport armor file: " : "Ciphertext file: ") + output, kExitOk);
  }

  int Decrypt() {
    std::string input = bridge::FullPath(op_.file);
    if (!bridge::FileExists(input)) return Say("File '" + op_.file + "' does not exist.", kExitFileNotFound);
    std::string output = op_.output ? bridge::FullPath(*op_.output) : DecryptedName(input);
    if (output.empty()) return Say("No output file name: give one with -o.", kExitBadArguments);
    if (bridge::FileExists(output)) return Say("Output file '" + output + "' already exists.", kExitUnknownFile);
    std::string pass = PassPhrase();
    auto r = Gpg({{.args = {"--decrypt", "--output", host_.GpgPath(output)},
                   .passPhrase = true,
                   .operands = {host_.GpgPath(input)}}},
                 &pass);
    if (!r) return kExitUnknownFile;
    const CallResult& c = (*r)[0];
    int code = ExitForDecrypt(c.exit, c.status);
    if (code != kExitOk && code != kExitSignatureCheck) {
      DeleteFileA(output.c_str());
      if (code == kExitRsaDecryption)
        return Say(HasStatus(c.status, "BAD_PASSPHRASE")
                       ? "Error: Bad pass phrase."
                       : "You do not have the secret key needed to decrypt this file.",
                   code);
      if (code == kExitInvalidFile) return Say("'" + op_.file + "' is not a cipher text file.", code);
      return Say("Decryption error.", code);
    }
    std::string signer;
    if (HasStatus(c.status, "GOODSIG") || HasStatus(c.status, "BADSIG")) {
      std::string args = StatusArgs(c.status, HasStatus(c.status, "GOODSIG") ? "GOODSIG" : "BADSIG");
      if (auto keys = LoadKeys())
        if (const Key* k = FindByKeyId(*keys, args.substr(0, args.find(' '))); k && !k->userIds.empty())
          signer = DisplayUserId(k->userIds[0]);
    }
    Out(SignatureReport(c.status, signer));
    return Say("Plaintext filename: " + output, code);
  }

  Operation op_;
  std::string folder_;
  GpgHost& host_;
};

}  // namespace
}  // namespace pgp26

int main() {
  using namespace pgp26;
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  const std::string banner = "PGP 2.6 compatible command, cryptography by GnuPG.\r\n";
  DWORD written = 0;
  if (err && err != INVALID_HANDLE_VALUE)
    WriteFile(err, banner.data(), static_cast<DWORD>(banner.size()), &written, nullptr);

  std::vector<Token> tokens = SplitCommandLine(GetCommandLineA());
  if (!tokens.empty()) tokens.erase(tokens.begin());
  ParseResult parsed = ParseArguments(tokens);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  auto say = [&](const std::string& s) {
    if (out && out != INVALID_HANDLE_VALUE) WriteFile(out, s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
  };
  if (!parsed.error.empty()) {
    say(parsed.error + "\r\n");
    return kExitBadArguments;
  }
  std::string folder = bridge::ModuleFolder();
  std::string error;
  auto host = GpgHost::Open(folder, error);
  if (!host) {
    say(error + "\r\n");
    return kExitUnknownFile;
  }
  return Session(std::move(parsed.op), folder, *host).Run();
}
