#include "standins/scriptpgp/scriptcore.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "standins/bridge/files.h"
#include "standins/scriptpgp/scriptmsg.h"

namespace scriptpgp {
namespace {

constexpr std::size_t kUserIdColumn = 30;  // 0-based: column 31
constexpr std::string_view kRevoked = "*** KEY REVOKED ***";
constexpr std::string_view kBadPassPhrase = "Error:  Bad pass phrase.\n";

std::string TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return std::string(s);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ContainsNoCase(std::string_view hay, std::string_view needle) {
  if (needle.size() > hay.size()) return false;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && Lower(hay[i + k]) == Lower(needle[k])) ++k;
    if (k == needle.size()) return true;
  }
  return false;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  return suffix.size() <= s.size() && ContainsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

bool IsKeyIdSelector(std::string_view id) { return id.size() > 2 && id[0] == '0' && (id[1] == 'x' || id[1] == 'X'); }

bool IsKeyLine(std::string_view line) { return line.starts_with("pub") || line.starts_with("sec"); }

using bridge::FileExists;
using bridge::ReadWholeFile;
using bridge::WriteWholeFile;

std::array<unsigned char, 16> FingerprintBytes(std::string_view userId) {
  std::array<unsigned char, 16> bytes{};
  std::uint64_t seeds[2] = {14695981039346656037ULL, 0x9E3779B97F4A7C15ULL};
  for (int half = 0; half < 2; ++half) {
    std::uint64_t h = seeds[half];
    for (char c : userId) {
      h ^= static_cast<unsigned char>(c);
      h *= 1099511628211ULL;
    }
    for (int b = 0; b < 8; ++b) bytes[half * 8 + b] = static_cast<unsigned char>(h >> (56 - 8 * b));
  }
  return bytes;
}

std::string Hex2(unsigned char b) {
  char buf[3];
  std::snprintf(buf, sizeof buf, "%02X", b);
  return buf;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

const KeyBlock* FindFirstUserId(const Listing& listing, std::string_view id) {
  for (const auto& key : listing.keys)
    if (MatchesFirstUserId(key, id)) return &key;
  return nullptr;
}

struct Ring {
  std::string listingPath;
  std::string ringPath;
  Listing listing;
};

Ring LoadRing(const std::string& folder) {
  Ring ring{JoinPath(folder, "listing.txt"), JoinPath(folder, "pubring.pgp"), {}};
  if (auto text = ReadWholeFile(ring.listingPath)) ring.listing = ParseListing(*text);
  if (ring.listing.header.empty()) ring.listing.header = EmptyRingHeader(ring.ringPath);
  return ring;
}

Result SaveRing(const Ring& ring, Result done) {
  if (!WriteWholeFile(ring.listingPath, FormatListing(ring.listing)))
    return {12, "", "Error: cannot write the key ring '" + ring.listingPath + "'.\n"};
  return done;
}

Result Failure(int code, std::string message) { return {code, "", std::move(message) + "\n"}; }

Result ListKeys(const std::string& folder) {
  const std::string path = JoinPath(folder, "listing.txt");
  if (auto text = ReadWholeFile(path)) return {0, std::move(*text), ""};
  return {0, JoinCrLf(EmptyRingHeader(JoinPath(folder, "pubring.pgp"))) + CountLine(0) + "\r\n", ""};
}

Result Fingerprint(const std::string& folder, const std::string& id) {
  if (auto text = ReadWholeFile(JoinPath(folder, "fingerprint.txt"))) return {0, std::move(*text), ""};
  const Ring ring = LoadRing(folder);
  std::vector<std::string> lines = ring.listing.header;
  for (auto& line : lines)
    if (line.starts_with("Key ring:")) line += ", looking for user ID \"" + id + "\".";
  const KeyBlock* key = FindFirstUserId(ring.listing, id);
  if (!key) return {67, JoinCrLf(lines) + CountLine(0) + "\r\n", ""};
  // The fingerprint follows the first user ID, which for a revoked key is
  // the line after the key line.
  const bool revoked = TrimRight(key->lines[0].substr(std::min(kUserIdColumn, key->lines[0].size()))) == kRevoked;
  const std::size_t after = revoked && key->lines.size() > 1 ? 2 : 1;
  for (std::size_t i = 0; i < key->lines.size(); ++i) {
    if (i == after) lines.push_back(FingerprintLine(FirstUserId(*key)));
    lines.push_back(key->lines[i]);
  }
  if (after == key->lines.size()) lines.push_back(FingerprintLine(FirstUserId(*key)));
  lines.push_back(CountLine(1));
  return {0, JoinCrLf(lines), ""};
}

Result AddKeys(const std::string& folder, const std::string& file) {
  const auto text = ReadWholeFile(file);
  if (!text) return Failure(2, "Key file '" + file + "' does not exist.");
  Ring ring = LoadRing(folder);
  std::size_t added = 0;
  for (auto& key : ParseListing(*text).keys) {
    if (!key.lines[0].starts_with("pub")) continue;
    ring.listing.keys.push_back(std::move(key));
    ++added;
  }
  return SaveRing(ring, {0, "", std::to_string(added) + " new key(s) added to the key ring.\n"});
}

Result Extract(const std::string& folder, const std::string& id, const std::string& file, bool armour) {
  const Ring ring = LoadRing(folder);
  const KeyBlock* key = FindFirstUserId(ring.listing, id);
  if (!key) return Failure(11, "Key not found in key ring '" + ring.ringPath + "'.");
  std::vector<std::string> lines = key->lines;
  if (armour) {
    lines.insert(lines.begin(), "-----BEGIN PGP PUBLIC KEY BLOCK-----");
    lines.push_back("-----END PGP PUBLIC KEY BLOCK-----");
  }
  if (!WriteWholeFile(file, JoinCrLf(lines))) return Failure(13, "Cannot write the key file '" + file + "'.");
  return {0, "", "Key extracted to file '" + file + "'.\n"};
}

Result Remove(const std::string& folder, const std::string& id) {
  Ring ring = LoadRing(folder);
  auto& keys = ring.listing.keys;
  for (auto it = keys.begin(); it != keys.end(); ++it) {
    if (!MatchesFirstUserId(*it, id)) continue;
    const std::string userId = FirstUserId(*it);
    keys.erase(it);
    return SaveRing(ring, {0, "", "Removing key \"" + userId + "\" (answered yes).\nKey removed from key ring.\n"});
  }
  return Failure(11, "Key not found in key ring '" + ring.ringPath + "'.");
}

Result Generate(const std::string& folder, const Scenario& scenario, std::string_view today) {
  Ring ring = LoadRing(folder);
  if (!FileExists(ring.ringPath) && !WriteWholeFile(ring.ringPath, ""))
    return Failure(10, "Cannot create the key ring '" + ring.ringPath + "'.");
  ring.listing.keys.push_back(KeyBlock{{KeyLine(scenario.genId, today)}});
  return SaveRing(ring, {0, "", "Key generation completed.\n"});
}

Result Encrypt(const Invocation& inv, const std::string& folder, const Scenario& scenario) {
  if (inv.operands.empty()) return Failure(5, "No file to encrypt.");
  const std::string& input = inv.operands[0];
  auto plain = ReadWholeFile(input);
  if (!plain) return Failure(2, "File '" + input + "' does not exist.");

  std::vector<std::string> recipients(inv.operands.begin() + 1, inv.operands.end());
  if (inv.listFile) {
    const auto list = ReadWholeFile(*inv.listFile);
    if (!list) return Failure(2, "Recipients list '" + *inv.listFile + "' does not exist.");
    for (auto& r : ReadRecipientList(*list)) recipients.push_back(std::move(r));
  }
  if (recipients.empty()) return Failure(21, "No recipients given.");

  const std::string output = inv.output ? *inv.output : EncryptedName(input, inv.armour);
  if (FileExists(output))
    return Failure(1, "Output file '" + output + "' already exists. Not overwritten in batch mode.");

  const Ring ring = LoadRing(folder);
  for (const auto& r : recipients) {
    bool found = false;
    for (const auto& key : ring.listing.keys) found = found || MatchesAnyUserId(key, r);
    if (!found) return Failure(21, "Cannot find the public key matching userid '" + r + "'.");
  }
  if (inv.sign && inv.passPhrase != scenario.passPhrase) return {20, "", std::string(kBadPassPhrase)};

  const ScriptMessage message{std::move(*plain), std::move(recipients), inv.sign ? inv.signer : std::string()};
  if (!WriteWholeFile(output, FormatScriptMessage(message)))
    return Failure(22, "Cannot write the output file '" + output + "'.");
  return {0, "", "Ciphertext file: " + output + "\n"};
}

// PGP 2.6's report on a signature whose text matched (or not).
std::string SignatureReport(const std::string& signer, bool good) {
  std::string key = KeyLine(signer, "");
  key = key.substr(10, 8);  // the key ID of "pub  1024/XXXXXXXX "
  const std::string made = "Signature made 2024/01/02 03:04 GMT using 1024-bit key, key ID " + key + "\r\n";
  if (good) return "Good signature from user \"" + signer + "\".\r\n" + made;
  return "WARNING: Bad signature, doesn't match file contents!\r\n\r\nBad signature from user \"" + signer + "\".\r\n" +
         made;
}

Result ClearSign(const Invocation& inv, const Scenario& scenario) {
  if (!inv.clearSig || inv.operands.size() != 1) return Failure(5, "Usage: pgp -sta <file> -u<id> +clearsig=on.");
  const std::string& input = inv.operands[0];
  const auto text = ReadWholeFile(input);
  if (!text) return Failure(2, "File '" + input + "' does not exist.");
  const std::string output = inv.output ? *inv.output : EncryptedName(input, true);
  if (FileExists(output))
    return Failure(1, "Output file '" + output + "' already exists. Not overwritten in batch mode.");
  if (inv.passPhrase != scenario.passPhrase) return {20, "", std::string(kBadPassPhrase)};
  if (!WriteWholeFile(output, FormatClearSigned(*text, inv.signer)))
    return Failure(22, "Cannot write the output file '" + output + "'.");
  return {0, "", "Clear signature file: " + output + "\n"};
}

// A clear-signed message needs no pass phrase: its text goes to the output
// and its signature is reported.
Result Verify(const ClearSigned& message, const std::string& output) {
  if (FileExists(output))
    return Failure(1, "Output file '" + output + "' already exists. Not overwritten in batch mode.");
  if (!WriteWholeFile(output, message.text)) return Failure(32, "Cannot write the output file '" + output + "'.");
  return {message.intact ? 0 : 30, SignatureReport(message.signer, message.intact),
          "Plaintext filename: " + output + "\n"};
}

Result Decrypt(const Invocation& inv, const Scenario& scenario) {
  if (inv.operands.size() != 1 || !inv.output) return Failure(5, "Usage: pgp <input> -o <output>.");
  const std::string& input = inv.operands[0];
  const auto text = ReadWholeFile(input);
  if (!text) return Failure(2, "File '" + input + "' does not exist.");
  auto message = ParseScriptMessage(*text);
  if (!message) {
    if (auto signedText = ParseClearSigned(*text)) return Verify(*signedText, *inv.output);
  }
  if (!message) return Failure(1, "Error: '" + input + "' holds no PGP message.");
  if (inv.passPhrase != scenario.passPhrase) return {31, "", std::string(kBadPassPhrase)};
  if (FileExists(*inv.output))
    return Failure(1, "Output file '" + *inv.output + "' already exists. Not overwritten in batch mode.");
  if (!WriteWholeFile(*inv.output, message->plainBytes))
    return Failure(32, "Cannot write the output file '" + *inv.output + "'.");
  Result result{0, "", "Plaintext filename: " + *inv.output + "\n"};
  if (!message->signer.empty()) result.out = "Good signature from user \"" + message->signer + "\".\r\n";
  return result;
}

}  // namespace

std::optional<Scenario> ParseScenario(std::string_view text, std::string* error) {
  Scenario scenario;
  for (std::string_view line : Lines(text)) {
    if (line.empty() || line.front() == '#') continue;
    const std::size_t eq = line.find('=');
    const std::string key = eq == std::string_view::npos ? std::string(line) : std::string(line.substr(0, eq));
    const std::string value = eq == std::string_view::npos ? std::string() : std::string(line.substr(eq + 1));
    if (eq == std::string_view::npos) {
      *error = "scenario.txt: line without '=': " + key;
      return std::nullopt;
    }
    if (key == "passphrase") {
      scenario.passPhrase = value;
    } else if (key == "mode") {
      if (value == "normal")
        scenario.mode = Mode::Normal;
      else if (value == "nothing")
        scenario.mode = Mode::Nothing;
      else if (value == "fail")
        scenario.mode = Mode::Fail;
      else if (value == "crash")
        scenario.mode = Mode::Crash;
      else {
        *error = "scenario.txt: unknown mode '" + value + "'";
        return std::nullopt;
      }
    } else if (key == "delay") {
      if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos) {
        *error = "scenario.txt: bad delay '" + value + "'";
        return std::nullopt;
      }
      scenario.delayMs = std::stoul(value);
    } else if (key == "genid") {
      scenario.genId = value;
    } else if (key == "marker") {
      scenario.marker = value;
    } else if (key == "await") {
      scenario.await = value;
    } else if (key == "report") {
      scenario.report = value;
    } else {
      *error = "scenario.txt: unknown key '" + key + "'";
      return std::nullopt;
    }
  }
  return scenario;
}

