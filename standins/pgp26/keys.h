// Keys as read from GnuPG's colon listing, the PGP 2.6 "-kv" listing made from
// them, and key selection as PGP does it. Window-free.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pgp26 {

struct Key {
  std::string keyId;        // 16 upper-case hex digits
  std::string fingerprint;  // upper-case hex
  int bits = 0;
  int64_t created = 0;  // seconds since 1970, UTC
  bool revoked = false;
  bool disabled = false;
  bool secret = false;
  std::vector<std::string> userIds;    // as stored, unescaped
  std::vector<std::string> subkeyIds;  // 16 hex digits each
  std::vector<std::string> keygrips;   // upper-case hex, primary key and subkeys
};

// Undoes the C escapes of a colon-listing field (\xNN, \n, \\ ...).
std::string ColonUnescape(std::string_view field);

// Reads "pub"/"fpr"/"uid"/"sub" records of `gpg --with-colons --list-keys`.
std::vector<Key> ParseColonListing(std::string_view text);

// Marks the keys of which the home holds a secret part: a key file
// "<keygrip>.key" (names as found in private-keys-v1.d) for the primary key or
// a subkey. Read from the folder, so no agent has to start for a listing.
void MarkSecretKeyFiles(std::vector<Key>& keys, const std::vector<std::string>& keyFileNames);

// A user ID as printed: control characters and the backslash are escaped
// (\xNN, \\), so that no user ID can end a line of the listing or fake one.
std::string DisplayUserId(std::string_view userId);

// "yyyy/mm/dd" of a UTC time.
std::string FormatDate(int64_t seconds);
// "yyyy/mm/dd hh:mm" of a UTC time.
std::string FormatDateTime(int64_t seconds);

// Fingerprint bytes as " %02X" each, with one more blank in the middle.
std::string FormatFingerprint(std::string_view hex);

struct ListingRequest {
  std::string ringPath;
  const std::string* filter = nullptr;  // the user ID asked for, if any
  bool fingerprints = false;
};

// The whole PGP 2.6 listing (CR LF line ends) for the chosen keys.
std::string FormatListing(const std::vector<const Key*>& keys, const ListingRequest& req);

// Keys matching a user-ID text, in ring order: "0x" + hex selects by key ID;
// a text equal to a key's whole first user ID selects exactly that key;
// otherwise every key with a user ID holding the text, ignoring case.
// With `secretOnly` only keys with a secret part are considered.
std::vector<const Key*> SelectKeys(const std::vector<Key>& keys, std::string_view text, bool secretOnly = false);

// The key whose key ID or a subkey's ends with `keyId` (hex), or nullptr.
const Key* FindByKeyId(const std::vector<Key>& keys, std::string_view keyId);

}  // namespace pgp26
