// The disk work of the directory tree and list: the one routine that reads a
// folder, making a folder from a name the user types, and handing paths to
// the shell's recycle bin.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct FolderEntry {
  std::string name;
  bool directory = false;
};

// Reads a folder through one directory search.
using FolderReader = std::function<std::vector<FolderEntry>(const std::string& folder)>;

// Searches `folder` (ending in a backslash) for "*.*" with every attribute,
// hidden and system entries included; leaves out "." and ".."; keeps the file
// system's order. Empty when the folder cannot be read.
std::vector<FolderEntry> ReadFolder(const std::string& folder);

// Asks for a new directory's name; false unless the user chose OK.
bool AskNewFolderName(std::string& name);

// Creates the folder `name` right inside `parent`. False, with nothing
// created, for an empty parent, a name that is not a plain name, or when the
// platform refuses.
bool CreateFolderIn(const std::string& parent, const std::string& name);

// Moves the paths, with their content, to the recycle bin without a second
// question from the shell. True when the shell reports an aborted operation.
bool RecyclePaths(HWND owner, const std::vector<std::string>& paths);