std::optional<Invocation> ParseArguments(const std::vector<std::string>& args) {
  Invocation inv;
  bool haveAction = false;
  auto setAction = [&](Action a) {
    if (haveAction) return false;
    haveAction = true;
    inv.action = a;
    return true;
  };
  // "-u" and "-z" take the rest of their argument, or the next argument when
  // they stand alone; an empty quoted value ("-u""") arrives as a lone option,
  // so a following option is not taken as its value.
  auto valueOf = [&](std::size_t& i) {
    if (args[i].size() > 2) return args[i].substr(2);
    if (i + 1 < args.size() && !args[i + 1].starts_with("-") && !args[i + 1].starts_with("+")) return args[++i];
    return std::string();
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.starts_with("+")) {
      std::string lower;
      for (char c : a) lower += Lower(c);
      if (lower == "+clearsig=on") inv.clearSig = true;
      continue;
    }
    if (!a.starts_with("-") || a.size() == 1) {
      inv.operands.push_back(a);
      continue;
    }
    const std::string opt = a.substr(1);
    static const std::pair<std::string_view, Action> keyOptions[] = {
        {"kv", Action::ListKeys}, {"kvc", Action::Fingerprint}, {"ka", Action::AddKeys}, {"kx", Action::Extract},
        {"kxa", Action::Extract}, {"kr", Action::Remove},       {"kg", Action::Generate}};
    bool isKeyOption = false;
    for (const auto& [name, action] : keyOptions) {
      if (opt != name) continue;
      if (!setAction(action)) return std::nullopt;
      inv.armour = opt == "kxa";
      isKeyOption = true;
    }
    if (isKeyOption) continue;
    if (opt.starts_with("u")) {
      inv.signer = valueOf(i);
    } else if (opt.starts_with("z")) {
      inv.passPhrase = valueOf(i);
    } else if (opt == "@" || opt == "o") {
      if (i + 1 >= args.size()) return std::nullopt;
      (opt == "@" ? inv.listFile : inv.output) = args[++i];
    } else if (opt.find_first_of("es") != std::string::npos && opt.find_first_not_of("esat") == std::string::npos) {
      if (!setAction(opt.find('e') != std::string::npos ? Action::Encrypt : Action::Sign)) return std::nullopt;
      inv.sign = opt.find('s') != std::string::npos;
      inv.armour = opt.find('a') != std::string::npos;
    } else {
      return std::nullopt;
    }
  }
  if (!haveAction) inv.action = Action::Decrypt;
  return inv;
}

