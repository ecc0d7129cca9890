// The provider's text between the message's charsets, its UTF-8 and the
// caller's ANSI code page (the policy itself is the bridge's: no look-alikes).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace maildir {

// A MIME charset's bytes as UTF-8 through the code pages Windows knows;
// nothing for one it does not (the parser's CharsetDecoder).
std::optional<std::string> DecodeCharset(std::string_view charset, std::string_view bytes);
// The MIME name of the ANSI code page, for the files attached; empty when it
// has none.
std::string AnsiCharsetName();
// UTF-8 text with LF line ends as the caller shows it: ANSI, CR LF.
std::string CallerText(std::string utf8);

}  // namespace maildir
