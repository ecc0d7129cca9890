#include "standins/pgp26/keystore.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace pgp26 {

namespace {

// An index line: the key (41 characters, blank-padded), a blank, the offset
// of the key's "pub" record as 8 hex digits, a line end. Key IDs are filed as
// "i" + their last 8 digits + all 16, so that a short key ID finds every key
// ending in it; keygrips as "g" + the keygrip.
constexpr size_t kKeyWidth = 41;
constexpr size_t kRecord = kKeyWidth + 1 + 8 + 1;
// A key's records are read in pieces of this size, the listing in passes of
// the other: one buffer serves the whole pass.
constexpr size_t kKeyPiece = 4096;
constexpr size_t kPass = 1 << 18;

bool IsHex(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `hay` holds `lowerNeedle` (lower case), ignoring the case of ASCII letters.
bool IContains(std::string_view hay, std::string_view lowerNeedle) {
  if (lowerNeedle.empty()) return true;
  for (size_t i = 0; i + lowerNeedle.size() <= hay.size(); ++i) {
    size_t j = 0;
    while (j < lowerNeedle.size() && LowerAscii(hay[i + j]) == lowerNeedle[j]) ++j;
    if (j == lowerNeedle.size()) return true;
  }
  return false;
}

bool NeedsEscape(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char ch) {
    const unsigned char c = static_cast<unsigned char>(ch);
    return c < 0x20 || c == 0x7f || c == '\\';
  });
}

// Field `n` (from 0) of a colon record.
std::string_view FieldOf(std::string_view line, size_t n) {
  size_t pos = 0;
  for (size_t i = 0; i < n; ++i) {
    pos = line.find(':', pos);
    if (pos == std::string_view::npos) return {};
    ++pos;
  }
  return line.substr(pos, line.find(':', pos) - pos);
}

std::string_view LineAt(std::string_view text, size_t pos) {
  size_t end = text.find('\n', pos);
  std::string_view line = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// Whether a key's records begin at `p`, a line start: its first field is
// "pub". Where the text stops right after "pub", only at the end of the file.
bool KeyStartsAt(std::string_view text, size_t p, bool atEnd) {
  if (text.substr(p, 3) != "pub") return false;
  if (p + 3 == text.size()) return atEnd;
  const char c = text[p + 3];
  return c == ':' || c == '\r' || c == '\n';
}

// Where the next key's records begin at or after `from`, or npos.
size_t NextKey(std::string_view text, size_t from, bool atEnd) {
  if (from == 0 && KeyStartsAt(text, 0, atEnd)) return 0;
  for (size_t p = text.find("\npub", from == 0 ? 0 : from - 1); p != std::string_view::npos;
       p = text.find("\npub", p + 1))
    if (KeyStartsAt(text, p + 1, atEnd)) return p + 1;
  return std::string_view::npos;
}

struct Needle {
  std::string text, lower;
};

enum class Hit { None, Substring, Exact };

// How a key with these user IDs answers a user-ID text: its whole first user
// ID (as stored or as printed), or a user ID holding the text.
Hit MatchName(const std::vector<std::string>& userIds, const Needle& n) {
  if (userIds.empty()) return Hit::None;
  if (userIds[0] == n.text || (NeedsEscape(userIds[0]) && Printable(userIds[0]) == n.text)) return Hit::Exact;
  for (const std::string& u : userIds)
    if (IContains(u, n.lower) || (NeedsEscape(u) && IContains(Printable(u), n.lower))) return Hit::Substring;
  return Hit::None;
}

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// Whether `hex` ends one of the key's IDs or fingerprints (any length).
bool HasIdEnding(const Key& k, std::string_view hex) {
  if (EndsWith(k.keyId, hex) || EndsWith(k.fingerprint, hex)) return true;
  for (const std::string& s : k.subkeyIds)
    if (EndsWith(s, hex)) return true;
  for (const std::string& s : k.subkeyFingerprints)
    if (EndsWith(s, hex)) return true;
  return false;
}

}  // namespace

bool TextSource::Read(uint64_t at, size_t n, std::string& out) const {
  out.assign(at < text_.size() ? text_.substr(static_cast<size_t>(at), n) : std::string_view());
  return true;
}