Listing ParseListing(std::string_view text) {
  Listing listing;
  bool afterKeys = false;
  for (std::string_view line : Lines(text)) {
    if (IsKeyLine(line)) {
      listing.keys.push_back(KeyBlock{{TrimRight(line)}});
      afterKeys = true;
    } else if (!afterKeys) {
      listing.header.push_back(TrimRight(line));
    } else if (line.starts_with(" ") && !TrimRight(line).empty() && !listing.keys.empty()) {
      listing.keys.back().lines.push_back(TrimRight(line));
    }
  }
  return listing;
}

std::string FormatListing(const Listing& listing) {
  std::vector<std::string> lines = listing.header;
  for (const auto& key : listing.keys) lines.insert(lines.end(), key.lines.begin(), key.lines.end());
  lines.push_back(CountLine(listing.keys.size()));
  return JoinCrLf(lines);
}

std::vector<std::string> EmptyRingHeader(std::string_view ringPath) {
  return {"", "Key ring: '" + std::string(ringPath) + "'", "Type Bits/KeyID    Date       User ID"};
}

std::string CountLine(std::size_t keys) {
  return keys == 1 ? "1 matching key found." : std::to_string(keys) + " matching keys found.";
}

std::vector<std::string> UserIds(const KeyBlock& key) {
  std::vector<std::string> ids;
  const std::string& first = key.lines[0];
  if (first.size() > kUserIdColumn && first.substr(kUserIdColumn) != kRevoked)
    ids.push_back(first.substr(kUserIdColumn));
  const std::string indent(kUserIdColumn, ' ');
  for (std::size_t i = 1; i < key.lines.size(); ++i)
    if (key.lines[i].starts_with(indent) && key.lines[i].size() > kUserIdColumn)
      ids.push_back(key.lines[i].substr(kUserIdColumn));
  return ids;
}

