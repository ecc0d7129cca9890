// Where the mail is, who sends it and how: the provider's settings (HKCU
// "Software\Sealwright Maildir") and the environment behind their defaults.
#pragma once

#include <string>

namespace maildir {

// The Maildir: the stored setting, else $MAILDIR, else Maildir in the user's
// home.
std::string ConfiguredMaildir();
// Keeps the Maildir the user chose.
void StoreMaildir(const std::string& path);
// The sh command line that takes a whole message on its standard input.
std::string SendCommand();
// $EMAIL, else user@host.
std::string FromAddress();
std::string HostName();
// The temporary folder, without a trailing backslash.
std::string TempFolder();

}  // namespace maildir
