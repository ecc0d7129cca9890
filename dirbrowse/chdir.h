// The modal directory chooser.
#pragma once

#include <string>

// Shows the chooser with `caption`; returns the folder the user confirmed,
// without a trailing backslash, or `initial` unchanged when cancelled.
std::string ChooseDirectory(const std::string& initial, const std::string& caption);
