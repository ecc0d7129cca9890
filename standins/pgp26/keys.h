// Keys as read from GnuPG's colon listing and the PGP 2.6 "-kv" listing made
// from them. Window-free.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace pgp26 {

struct Key {
  std::string keyId;        // 16 upper-case hex digits
  std::string fingerprint;  // upper-case hex
  int bits = 0;
  int64_t created = 0;  // seconds since 1970, UTC
  int64_t expires = 0;  // 0: never
  bool revoked = false;
  bool disabled = false;
  bool secret = false;
  std::vector<std::string> userIds;             // as stored (UTF-8), unescaped
  std::vector<std::string> subkeyIds;           // 16 hex digits each
  std::vector<std::string> subkeyFingerprints;  // upper-case hex, as far as listed
  std::vector<std::string> keygrips;            // upper-case hex, primary key and subkeys
};

// A decimal number of a colon-listing field or a status line; 0 when it
// does not read.
int64_t FieldNumber(std::string_view field);

// Undoes the C escapes of a colon-listing field (\xNN, \n, \\ ...).
std::string ColonUnescape(std::string_view field);

// Reads "pub"/"fpr"/"uid"/"sub"/"grp" records of `gpg --with-colons --list-keys`.
std::vector<Key> ParseColonListing(std::string_view text);

// The keygrips of the home's secret key files ("<keygrip>.key" in
// private-keys-v1.d, names as found), upper case. Read from the folder, so
// no agent has to start for a listing.
std::set<std::string> KeygripsOfKeyFiles(const std::vector<std::string>& keyFileNames);
// Whether one of the key's keygrips (primary key or a subkey) is in `grips`.
bool HoldsKeygrip(const Key& key, const std::set<std::string>& grips);

// Text others chose (user IDs, key names) as printed: control characters
// and the backslash are escaped (\xNN, \\), so that none of it can end a line
// of the output or fake one.
std::string Printable(std::string_view text);
// A file name as printed: control characters escaped (\xNN), backslashes
// kept as the separators they are.
std::string PrintablePath(std::string_view path);

// "yyyy/mm/dd" of a UTC time.
std::string FormatDate(int64_t seconds);
// "yyyy/mm/dd hh:mm" of a UTC time.
std::string FormatDateTime(int64_t seconds);
// Seconds since 1970 of a UTC date and time; month 1 to 12.
int64_t UtcSeconds(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute, int64_t second);

// Fingerprint bytes as " %02X" each, with one more blank in the middle.
std::string FormatFingerprint(std::string_view hex);

struct ListingRequest {
  std::string ringPath;
  const std::string* filter = nullptr;  // the user ID asked for, if any
  bool fingerprints = false;
};

// The PGP 2.6 listing (CR LF line ends): its head (blank line, key ring,
// column titles), one entry per key, and its last line with the count.
std::string ListingHead(const ListingRequest& req);
std::string ListingEntry(const Key& key, bool fingerprints);
std::string ListingFoot(size_t keys);
// The three together for the chosen keys.
std::string FormatListing(const std::vector<const Key*>& keys, const ListingRequest& req);

// "0x" + hex: a key ID, a long key ID or a fingerprint names the key.
bool IsKeyIdSelector(std::string_view text);
// The hex digits of such a selector in upper case.
std::string SelectorHex(std::string_view text);

}  // namespace pgp26