std::string FirstUserId(const KeyBlock& key) {
  auto ids = UserIds(key);
  return ids.empty() ? std::string() : ids.front();
}

std::string KeyIdOf(const KeyBlock& key) {
  const std::string& line = key.lines[0];
  const std::size_t slash = line.find('/');
  if (slash == std::string::npos) return {};
  const std::size_t end = line.find(' ', slash);
  return line.substr(slash + 1, end == std::string::npos ? std::string::npos : end - slash - 1);
}

bool MatchesFirstUserId(const KeyBlock& key, std::string_view id) {
  if (id.empty()) return false;
  if (IsKeyIdSelector(id)) return EndsWithNoCase(KeyIdOf(key), id.substr(2));
  return ContainsNoCase(FirstUserId(key), id);
}

bool MatchesAnyUserId(const KeyBlock& key, std::string_view id) {
  if (id.empty()) return false;
  if (IsKeyIdSelector(id)) return EndsWithNoCase(KeyIdOf(key), id.substr(2));
  for (const auto& uid : UserIds(key))
    if (ContainsNoCase(uid, id)) return true;
  return false;
}

std::string FingerprintLine(std::string_view userId) {
  const auto bytes = FingerprintBytes(userId);
  std::string line(12, ' ');
  line += "Key fingerprint =";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    line += i == 8 ? "  " : " ";
    line += Hex2(bytes[i]);
  }
  return line;
}