std::string BuildKeyIndex(std::string_view listing) {
  std::vector<std::string> records;
  uint64_t pub = 0;
  bool inKey = false;
  auto add = [&](std::string key) {
    if (pub > 0xFFFFFFFFu) return;
    char offset[16];
    std::snprintf(offset, sizeof offset, " %08llX\n", static_cast<unsigned long long>(pub));
    key.resize(kKeyWidth, ' ');
    records.push_back(key + offset);
  };
  for (size_t pos = 0; pos < listing.size();) {
    const std::string_view line = LineAt(listing, pos);
    const std::string_view type = FieldOf(line, 0);
    if (type == "pub") {
      pub = pos;
      inKey = true;
    }
    if (inKey && (type == "pub" || type == "sub")) {
      const std::string_view id = FieldOf(line, 4);
      if (id.size() == 16 && IsHex(id)) add("i" + Upper(id.substr(8)) + Upper(id));
    } else if (inKey && type == "grp") {
      const std::string_view grip = FieldOf(line, 9);
      if (grip.size() == 40 && IsHex(grip)) add("g" + Upper(grip));
    }
    const size_t end = listing.find('\n', pos);
    pos = end == std::string_view::npos ? listing.size() : end + 1;
  }
  std::sort(records.begin(), records.end());
  std::string out;
  out.reserve(records.size() * kRecord);
  for (const std::string& r : records) out += r;
  return out;
}

