// What PGP's report on its standard output says about a message's signature,
// and the one line the main window shows for it. Window-free.
//
// Only lines that begin with PGP's own fixed texts count, and only at their
// fixed places: a user ID is taken between the fixed prefix and the line's
// final `".`, the date and key ID from the "Signature made" line right after
// a good or bad line. PGP echoes nothing that others choose without escaping
// its control characters, and never the plain text, so nothing in a message
// can start such a line.
#pragma once

#include <string>
#include <string_view>

namespace pgp {

enum class Signature {
  None,           // the report says nothing about a signature
  Good,           // the text matches the signature
  Bad,            // it does not
  UnknownSigner,  // the signer's key is not in the key ring: not checked
};

struct Verdict {
  Signature kind = Signature::None;
  std::string userId;  // the signer as PGP named it; no control characters
  std::string keyId;   // hex digits, as PGP printed them
  std::string made;    // "yyyy/mm/dd hh:mm" (GMT)
  bool revoked = false;
  bool expired = false;
  bool notCertified = false;  // the key is not certified by a key the user trusts
  // Set by the caller: the text shown holds more than the signed part.
  bool textOutside = false;
  bool operator==(const Verdict&) const = default;
};

// Reads PGP's standard output after a decryption or verification. When it
// holds several signature lines the worst counts (bad, then unknown, then good).
Verdict ReadSignatureReport(std::string_view report);

// The one line that says what `v` means; empty for Signature::None.
std::string VerdictText(const Verdict& v);

// How loudly a verdict speaks: the colour of its bar (Caution: an unknown
// signer, a revoked or expired key, or unsigned text beside the signed), and
// whether a warning box goes with it (bad, unknown signer, revoked key).
enum class VerdictTone { None, Good, Caution, Bad };
VerdictTone ToneOf(const Verdict& v);
bool NeedsWarning(const Verdict& v);

// True when `text` holds text outside its one clear-signed part (before the
// "BEGIN PGP SIGNED MESSAGE" line, after the "END PGP SIGNATURE" line, or a
// second signed part), which the verdict of its signature does not cover.
bool TextOutsideSignedPart(std::string_view text);

}  // namespace pgp
