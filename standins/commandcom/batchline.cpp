#include "standins/commandcom/batchline.h"

#include <cctype>
#include <charconv>

namespace batch {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Reads one word starting at s[i]: up to an unquoted blank or, when
// stopAtRedirect, an unquoted '<', '>' or '|'. Quotes group and are dropped.
std::string readWord(std::string_view s, size_t& i, bool stopAtRedirect) {
  std::string word;
  bool quoted = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && (isBlank(c) || (stopAtRedirect && (c == '<' || c == '>' || c == '|')))) break;
    word += c;
  }
  return word;
}

// A lone keyword as the first word: followed by the end or a blank.
bool startsWithWord(std::string_view text, std::string_view word) {
  return text.size() >= word.size() && equalsNoCase(text.substr(0, word.size()), word) &&
         (text.size() == word.size() || isBlank(text[word.size()]));
}

}  // namespace

std::vector<std::string> splitLines(std::string_view text) {
  if (auto eof = text.find('\x1a'); eof != std::string_view::npos) text = text.substr(0, eof);
  std::vector<std::string> lines;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string expandPercents(std::string_view line, const std::vector<std::string>& params, const EnvLookup& env) {
  std::string out;
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c != '%' || i + 1 == line.size()) {
      out += c;
      ++i;
      continue;
    }
    char next = line[i + 1];
    if (next == '%') {
      out += '%';
      i += 2;
    } else if (next >= '0' && next <= '9') {
      size_t index = static_cast<size_t>(next - '0');
      if (index < params.size()) out += params[index];
      i += 2;
    } else {
      size_t close = line.find('%', i + 1);
      if (close == std::string_view::npos) {
        out.append(line.substr(i));
        break;
      }
      if (auto value = env(line.substr(i + 1, close - i - 1))) out += *value;
      i = close + 1;
    }
  }
  return out;
}

CommandLine parseLine(std::string_view expanded) {
  CommandLine result;
  size_t i = 0;
  while (i < expanded.size() && (isBlank(expanded[i]) || expanded[i] == '@')) {
    if (expanded[i] == '@') result.quiet = true;
    ++i;
  }
  bool quoted = false;
  while (i < expanded.size()) {
    char c = expanded[i];
    if (c == '"') quoted = !quoted;
    if (quoted || (c != '>' && c != '<')) {
      if (c == '|' && !quoted) result.pipe = true;
      result.text += c;
      ++i;
      continue;
    }
    bool isOutput = c == '>';
    ++i;
    bool append = false;
    if (isOutput && i < expanded.size() && expanded[i] == '>') {
      append = true;
      ++i;
    }
    while (i < expanded.size() && isBlank(expanded[i])) ++i;
    std::string name = readWord(expanded, i, true);
    if (name.empty()) {
      result.syntaxError = true;
    } else if (isOutput) {
      result.output = std::move(name);
      result.append = append;
    } else {
      result.input = std::move(name);
    }
  }
  result.text = std::string(trim(result.text));
  size_t end = 0;
  result.program = readWord(result.text, end, false);
  result.tail = result.text.substr(end);
  return result;
}

Builtin builtinOf(const CommandLine& line, std::string* argument) {
  std::string_view text = line.text;
  auto rest = [&](size_t from) {
    if (argument) *argument = std::string(from < text.size() ? text.substr(from) : "");
  };
  if (!text.empty() && text.front() == ':') return Builtin::Label;
  if (text.size() >= 4 && equalsNoCase(text.substr(0, 4), "echo") &&
      (text.size() == 4 || isBlank(text[4]) || text[4] == '.')) {
    rest(5);
    return Builtin::Echo;
  }
  if (startsWithWord(text, "rem")) return rest(4), Builtin::Rem;
  if (startsWithWord(text, "exit")) return rest(5), Builtin::Exit;
  if (startsWithWord(text, "set")) return rest(4), Builtin::Set;
  return Builtin::None;
}

std::optional<bool> echoSwitch(std::string_view argument) {
  argument = trim(argument);
  if (equalsNoCase(argument, "on")) return true;
  if (equalsNoCase(argument, "off")) return false;
  return std::nullopt;
}

std::optional<int> exitCode(std::string_view argument) {
  argument = trim(argument);
  int value = 0;
  auto [end, ec] = std::from_chars(argument.data(), argument.data() + argument.size(), value);
  if (argument.empty() || ec != std::errc() || end != argument.data() + argument.size()) return std::nullopt;
  return value;
}

std::vector<std::string> splitParams(std::string_view tail) {
  std::vector<std::string> params;
  size_t i = 0;
  while (true) {
    while (i < tail.size() && isBlank(tail[i])) ++i;
    if (i == tail.size()) break;
    std::string param;
    bool quoted = false;
    for (; i < tail.size() && (quoted || !isBlank(tail[i])); ++i) {
      if (tail[i] == '"') quoted = !quoted;
      param += tail[i];
    }
    params.push_back(std::move(param));
  }
  return params;
}

std::vector<std::string> candidatePaths(std::string_view program, std::string_view searchPath) {
  std::vector<std::string> folders;
  bool hasFolder = program.find_first_of("\\/:") != std::string_view::npos;
  folders.emplace_back();
  if (!hasFolder) {
    while (!searchPath.empty()) {
      size_t end = searchPath.find(';');
      std::string folder;
      for (char c : searchPath.substr(0, end))
        if (c != '"') folder += c;
      folder = std::string(trim(folder));
      if (!folder.empty()) {
        if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
        folders.push_back(std::move(folder));
      }
      if (end == std::string_view::npos) break;
      searchPath.remove_prefix(end + 1);
    }
  }
  size_t nameStart = program.find_last_of("\\/:");
  nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
  bool hasExtension = program.find('.', nameStart) != std::string_view::npos;
  std::vector<std::string> candidates;
  for (const auto& folder : folders) {
    if (hasExtension) {
      candidates.push_back(folder + std::string(program));
    } else {
      for (const char* ext : {".COM", ".EXE", ".BAT"}) candidates.push_back(folder + std::string(program) + ext);
    }
  }
  return candidates;
}

bool isBatchFile(std::string_view path) {
  return path.size() >= 4 && equalsNoCase(path.substr(path.size() - 4), ".bat");
}

std::optional<std::string> slashCCommand(std::string_view commandLine) {
  size_t i = 0;
  readWord(commandLine, i, false);
  while (true) {
    while (i < commandLine.size() && isBlank(commandLine[i])) ++i;
    if (i + 1 >= commandLine.size() || commandLine[i] != '/') return std::nullopt;
    if (upper(commandLine[i + 1]) == 'C') {
      i += 2;
      while (i < commandLine.size() && isBlank(commandLine[i])) ++i;
      return std::string(trim(commandLine.substr(i)));
    }
    while (i < commandLine.size() && !isBlank(commandLine[i])) ++i;
  }
}

}  // namespace batch
