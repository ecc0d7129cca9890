// The signature report PGP 2.6.3 prints after a decryption or a verification,
// made from gpg's status lines and the ring's keys. Window-free.
//
// Per signature, on standard output (CR LF line ends; several signatures
// one after another, a blank line between):
//   good:    Good signature from user "<user ID>".
//            Signature made <yyyy/mm/dd hh:mm> GMT using <bits>-bit key, key ID <8 hex>
//   bad:     WARNING: Bad signature, doesn't match file contents!
//            <blank>
//            Bad signature from user "<user ID>".
//            Signature made ...
//   unknown: Key matching expected Key ID <8 hex> not found in file '<ring>'.
//            <blank>
//            WARNING: Can't find the right public key-- can't check signature integrity.
// then, where it applies, after a good or bad signature:
//   WARNING: This key has been revoked by its owner, possibly because the secret key was compromised.
//   WARNING: This key has expired.
// and after a good one:
//   WARNING: This signature has expired.
//   WARNING:  Because this public key is not certified with a trusted signature, it is not known with
//   high confidence that this public key actually belongs to: "<user ID>".   (one line)
// Every user ID and file name is printed escaped (Printable): nothing a
// signer chose can begin a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "standins/pgp26/keys.h"

namespace pgp26 {

// One signature as gpg's status lines tell it.
struct SignatureStatus {
  enum class Kind { Good, Bad, Unchecked };
  Kind kind = Kind::Unchecked;
  std::string keyId;               // 16 hex digits of the signing key (or subkey)
  std::string userId;              // the signer as gpg named it (UTF-8), if it did
  std::string primaryFingerprint;  // of the signing key's primary key, when verified
  int64_t made = -1;               // time of signing, when known
  bool revokedKey = false;
  bool expiredKey = false;
  bool expiredSignature = false;
  int error = 0;  // ERRSIG's reason; 9: no public key
};

// The signatures in gpg's status text, in order. `messages` is gpg's
// standard error (English, times in UTC): the only place that tells when a
// bad signature was made.
std::vector<SignatureStatus> ReadSignatures(std::string_view status, std::string_view messages);

// Whether the signer's key is certified the way PGP 2.6 judged it: it is the
// user's own (has a secret part), or one of its user IDs carries a valid
// certification by a key with a secret part that was not revoked later.
// `checkedSigs` is `gpg --with-colons --check-sigs` of the signer.
bool IsCertified(const Key& signer, std::string_view checkedSigs, const std::vector<Key>& ownKeys);

// The report of one signature. `key` is the signing key as the ring holds it
// (user IDs as printed in the ANSI code page), or null when it is not there;
// `now` decides whether the key has expired.
std::string SignatureReportBlock(const SignatureStatus& s, const Key* key, bool certified, int64_t now,
                                 std::string_view ringPath);

}  // namespace pgp26
