#include "standins/pgp26/report.h"

#include <algorithm>
#include <map>
#include <utility>

#include "standins/pgp26/gpg.h"

namespace pgp26 {

namespace {

// The words after a status line's keyword, joined again (a user ID).
std::string Rest(const std::vector<std::string_view>& w, size_t from) {
  std::string out;
  for (size_t i = from; i < w.size(); ++i) out += (i > from ? " " : "") + std::string(w[i]);
  return out;
}

// The times of gpg's "Signature made Tue Dec  8 19:01:25 2026 UTC" lines,
// in order; -1 for a line that does not read.
std::vector<int64_t> SignatureTimes(std::string_view messages) {
  static constexpr std::string_view kMade = "gpg: Signature made ";
  static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  std::vector<int64_t> out;
  for (size_t pos = 0; pos < messages.size();) {
    size_t end = messages.find('\n', pos);
    if (end == std::string_view::npos) end = messages.size();
    const std::string_view line = messages.substr(pos, end - pos);
    pos = end + 1;
    if (line.substr(0, kMade.size()) != kMade) continue;
    const auto w = Words(line.substr(kMade.size()));
    int64_t t = -1;
    const size_t month = w.size() >= 5 && w[1].size() == 3 ? kMonths.find(w[1]) : std::string_view::npos;
    if (month != std::string_view::npos && month % 3 == 0 && w[3].size() == 8 && w[3][2] == ':' && w[3][5] == ':')
      t = UtcSeconds(FieldNumber(w[4]), static_cast<int64_t>(month / 3) + 1, FieldNumber(w[2]),
                     FieldNumber(w[3].substr(0, 2)), FieldNumber(w[3].substr(3, 2)), FieldNumber(w[3].substr(6, 2)));
    out.push_back(t);
  }
  return out;
}

// The last 8 digits of a key ID, as printed.
std::string ShortId(std::string_view id) { return Printable(id.size() > 8 ? id.substr(id.size() - 8) : id); }

bool IsOwn(std::string_view issuerFpr, std::string_view issuerId, const std::vector<Key>& own) {
  for (const Key& k : own) {
    if (!issuerFpr.empty() &&
        (issuerFpr == k.fingerprint ||
         std::find(k.subkeyFingerprints.begin(), k.subkeyFingerprints.end(), issuerFpr) != k.subkeyFingerprints.end()))
      return true;
    if (issuerFpr.empty() && !issuerId.empty() &&
        (issuerId == k.keyId || std::find(k.subkeyIds.begin(), k.subkeyIds.end(), issuerId) != k.subkeyIds.end()))
      return true;
  }
  return false;
}

}  // namespace

std::vector<SignatureStatus> ReadSignatures(std::string_view status, std::string_view messages) {
  using Kind = SignatureStatus::Kind;
  std::vector<SignatureStatus> sigs;
  bool open = false;  // the last signature has no verdict yet
  for (std::string_view line : StatusLines(status)) {
    const auto w = Words(line);
    if (w.empty()) continue;
    if (w[0] == "NEWSIG") {
      sigs.emplace_back();
      open = true;
      continue;
    }
    const bool verdict = w[0] == "GOODSIG" || w[0] == "EXPSIG" || w[0] == "EXPKEYSIG" || w[0] == "REVKEYSIG" ||
                         w[0] == "BADSIG" || w[0] == "ERRSIG";
    if (verdict) {
      if (!open) sigs.emplace_back();
      open = false;
      SignatureStatus& s = sigs.back();
      s.keyId = w.size() > 1 ? std::string(w[1]) : std::string();
      if (w[0] == "ERRSIG") {
        s.kind = Kind::Unchecked;
        if (w.size() > 5) s.made = FieldNumber(w[5]);
        if (w.size() > 6) s.error = static_cast<int>(FieldNumber(w[6]));
        continue;
      }
      s.kind = w[0] == "BADSIG" ? Kind::Bad : Kind::Good;
      s.userId = PercentUnescape(Rest(w, 2));
      s.expiredSignature = w[0] == "EXPSIG";
      s.expiredKey = w[0] == "EXPKEYSIG";
      s.revokedKey = w[0] == "REVKEYSIG";
    } else if (w[0] == "VALIDSIG" && !sigs.empty() && !open && w.size() > 3) {
      SignatureStatus& s = sigs.back();
      s.made = FieldNumber(w[3]);
      s.primaryFingerprint = std::string(w.size() > 10 ? w[10] : w[1]);
    }
  }
  std::erase_if(sigs, [](const SignatureStatus& s) { return s.keyId.empty(); });
  const std::vector<int64_t> times = SignatureTimes(messages);
  for (size_t i = 0; i < sigs.size() && i < times.size(); ++i)
    if (sigs[i].made < 0) sigs[i].made = times[i];
  return sigs;
}

bool IsCertified(const Key& signer, std::string_view checkedSigs, const std::vector<Key>& ownKeys) {
  if (signer.secret) return true;
  bool inSigner = false, wantFpr = false, inUid = false;
  // Per own issuer on the current user ID: its latest certification and the
  // latest revocation of one.
  std::map<std::string, std::pair<int64_t, int64_t>> issuers;
  bool certified = false;
  auto closeUid = [&] {
    for (const auto& [issuer, times] : issuers) certified = certified || times.first > times.second;
    issuers.clear();
    inUid = false;
  };
  std::vector<std::string_view> f;
  for (size_t pos = 0; pos < checkedSigs.size() && !certified;) {
    size_t end = checkedSigs.find('\n', pos);
    if (end == std::string_view::npos) end = checkedSigs.size();
    std::string_view line = checkedSigs.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    f.clear();
    for (size_t p = 0;;) {
      const size_t c = line.find(':', p);
      f.push_back(line.substr(p, c == std::string_view::npos ? std::string_view::npos : c - p));
      if (c == std::string_view::npos) break;
      p = c + 1;
    }
    auto field = [&](size_t i) { return i < f.size() ? f[i] : std::string_view(); };
    const std::string_view type = field(0);
    if (type == "pub" || type == "sub" || type == "uid") closeUid();
    if (type == "pub") {
      inSigner = false;
      wantFpr = true;
    } else if (type == "fpr" && wantFpr) {
      inSigner = field(9) == signer.fingerprint;
      wantFpr = false;
    } else if (type == "uid") {
      inUid = inSigner;
    } else if ((type == "sig" || type == "rev") && inUid && field(1) == "!") {
      const std::string_view cls = field(10);
      const bool certification = type == "sig" && cls.size() == 3 && cls[0] == '1' && cls[1] >= '0' && cls[1] <= '3';
      const bool revocation = type == "rev" && cls.substr(0, 2) == "30";
      if ((certification || revocation) && IsOwn(field(12), field(4), ownKeys)) {
        auto& times = issuers[std::string(field(12).empty() ? field(4) : field(12))];
        int64_t& latest = certification ? times.first : times.second;
        latest = std::max(latest, FieldNumber(field(5)));
      }
    }
  }
  closeUid();
  return certified;
}

std::string SignatureReportBlock(const SignatureStatus& s, const Key* key, bool certified, int64_t now,
                                 std::string_view ringPath) {
  using Kind = SignatureStatus::Kind;
  if (s.kind == Kind::Unchecked) {
    if (s.error == 9 || !key)
      return "Key matching expected Key ID " + ShortId(s.keyId) + " not found in file '" + PrintablePath(ringPath) +
             "'.\r\n\r\nWARNING: Can't find the right public key-- can't check signature integrity.\r\n";
    return "WARNING: Can't check the signature by key ID " + ShortId(key->keyId) + " (GnuPG error " +
           std::to_string(s.error) + ").\r\n";
  }
  const std::string userId =
      Printable(key && !key->userIds.empty() ? std::string_view(key->userIds[0]) : std::string_view(s.userId));
  std::string out = s.kind == Kind::Good ? "Good signature from user \"" + userId + "\".\r\n"
                                         : "WARNING: Bad signature, doesn't match file contents!\r\n\r\n"
                                           "Bad signature from user \"" +
                                               userId + "\".\r\n";
  if (s.made >= 0) {
    out += "Signature made " + FormatDateTime(s.made) + " GMT";
    if (key)
      out += " using " + std::to_string(key->bits) + "-bit key, key ID " + ShortId(key->keyId);
    else
      out += ", key ID " + ShortId(s.keyId);
    out += "\r\n";
  }
  if (s.revokedKey || (key && key->revoked))
    out += "WARNING: This key has been revoked by its owner, possibly because the secret key was compromised.\r\n";
  if (s.expiredKey || (key && key->expires > 0 && key->expires <= now)) out += "WARNING: This key has expired.\r\n";
  if (s.kind == Kind::Good && s.expiredSignature) out += "WARNING: This signature has expired.\r\n";
  if (s.kind == Kind::Good && !certified)
    out +=
        "WARNING:  Because this public key is not certified with a trusted signature, it is not known with high "
        "confidence that this public key actually belongs to: \"" +
        userId + "\".\r\n";
  return out;
}

}  // namespace pgp26
