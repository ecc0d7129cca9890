// The PGP command's reading of GnuPG's colon listing, the PGP listing it
// prints from it, the program's reading of that listing and key selection:
// the program sees one entry per key, with the key's own ID, and that ID
// selects the key again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "keys/keylisting.h"
#include "standins/pgp26/keys.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
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
  for (size_t i = 0; i < keys.size(); ++i) {
    const pgp26::Key& k = keys[i];
    const std::string shortId = k.keyId.size() > 8 ? k.keyId.substr(k.keyId.size() - 8) : k.keyId;
    // A record without a key ID or with a creation time outside OpenPGP's
    // 32 bits (gpg writes neither) gives a line the program reads by its
    // column only.
    if (shortId.empty() || shortId.find_first_not_of("0123456789ABCDEF") != std::string::npos) continue;
    if (k.created < 0 || k.created > 0xFFFFFFFFLL) continue;
    Require(entries[i].keyId == shortId);
    if (k.revoked)
      Require(entries[i].text == "*** KEY REVOKED ***");
    else if (!k.userIds.empty())
      Require(entries[i].text == pgp26::DisplayUserId(k.userIds[0]));
    {
      // The name the program gives PGP selects this key (or one sharing its short ID).
      bool found = false;
      for (const pgp26::Key* s : pgp26::SelectKeys(keys, "0x" + shortId)) found = found || s->keyId == k.keyId;
      Require(found);
    }
  }
  // The fingerprint the program shows is one the listing printed for the first key.
  const std::string fingerprint = keys::FindFingerprint(listing);
  if (!keys.empty() && !keys[0].fingerprint.empty() && !keys[0].revoked)
    Require(fingerprint == "Key fingerprint =" + pgp26::FormatFingerprint(keys[0].fingerprint));
  return 0;
}
