// Window-free rules of the directory tree and list: node texts and paths,
// the picture of each kind of entry, names a new folder may have, and the
// shell's list of paths.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Images of the tree ("Images").
enum TreeImage { kFolderImage, kOpenFolderImage, kFloppyImage, kHardDiskImage, kRamDiskImage, kNetworkImage, kCdImage };
// Pictures of the list ("SmallImages", "LargeImages").
enum ListPicture {
  kFolderPicture,
  kOpenFolderPicture,
  kProgramPicture,
  kDocumentPicture,
  kArrowPicture,
  kImagePicture
};

// "Floppy (A:)": no label is read for a removable drive.
std::string FloppyNodeText(char letter);
// "Data (C:)" from the drive's name and letter.
std::string DriveNodeText(std::string_view name, char letter);
// A lower-cased label with its first character made upper case (ASCII
// letters only): "data disk" gives "Data disk".
std::string CapitalFirst(std::string lowered);

// The drive designator of a drive node: the two characters after the last
// "(" ("C:" from "Data (C:)"), so a label holding "(" cannot mislead it.
std::string DriveOfNodeText(std::string_view text);
// The path of a node from its texts, top-level node first, always ending in
// a backslash: {"Data (C:)", "PGP"} gives "C:\PGP\".
std::string NodePathOf(const std::vector<std::string>& textsFromTop);

std::string UpperAscii(std::string_view s);
// The parts of a path between backslashes, upper case (ASCII); empty parts
// (a trailing backslash, a doubled one) are left out.
std::vector<std::string> PathParts(std::string_view path);

// The part of the upper-cased name after its last ".", cut to three
// characters; empty without a ".".
std::string ExtensionOf(std::string_view name);
// The list's picture for a directory entry.
int PictureFor(std::string_view name, bool directory);

// True for a name that makes a folder right inside another one: not empty,
// not "." or "..", no drive, separator, wildcard or control character, and no
// trailing dot or blank (the platform would drop them, so the folder would be
// named otherwise than the node).
bool IsPlainName(std::string_view name);

// The paths, each followed by a zero character, and one more zero at the end:
// the shell's list of source paths. Empty for no paths.
std::string SourceList(const std::vector<std::string>& paths);
