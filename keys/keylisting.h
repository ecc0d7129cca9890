// Reading PGP's key listing and fingerprint output. Window-free.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace keys {

// One entry per line whose first three characters are exactly "pub": the
// line from its 31st character on (empty for a shorter line), untrimmed, in
// listing order, duplicates kept. Lines end with CR LF or LF.
std::vector<std::string> ParseKeyListing(std::string_view listing);

// The first line holding "Key fingerprint", from that text to the end of the
// line (indentation cut, trailing characters kept); empty when there is none.
std::string FindFingerprint(std::string_view output);

}  // namespace keys
