// A PGP 2.6.x compatible command that leaves the cryptography to GnuPG.
// Installed as PGP.EXE in a PGP folder; keys live in "<folder>\gnupg" and
// "<folder>\pubring.pgp" is kept as an export of every public key.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "standins/bridge/codepage.h"
#include "standins/bridge/files.h"
#include "standins/pgp26/command.h"
#include "standins/pgp26/console.h"
#include "standins/pgp26/gpg.h"
#include "standins/pgp26/host.h"
#include "standins/pgp26/keys.h"
#include "standins/pgp26/keystore.h"
#include "standins/pgp26/message.h"
#include "standins/pgp26/report.h"

namespace pgp26 {
namespace {

// gpg's messages as printed: each line escaped, CR LF line ends.
std::string PrintableLines(std::string_view text) {
  std::string out;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out += Printable(line) + "\r\n";
    pos = end + 1;
  }
  return out;
}

// The user IDs of keys as printed, in the ANSI code page.
void ForPrinting(std::vector<Key>& keys) {
  for (Key& k : keys)
    for (std::string& u : k.userIds) u = bridge::Utf8ToAnsi(u);
}

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
      case Op::Sign:
        return Sign();
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

  // The ring's keys as kept beside it; listing them again starts no agent.
  std::unique_ptr<KeptKeys> Keys() {
    auto kept = host_.Keys();
    if (!kept) Out("Error: GnuPG could not list the key ring.\r\n");
    return kept;
  }