std::vector<uint64_t> KeyStore::Lookup(const std::string& prefix) const {
  const uint64_t count = index_.Size() / kRecord;
  std::string rec;
  auto read = [&](uint64_t i) {
    if (index_.Read(i * kRecord, kRecord, rec) && rec.size() == kRecord) return true;
    failed_ = true;
    return false;
  };
  uint64_t lo = 0, hi = count;
  while (lo < hi) {
    const uint64_t mid = lo + (hi - lo) / 2;
    if (!read(mid)) return {};
    if (rec.compare(0, prefix.size(), prefix) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  std::vector<uint64_t> offsets;
  for (uint64_t i = lo; i < count; ++i) {
    if (!read(i) || rec.compare(0, prefix.size(), prefix) != 0) break;
    offsets.push_back(std::strtoull(rec.substr(kKeyWidth + 1, 8).c_str(), nullptr, 16));
  }
  return offsets;
}

std::optional<Key> KeyStore::KeyAt(uint64_t offset) const {
  std::string block;
  for (size_t want = kKeyPiece;; want *= 2) {
    if (!listing_.Read(offset, want, block)) {
      failed_ = true;
      return std::nullopt;
    }
    const bool atEnd = block.size() < want;
    if (!KeyStartsAt(block, 0, atEnd)) return std::nullopt;  // not the index of this listing
    const size_t next = NextKey(block, 1, atEnd);
    if (next != std::string::npos || atEnd) {
      if (next != std::string::npos) block.resize(next);
      break;
    }
  }
  std::vector<Key> keys = ParseColonListing(block);
  if (keys.empty()) return std::nullopt;
  Mark(keys.front());
  return std::move(keys.front());
}

std::vector<Key> KeyStore::KeysAt(std::vector<uint64_t> offsets) const {
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
  std::vector<Key> keys;
  for (uint64_t o : offsets)
    if (auto k = KeyAt(o)) keys.push_back(std::move(*k));
  return keys;
}

template <class F>
void KeyStore::Scan(F f) const {
  std::string buf, piece;
  uint64_t at = 0;
  size_t start = 0;
  for (bool end = false; !end;) {
    if (!listing_.Read(at, kPass, piece)) {
      failed_ = true;
      return;
    }
    end = piece.empty();
    at += piece.size();
    buf.erase(0, start);
    buf += piece;
    start = 0;
    for (;;) {
      const size_t first = NextKey(buf, start, end);
      if (first == std::string::npos) {
        // Kept: the start of a record cut by the end of this piece.
        start = buf.size() > 4 ? buf.size() - 4 : 0;
        break;
      }
      const size_t next = NextKey(buf, first + 1, end);
      if (next == std::string::npos && !end) {
        start = first;
        break;
      }
      const size_t stop = next == std::string::npos ? buf.size() : next;
      if (!f(std::string_view(buf).substr(first, stop - first))) return;
      start = stop;
    }
  }
}

Selection KeyStore::ByKeyId(const std::string& hex) const {
  Selection s;
  if (hex.empty() || hex.size() > 40 || !IsHex(hex)) return s;
  if (hex.size() == 8 || hex.size() == 16 || hex.size() == 40) {
    const std::string id = hex.size() == 40 ? hex.substr(24) : hex;
    s.keys = KeysAt(Lookup("i" + id.substr(id.size() - 8) + (id.size() == 16 ? id : std::string())));
    if (hex.size() == 40)
      std::erase_if(s.keys, [&](const Key& k) {
        return k.fingerprint != hex &&
               std::find(k.subkeyFingerprints.begin(), k.subkeyFingerprints.end(), hex) == k.subkeyFingerprints.end();
      });
  } else {
    // Other lengths, as PGP took them: the end of an ID; rare, so a pass.
    Scan([&](std::string_view block) {
      for (Key& k : ParseColonListing(block))
        if (HasIdEnding(k, hex)) {
          Mark(k);
          s.keys.push_back(std::move(k));
        }
      return true;
    });
  }
  s.ambiguous = s.keys.size() > 1;
  return s;
}

Selection KeyStore::ByName(std::string_view text, bool secretOnly) const {
  Needle n{std::string(text), std::string(text)};
  for (char& c : n.lower) c = LowerAscii(c);
  Selection s;
  if (secretOnly) {
    for (Key& k : SecretKeys()) {
      const Hit hit = MatchName(k.userIds, n);
      if (hit == Hit::Exact) return {{std::move(k)}, false};
      if (hit == Hit::Substring) s.keys.push_back(std::move(k));
    }
    return s;
  }
  std::vector<std::string> userIds;  // one vector for the whole pass
  std::optional<Key> exact;
  Scan([&](std::string_view block) {
    userIds.clear();
    for (size_t pos = 0; pos < block.size();) {
      const std::string_view line = LineAt(block, pos);
      if (line.substr(0, 4) == "uid:") userIds.push_back(ColonUnescape(FieldOf(line, 9)));
      const size_t end = block.find('\n', pos);
      pos = end == std::string_view::npos ? block.size() : end + 1;
    }
    const Hit hit = MatchName(userIds, n);
    if (hit == Hit::None) return true;
    std::vector<Key> keys = ParseColonListing(block);
    if (keys.empty()) return true;
    Mark(keys.front());
    if (hit == Hit::Exact) {
      exact = std::move(keys.front());
      return false;
    }
    s.keys.push_back(std::move(keys.front()));
    return true;
  });
  if (exact) return {{std::move(*exact)}, false};
  return s;
}

Selection KeyStore::Select(std::string_view text, bool secretOnly) const {
  if (!IsKeyIdSelector(text)) return ByName(text, secretOnly);
  Selection s = ByKeyId(SelectorHex(text));
  if (secretOnly) std::erase_if(s.keys, [](const Key& k) { return !k.secret; });
  return s;
}

std::optional<Key> KeyStore::ByFingerprint(std::string_view fingerprint) const {
  const std::string fpr = Upper(fingerprint);
  if (fpr.size() < 16) return std::nullopt;
  const std::string id = fpr.substr(fpr.size() - 16);
  for (Key& k : KeysAt(Lookup("i" + id.substr(8) + id)))
    if (k.fingerprint == fpr) return std::move(k);
  return std::nullopt;
}

std::vector<Key> KeyStore::ByLongKeyId(std::string_view keyId) const {
  const std::string id = Upper(keyId);
  if (id.size() != 16) return {};
  return KeysAt(Lookup("i" + id.substr(8) + id));
}

std::vector<Key> KeyStore::SecretKeys() const {
  std::vector<uint64_t> offsets;
  for (const std::string& grip : secretGrips_)
    for (uint64_t o : Lookup("g" + grip)) offsets.push_back(o);
  return KeysAt(std::move(offsets));
}

}  // namespace pgp26
