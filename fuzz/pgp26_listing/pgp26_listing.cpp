// The PGP command's reading of GnuPG's colon listing, the index it keeps
// beside it, the PGP listing it prints from it, the program's reading of that
// listing and key selection: the program sees one entry per key, with the
// key's own ID, and that ID selects exactly that key again, or is refused
// because another key (primary or subkey) has it too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "keys/keylisting.h"
#include "standins/pgp26/keys.h"
#include "standins/pgp26/keystore.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool IsHex(std::string_view s) { return s.find_first_not_of("0123456789ABCDEF") == std::string_view::npos; }

// How many keys have this 16-digit ID as their own or a subkey's.
size_t Holders(const std::vector<pgp26::Key>& keys, std::string_view id, size_t digits) {
  size_t n = 0;
  for (const pgp26::Key& k : keys) {
    bool has = k.keyId.size() == 16 && IsHex(k.keyId) && k.keyId.substr(16 - digits) == id;
    for (const std::string& s : k.subkeyIds) has = has || (s.size() == 16 && IsHex(s) && s.substr(16 - digits) == id);
    n += has;
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<pgp26::Key> keys = pgp26::ParseColonListing(text);
  std::vector<const pgp26::Key*> all;
  for (const auto& k : keys) all.push_back(&k);
  const std::string filter(text.substr(0, 40));
  pgp26::ListingRequest req{.ringPath = "C:\\PGP\\pubring.pgp", .filter = &filter, .fingerprints = true};
  const std::string listing = pgp26::FormatListing(all, req);
  const auto entries = keys::ReadKeyListing(listing);
  Require(entries.size() == keys.size());

  const std::string index = pgp26::BuildKeyIndex(text);
  const pgp26::TextSource listingSource(text), indexSource(index);
  const pgp26::KeyStore store(listingSource, indexSource, {});
  for (size_t i = 0; i < keys.size(); ++i) {
    const pgp26::Key& k = keys[i];
    const std::string shortId = k.keyId.size() > 8 ? k.keyId.substr(k.keyId.size() - 8) : k.keyId;
    // A record without a key ID or with a creation time outside OpenPGP's
    // 32 bits (gpg writes neither) gives a line the program reads by its
    // column only.
    if (shortId.empty() || !IsHex(shortId)) continue;
    if (k.created < 0 || k.created > 0xFFFFFFFFLL) continue;
    Require(entries[i].keyId == shortId);
    if (k.revoked)
      Require(entries[i].text == "*** KEY REVOKED ***");
    else if (!k.userIds.empty())
      Require(entries[i].text == pgp26::Printable(k.userIds[0]));
    // The name the program gives PGP (and the long key ID) selects exactly
    // this key, or is refused when another key has it too.
    if (k.keyId.size() != 16 || !IsHex(k.keyId)) continue;
    for (size_t digits : {size_t{8}, size_t{16}}) {
      const std::string id = k.keyId.substr(16 - digits);
      const pgp26::Selection s = store.Select("0x" + id, false);
      Require(!store.failed());
      if (s.ambiguous) {
        Require(s.keys.size() > 1 && Holders(keys, id, digits) > 1);
      } else {
        Require(s.keys.size() == 1 && s.keys[0].keyId == k.keyId && Holders(keys, id, digits) == 1);
      }
    }
  }
  // The fingerprint the program shows is one the listing printed for the first key.
  const std::string fingerprint = keys::FindFingerprint(listing);
  if (!keys.empty() && !keys[0].fingerprint.empty() && !keys[0].revoked)
    Require(fingerprint == "Key fingerprint =" + pgp26::FormatFingerprint(keys[0].fingerprint));
  return 0;
}