  // The keys `text` (a user ID in the ANSI code page, or "0x" + a key ID)
  // names, user IDs as printed. A key ID naming more than one key is refused
  // with `refusal`: PGP would otherwise take the first in ring order.
  struct Chosen {
    std::vector<Key> keys;
    int refused = kExitOk;
  };
  Chosen Choose(const KeyStore& store, const std::string& text, bool secretOnly, int refusal) {
    Selection s = store.Select(bridge::AnsiToUtf8(text), secretOnly);
    if (store.failed()) {
      Out("Error: the key ring's listing could not be read.\r\n");
      return {{}, kExitUnknownFile};
    }
    if (s.ambiguous) {
      Out("Key ID '" + Printable(text) +
          "' matches more than one key: give the 16-digit key ID or the fingerprint.\r\n");
      return {{}, refusal};
    }
    ForPrinting(s.keys);
    return {std::move(s.keys), kExitOk};
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
    auto kept = Keys();
    if (!kept) return kExitUnknownFile;
    ListingRequest req;
    req.ringPath = RingPath();
    req.filter = op_.userId ? &*op_.userId : nullptr;
    req.fingerprints = fingerprints;
    if (!op_.userId && !fingerprints) {
      // Every key: the listing kept beside the ring, copied as it is.
      Out(ListingHead(req));
      return kept->pgpListing().CopyTo(GetStdHandle(STD_OUTPUT_HANDLE)) ? kExitOk : kExitUnknownFile;
    }
    std::vector<Key> chosen;
    if (op_.userId) {
      Chosen c = Choose(kept->store(), *op_.userId, false, kExitKeyMissing);
      if (c.refused) return c.refused;
      chosen = std::move(c.keys);
    } else {
      chosen = kept->store().Select("", false).keys;
      ForPrinting(chosen);
    }
    std::vector<const Key*> listed;
    for (const Key& k : chosen) listed.push_back(&k);
    Out(FormatListing(listed, req));
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
    Out("Generating a " + std::to_string(bits) + "-bit key for user ID \"" + Printable(uid) + "\".\r\n");
    const std::string algo = "rsa" + std::to_string(bits);
    // gpg gets the user ID in UTF-8 as it is (the identity when the process
    // code page is UTF-8).
    auto r = Gpg({{.args = {"--utf8-strings", "--quick-gen-key"},
                   .passPhrase = true,
                   .operands = {bridge::AnsiToUtf8(uid), algo, "sign,cert", "never"}}},
                 &pass);
    if (!r || ExitForGenerate((*r)[0].exit, (*r)[0].status) != kExitOk)
      return Say("Key generation failed." + (r ? "\r\n" + PrintableLines((*r)[0].err) : std::string()),
                 kExitKeyGeneration);
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
    if (!bridge::FileExists(file))
      return Say("Key file '" + PrintablePath(op_.file) + "' does not exist.", kExitFileNotFound);
    auto r = Gpg({{.args = {"--import"}, .operands = {host_.GpgPath(file)}}, RingExport()});
    if (!r) return kExitUnknownFile;
    CommitRing();
    int code = ExitForImport((*r)[0].exit, (*r)[0].status);
    if (code != kExitOk) return Say("No keys added from '" + PrintablePath(op_.file) + "'.", code);
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

  // The key -kx and -kr name: the first the user ID selects. Nothing, with
  // the exit code in `code`, when there is none (`missing`) or a key ID is
  // refused.
  std::optional<Key> NamedKey(int missing, int& code) {
    auto kept = Keys();
    if (!kept) {
      code = kExitUnknownFile;
      return std::nullopt;
    }
    Chosen c = Choose(kept->store(), *op_.userId, false, kExitKeyMissing);
    code = c.refused;
    if (c.refused) return std::nullopt;
    if (c.keys.empty()) {
      code = Say("Key not found in key ring '" + PrintablePath(RingPath()) + "'.", missing);
      return std::nullopt;
    }
    return std::move(c.keys.front());
  }

  int Extract() {
    int code = kExitOk;
    const auto k = NamedKey(kExitKeyExtract, code);
    if (!k) return code;
    std::vector<std::string> args = {"--export"};
    if (op_.armor) args.push_back("--armor");
    args.insert(args.end(), {"--output", host_.GpgPath(bridge::FullPath(op_.file))});
    auto r = Gpg({{.args = args, .operands = {k->fingerprint}}});
    if (!r) return kExitUnknownFile;
    code = ExitForExport((*r)[0].exit, (*r)[0].status);
    if (code != kExitOk) return Say("Key extract error.", code);
    return Say("\r\nExtracting from key ring: '" + PrintablePath(RingPath()) + "', userid \"" + Printable(*op_.userId) +
                   "\".\r\n\r\nKey extracted to file '" + PrintablePath(op_.file) + "'.",
               kExitOk);
  }

  int Remove() {
    int code = kExitOk;
    const auto named = NamedKey(kExitKeyRemove, code);
    if (!named) return code;
    const Key& k = *named;
    Console con;
    std::string shortId = k.keyId.substr(k.keyId.size() > 8 ? k.keyId.size() - 8 : 0);
    con.Write("\r\nKey for user ID: " + (k.userIds.empty() ? std::string() : Printable(k.userIds[0])) + "\r\n" +
              std::to_string(k.bits) + "-bit key, Key ID " + shortId + ", created " + FormatDate(k.created) + "\r\n");
    std::string answer;
    con.Ask(k.secret ? "\r\nThis key has a secret part: remove the public AND the secret key (y/N)? "
                     : "\r\nAre you sure you want this key removed (y/N)? ",
            answer);
    if (answer.empty() || (answer[0] != 'y' && answer[0] != 'Y')) return Say("Key not removed.", kExitKeyRemove);
    auto r =
        Gpg({{.args = {k.secret ? "--delete-secret-and-public-keys" : "--delete-keys"}, .operands = {k.fingerprint}},
             RingExport()});
    if (!r) return kExitUnknownFile;
    CommitRing();
    code = ExitForDelete((*r)[0].exit, (*r)[0].status);
    if (code != kExitOk) return Say("Key removal error.", code);
    return Say("Key removed from key ring.", kExitOk);
  }

  // -z, else PGPPASS from the environment (as PGP 2.6 reads it).
  std::optional<std::string> GivenPassPhrase() const {
    if (op_.passPhrase) return op_.passPhrase;
    return bridge::EnvironmentVariable("PGPPASS");
  }
  // The given one, else asked in the console.
  std::string PassPhrase() {
    if (auto given = GivenPassPhrase()) return *given;
    Console con;
    std::string p;
    con.Ask("\r\nEnter pass phrase: ", p, false);
    return p;
  }

  // The signing key: -u among the keys with a secret part (the first one
  // without -u). Nothing, with the exit code in `code`, when there is none.
  std::optional<Key> Signer(const KeyStore& store, int& code) {
    const std::string id = op_.signer.value_or("");
    Chosen c = Choose(store, id, true, kExitKeyMissing);
    code = c.refused;
    if (c.refused) return std::nullopt;
    if (c.keys.empty()) {
      code = Say("Key for user ID \"" + Printable(id) + "\" not found in secret key ring.", kExitSignature);
      return std::nullopt;
    }
    return std::move(c.keys.front());
  }

  int Encrypt() {
    std::string input = bridge::FullPath(op_.file);
    if (!bridge::FileExists(input))
      return Say("File '" + PrintablePath(op_.file) + "' does not exist.", kExitFileNotFound);
    std::vector<std::string> wanted = op_.recipients;
    if (op_.recipientList) {
      auto list = bridge::ReadWholeFile(bridge::FullPath(*op_.recipientList));
      if (!list) return Say("Recipient list '" + PrintablePath(*op_.recipientList) + "' not found.", kExitFileNotFound);
      auto more = ParseRecipientList(*list);
      wanted.insert(wanted.end(), more.begin(), more.end());
    }
    if (wanted.empty()) return Say("No recipients given.", kExitRsaEncryption);
    auto kept = Keys();
    if (!kept) return kExitUnknownFile;
    std::vector<std::string> args = {"--encrypt"};
    for (const std::string& who : wanted) {
      Chosen c = Choose(kept->store(), who, false, kExitRsaEncryption);
      if (c.refused) return c.refused;
      if (c.keys.empty())
        return Say("Cannot find the public key matching userid '" + Printable(who) + "'", kExitRsaEncryption);
      args.insert(args.end(), {"--recipient", c.keys.front().fingerprint});
    }
    std::string pass;
    if (op_.sign) {
      int code = kExitOk;
      auto signer = Signer(kept->store(), code);
      if (!signer) return code;
      args.insert(args.end(), {"--sign", "--local-user", signer->fingerprint});
      pass = PassPhrase();
    }
    if (op_.armor) args.push_back("--armor");
    std::string output = op_.output ? bridge::FullPath(*op_.output) : EncryptedName(input, op_.armor);
    if (bridge::FileExists(output))
      return Say("Output file '" + PrintablePath(output) + "' already exists.", kExitUnknownFile);
    args.insert(args.end(), {"--output", host_.GpgPath(output)});
    auto r =
        Gpg({{.args = args, .passPhrase = op_.sign, .operands = {host_.GpgPath(input)}}}, op_.sign ? &pass : nullptr);
    if (!r) return kExitUnknownFile;
    int code = ExitForEncrypt((*r)[0].exit, (*r)[0].status, op_.sign);
    if (code != kExitOk) {
      DeleteFileA(output.c_str());
      return Say(code == kExitSignature ? "Error: Bad pass phrase or signing key."
                                        : "Encryption error.\r\n" + PrintableLines((*r)[0].err),
                 code);
    }
    return Say(std::string(op_.armor ? "Transport armor file: " : "Ciphertext file: ") + PrintablePath(output),
               kExitOk);
  }

  // -s[t][a]: a signed message beside the input; with -sta and
  // +clearsig=on a clear-signed one (the text readable, the signature
  // armoured after it), as PGP names it: "<input base>.asc".
  int Sign() {
    std::string input = bridge::FullPath(op_.file);
    if (!bridge::FileExists(input))
      return Say("File '" + PrintablePath(op_.file) + "' does not exist.", kExitFileNotFound);
    auto kept = Keys();
    if (!kept) return kExitUnknownFile;
    int code = kExitOk;
    auto signer = Signer(kept->store(), code);
    if (!signer) return code;
    const bool clear = op_.clearsig && op_.text && op_.armor;
    std::vector<std::string> args;
    if (clear) {
      args = {"--clearsign"};
    } else {
      args = {"--sign"};
      if (op_.armor) args.push_back("--armor");
      if (op_.text) args.push_back("--textmode");
    }
    args.insert(args.end(), {"--local-user", signer->fingerprint});
    std::string output = op_.output ? bridge::FullPath(*op_.output) : EncryptedName(input, op_.armor);
    if (bridge::FileExists(output))
      return Say("Output file '" + PrintablePath(output) + "' already exists.", kExitUnknownFile);
    args.insert(args.end(), {"--output", host_.GpgPath(output)});
    std::string pass = PassPhrase();
    auto r = Gpg({{.args = args, .passPhrase = true, .operands = {host_.GpgPath(input)}}}, &pass);
    if (!r) return kExitUnknownFile;
    code = ExitForSign((*r)[0].exit, (*r)[0].status);
    if (code != kExitOk) {
      DeleteFileA(output.c_str());
      return Say("Error: Bad pass phrase or signing key.", code);
    }
    return Say(std::string(clear       ? "Clear signature file: "
                           : op_.armor ? "Transport armor file: "
                                       : "Signature file: ") +
                   PrintablePath(output),
               kExitOk);
  }

  // Decrypts or verifies. A pass phrase is asked only for a message that
  // needs a secret key: a clear-signed or signed message never asks.
  int Decrypt() {
    std::string input = bridge::FullPath(op_.file);
    if (!bridge::FileExists(input))
      return Say("File '" + PrintablePath(op_.file) + "' does not exist.", kExitFileNotFound);
    std::string output = op_.output ? bridge::FullPath(*op_.output) : DecryptedName(input);
    if (output.empty()) return Say("No output file name: give one with -o.", kExitBadArguments);
    if (bridge::FileExists(output))
      return Say("Output file '" + PrintablePath(output) + "' already exists.", kExitUnknownFile);
    std::optional<std::string> pass = GivenPassPhrase();
    const MessageKind kind = SniffMessage(bridge::ReadWholeFile(input, 1 << 16).value_or(""));
    if (!pass && (kind == MessageKind::Encrypted || kind == MessageKind::Unknown)) pass = PassPhrase();
    // The second call checks the certifications of the keys whose
    // signatures the first verified, the user's own keys left out: they
    // count as certified.
    auto kept = host_.Keys();
    std::vector<Key> own;
    if (kept) own = kept->store().SecretKeys();
    std::vector<std::string> ownFingerprints;
    for (const Key& k : own) ownFingerprints.push_back(k.fingerprint);
    auto r = Gpg({{.args = {"--decrypt", "--output", host_.GpgPath(output)},
                   .passPhrase = pass.has_value(),
                   .operands = {host_.GpgPath(input)}},
                  {.args = {"--with-colons", "--check-sigs"}, .signersOf = 0, .knownSigners = ownFingerprints}},
                 pass ? &*pass : nullptr);
    if (!r) return kExitUnknownFile;
    const CallResult& c = (*r)[0];
    int code = ExitForDecrypt(c.exit, c.status);
    if (code != kExitOk && code != kExitSignatureCheck) {
      DeleteFileA(output.c_str());
      if (code == kExitRsaDecryption)
        return Say(HasStatus(c.status, "BAD_PASSPHRASE") || HasStatus(c.status, "MISSING_PASSPHRASE")
                       ? "Error: Bad pass phrase."
                       : "You do not have the secret key needed to decrypt this file.",
                   code);
      if (code == kExitInvalidFile) return Say("'" + PrintablePath(op_.file) + "' is not a cipher text file.", code);
      return Say("Decryption error.", code);
    }
    Out(Report(ReadSignatures(c.status, c.err), (*r)[1].out, kept.get(), own));
    return Say("Plaintext filename: " + PrintablePath(output), code);
  }

  // The signature report of a decryption or verification (empty without
  // signatures): each signer looked up by the primary fingerprint gpg
  // verified, or, when it could not verify, by the exact long key ID.
  std::string Report(const std::vector<SignatureStatus>& sigs, std::string_view checkedSigs, const KeptKeys* kept,
                     const std::vector<Key>& own) {
    std::string out;
    for (const SignatureStatus& s : sigs) {
      std::vector<Key> found;
      if (kept && !s.primaryFingerprint.empty()) {
        if (auto k = kept->store().ByFingerprint(s.primaryFingerprint)) found.push_back(std::move(*k));
      } else if (kept) {
        found = kept->store().ByLongKeyId(s.keyId);
      }
      const Key* key = found.size() == 1 ? &found.front() : nullptr;
      const bool certified = key && IsCertified(*key, checkedSigs, own);
      ForPrinting(found);
      if (!out.empty()) out += "\r\n";
      out += SignatureReportBlock(s, key, certified, std::time(nullptr), RingPath());
    }
    return out;
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
    say(Printable(parsed.error) + "\r\n");
    return kExitBadArguments;
  }
  std::string folder = bridge::ModuleFolder();
  std::string error;
  auto host = GpgHost::Open(folder, error);
  if (!host) {
    say(PrintablePath(error) + "\r\n");
    return kExitUnknownFile;
  }
  return Session(std::move(parsed.op), folder, *host).Run();
}
