#include "dirbrowse/dirnames.h"

#include "files/filenames.h"

std::string FloppyNodeText(char letter) { return std::string("Floppy (") + letter + ":)"; }

std::string DriveNodeText(std::string_view name, char letter) { return std::string(name) + " (" + letter + ":)"; }

std::string CapitalFirst(std::string lowered) {
  if (!lowered.empty() && lowered[0] >= 'a' && lowered[0] <= 'z') lowered[0] = static_cast<char>(lowered[0] - 32);
  return lowered;
}

std::string DriveOfNodeText(std::string_view text) {
  auto open = text.rfind('(');
  if (open == std::string_view::npos) return {};
  return std::string(text.substr(open + 1, 2));
}

std::string NodePathOf(const std::vector<std::string>& textsFromTop) {
  std::string path;
  for (size_t i = 0; i < textsFromTop.size(); ++i) {
    path += i == 0 ? DriveOfNodeText(textsFromTop[i]) : textsFromTop[i];
    path += '\\';
  }
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

std::string UpperAscii(std::string_view s) {
  std::string up(s);
  for (char& c : up) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return up;
}

std::vector<std::string> PathParts(std::string_view path) {
  std::vector<std::string> parts;
  while (!path.empty()) {
    auto slash = path.find('\\');
    std::string_view part = path.substr(0, slash);
    if (!part.empty()) parts.push_back(UpperAscii(part));
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
  }
  return parts;
}

std::string ExtensionOf(std::string_view name) {
  std::string up = UpperAscii(name);
  int dot = LastCharPos('.', up);
  if (dot == 0) return {};
  return up.substr(static_cast<size_t>(dot), 3);
}

int PictureFor(std::string_view name, bool directory) {
  if (directory) return kFolderPicture;
  std::string ext = ExtensionOf(name);
  for (const char* program : {"COM", "EXE", "DLL"}) {
    if (ext == program) return kProgramPicture;
  }
  for (const char* picture : {"BMP", "TIF", "JPG", "GIF", "RLE", "DIB"}) {
    if (ext == picture) return kImagePicture;
  }
  return kDocumentPicture;
}

bool IsPlainName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ') return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 32 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      return false;
    }
  }
  return true;
}

std::string SourceList(const std::vector<std::string>& paths) {
  if (paths.empty()) return {};
  std::string list;
  for (const auto& p : paths) {
    list += p;
    list += '\0';
  }
  list += '\0';
  return list;
}
