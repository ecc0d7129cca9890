// Reading PGP's key listing and fingerprint output. Window-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keys {

// One key of the listing: the text the user sees and the key ID that names
// exactly this key to PGP. The key list and the dialogs that offer keys hold
// these; the default signing ID is an entry's text.
struct KeyEntry {
  std::string text;
  std::string keyId;  // the hex digits after the "/" of the key line; empty when there are none
  bool operator==(const KeyEntry&) const = default;
};

// One entry per line whose first three characters are exactly "pub", in
// listing order, duplicates kept. The text is what follows the date field
// and one blank (the 31st character on for the usual widths; keys of 10,000
// bits or more shift it), untrimmed; a line too short for it gives an empty
// text. Lines end with CR LF or LF.
std::vector<KeyEntry> ReadKeyListing(std::string_view listing);

// The texts of the entries, in their order.
std::vector<std::string> KeyTexts(const std::vector<KeyEntry>& entries);

// The texts of ReadKeyListing.
std::vector<std::string> ParseKeyListing(std::string_view listing);

// How `entry` is named to PGP: "0x" + its key ID, which PGP takes wherever it
// takes a user ID and which names exactly that key (two keys may share a user
// ID). Nothing when the key ID is not 1 to 16 hex digits: the text is never
// used instead.
std::optional<std::string> KeySelector(const KeyEntry& entry);

// The indexes of the other entries that "0x" + the key ID of entries[index]
// also selects (PGP compares a key ID's last digits, letter case ignored): PGP
// would take whichever comes first in its ring. Empty for an entry without
// a key ID.
std::vector<size_t> SharingKeyId(const std::vector<KeyEntry>& entries, size_t index);

// The fingerprint of the first key in `output`: the line right after the
// key's first user ID line (the pub line itself, or the line after it when
// the pub line says the key is revoked), when it begins, after fewer blanks
// than the user-ID column's 30, with "Key fingerprint ="; from that text to the end of the line. Empty
// otherwise: a "Key fingerprint" text anywhere else (inside a user ID, PGP's
// echo of the requested user ID) is never taken.
std::string FindFingerprint(std::string_view output);

}  // namespace keys
