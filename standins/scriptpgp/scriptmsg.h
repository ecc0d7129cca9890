// The message block the scripted PGP writes instead of real ciphertext: the
// plain bytes as hex, with the recipients and the signer in clear, so that a
// test can read back exactly what was encrypted for whom.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scriptpgp {

struct ScriptMessage {
  std::string plainBytes;
  std::vector<std::string> recipients;
  std::string signer;  // empty when the message is not signed
};

// The block, lines ended by CR LF. A ';', '%', CR or LF inside a recipient or
// the signer is written as %3B, %25, %0D, %0A so the fields stay one line each.
std::string FormatScriptMessage(const ScriptMessage& message);

// Finds the first "-----BEGIN PGP MESSAGE-----" line (text may stand before it)
// and restores the message; nullopt when there is no complete, well-formed block.
std::optional<ScriptMessage> ParseScriptMessage(std::string_view fileText);

// A clear-signed message: the text in clear (lines that start with '-'
// written as "- " + line), then a signature block naming the signer and a
// digest of the text, so that a changed text shows.
struct ClearSigned {
  std::string text;  // lines joined with CR LF, without a final line end
  std::string signer;
  bool intact = false;  // the digest matches the text
};
std::string FormatClearSigned(std::string_view text, std::string_view signer);
// Finds the first "-----BEGIN PGP SIGNED MESSAGE-----" line; nullopt when
// there is no complete block.
std::optional<ClearSigned> ParseClearSigned(std::string_view fileText);

// Splits into lines without their CR LF or LF end; a last line without an end counts.
std::vector<std::string_view> Lines(std::string_view text);

}  // namespace scriptpgp