std::string KeyLine(std::string_view userId, std::string_view date) {
  const auto bytes = FingerprintBytes(userId);
  return "pub  1024/" + Hex2(bytes[0]) + Hex2(bytes[1]) + Hex2(bytes[2]) + Hex2(bytes[3]) + " " + std::string(date) +
         " " + std::string(userId);
}

std::string EncryptedName(std::string_view input, bool armour) {
  const std::size_t componentStart = input.find_last_of("\\/:");
  const std::size_t dot = input.find_last_of('.');
  const bool hasExtension =
      dot != std::string_view::npos && (componentStart == std::string_view::npos || dot > componentStart);
  std::string name(hasExtension ? input.substr(0, dot + 1) : std::string(input) + ".");
  return name + (armour ? "asc" : "pgp");
}

std::vector<std::string> ReadRecipientList(std::string_view text) {
  std::vector<std::string> ids;
  for (std::string_view line : Lines(text)) {
    std::string id = TrimRight(line);
    if (!id.empty() && id.front() != '#') ids.push_back(std::move(id));
  }
  return ids;
}

Result Run(const std::string& folder, const std::vector<std::string>& args, const Scenario& scenario,
           std::string_view today, const std::optional<std::string>& pgpPass) {
  if (scenario.mode == Mode::Nothing) return {};
  if (scenario.mode == Mode::Fail) return Failure(1, "Error: scripted failure (scenario mode=fail).");
  auto inv = ParseArguments(args);
  if (inv && !inv->passPhrase) inv->passPhrase = pgpPass;
  if (!inv) return Failure(5, "Error: bad arguments.");
  auto operand = [&](std::size_t i) { return inv->operands[i]; };
  switch (inv->action) {
    case Action::ListKeys:
      return ListKeys(folder);
    case Action::Fingerprint:
      if (inv->operands.size() != 1) break;
      return Fingerprint(folder, operand(0));
    case Action::AddKeys:
      if (inv->operands.size() != 1) break;
      return AddKeys(folder, operand(0));
    case Action::Extract:
      if (inv->operands.size() != 2) break;
      return Extract(folder, operand(0), operand(1), inv->armour);
    case Action::Remove:
      if (inv->operands.size() != 1) break;
      return Remove(folder, operand(0));
    case Action::Generate:
      return Generate(folder, scenario, today);
    case Action::Encrypt:
      return Encrypt(*inv, folder, scenario);
    case Action::Sign:
      return ClearSign(*inv, scenario);
    case Action::Decrypt: {
      Result result = Decrypt(*inv, scenario);
      if (!scenario.report.empty()) result.out = ReadWholeFile(scenario.report).value_or("");
      return result;
    }
  }
  return Failure(5, "Error: bad arguments.");
}

std::string JoinPath(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  const char last = folder.back();
  if (last == '\\' || last == '/') return folder + std::string(name);
  const char sep = folder.find('\\') != std::string::npos ? '\\' : '/';
  return folder + sep + std::string(name);
}

}  // namespace scriptpgp
