// Reading PGP's key listing and fingerprint output. Window-free.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace keys {

// One key of the listing: the text the user sees and the key ID that names
// exactly this key to PGP.
struct KeyEntry {
  std::string text;
  std::string keyId;  // the hex digits after the "/" of the key line; empty when there are none
};

// One entry per line whose first three characters are exactly "pub", in
// listing order, duplicates kept. The text is what follows the date field
// and one blank (the 31st character on for the usual widths; keys of 10,000
// bits or more shift it), untrimmed; a line too short for it gives an empty
// text. Lines end with CR LF or LF.
std::vector<KeyEntry> ReadKeyListing(std::string_view listing);

// The texts of ReadKeyListing.
std::vector<std::string> ParseKeyListing(std::string_view listing);

// How the key list entry at `index` is named to PGP: "0x" + its key ID,
// which PGP takes wherever it takes a user ID and which names exactly that
// key; the entry's text only where no key ID is known for it (`keyIds` not
// of the list's length, or an empty ID).
std::string KeySelector(const std::vector<std::string>& keys, const std::vector<std::string>& keyIds, size_t index);

// The fingerprint of the first key in `output`: the line right after the
// key's first user ID line (the pub line itself, or the line after it when
// the pub line says the key is revoked), when it begins, after fewer blanks
// than the user-ID column's 30, with "Key fingerprint ="; from that text to the end of the line. Empty
// otherwise: a "Key fingerprint" text anywhere else (inside a user ID, PGP's
// echo of the requested user ID) is never taken.
std::string FindFingerprint(std::string_view output);

}  // namespace keys
