// Finding keys in the kept colon listing without reading every key: an index
// beside it (key IDs and keygrips to the place of their key's records) for
// key IDs, fingerprints and secret keys; one pass through a reused buffer for
// user-ID texts. Window-free; the files come in as byte sources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "standins/pgp26/keys.h"

namespace pgp26 {

// Bytes of a file, read at any place.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Up to `n` bytes from `at` into `out` (fewer at the end); false on a read error.
  virtual bool Read(uint64_t at, size_t n, std::string& out) const = 0;
};

// A text in memory as a byte source.
class TextSource : public ByteSource {
 public:
  explicit TextSource(std::string_view text) : text_(text) {}
  uint64_t Size() const override { return text_.size(); }
  bool Read(uint64_t at, size_t n, std::string& out) const override;

 private:
  std::string_view text_;
};

// The index of a colon listing: one line of fixed width for every 16-digit
// key ID of a primary key or subkey and every keygrip, holding the offset of
// its key's "pub" record; sorted, so a lookup reads a few lines.
std::string BuildKeyIndex(std::string_view listing);

struct Selection {
  std::vector<Key> keys;   // in ring order
  bool ambiguous = false;  // a "0x" key ID that names more than one key: refused
};

class KeyStore {
 public:
  // `secretGrips`: the keygrips of the home's secret key files.
  KeyStore(const ByteSource& listing, const ByteSource& index, std::set<std::string> secretGrips)
      : listing_(listing), index_(index), secretGrips_(std::move(secretGrips)) {}

  // The keys a user-ID text names, as PGP selects them: "0x" + hex names the
  // keys with that key ID, long key ID or fingerprint (primary key or
  // subkey), and more than one is ambiguous; a text equal to a key's whole
  // first user ID (as stored or as printed) names exactly that key;
  // otherwise every key with a user ID holding the text, ignoring case.
  // `text` is UTF-8. With `secretOnly` only keys with a secret part qualify
  // (ambiguity is judged among all keys).
  Selection Select(std::string_view text, bool secretOnly) const;
  // The key whose primary fingerprint is `fingerprint`.
  std::optional<Key> ByFingerprint(std::string_view fingerprint) const;
  // The keys with a primary key or subkey of this 16-digit key ID.
  std::vector<Key> ByLongKeyId(std::string_view keyId) const;
  // The keys with a secret part in the home, in ring order.
  std::vector<Key> SecretKeys() const;
  // Whether a read of the listing or the index failed: results are then incomplete.
  bool failed() const { return failed_; }

 private:
  std::vector<uint64_t> Lookup(const std::string& prefix) const;
  std::vector<Key> KeysAt(std::vector<uint64_t> offsets) const;
  std::optional<Key> KeyAt(uint64_t offset) const;
  Selection ByKeyId(const std::string& hex) const;
  Selection ByName(std::string_view text, bool secretOnly) const;
  // Calls `f` with every key's records in ring order until it returns false.
  template <class F>
  void Scan(F f) const;
  void Mark(Key& k) const { k.secret = HoldsKeygrip(k, secretGrips_); }

  const ByteSource& listing_;
  const ByteSource& index_;
  std::set<std::string> secretGrips_;
  mutable bool failed_ = false;
};

}  // namespace pgp26
