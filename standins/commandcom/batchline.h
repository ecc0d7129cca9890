// Window-free parsing for the command interpreter stand-in: batch file lines,
// percent expansion, redirection and the program word, read the way the
// classic interpreter reads them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

// Splits batch file text into lines. A line feed ends a line and carriage
// returns before it are dropped; Ctrl-Z ends the file; a last line without an
// ending still counts.
std::vector<std::string> splitLines(std::string_view text);

// Looks up an environment variable; nullopt when it is not defined.
using EnvLookup = std::function<std::optional<std::string>(std::string_view name)>;

// Replaces "%%" by "%", "%0" to "%9" by the batch parameters (empty when
// missing) and "%NAME%" by the variable's value (empty when undefined). A "%"
// without a closing one stays as written.
std::string expandPercents(std::string_view line, const std::vector<std::string>& params, const EnvLookup& env);

// One command line after percent expansion.
struct CommandLine {
  bool quiet = false;                 // a leading '@': the line is not echoed
  std::string text;                   // the command, redirections cut out, outer blanks trimmed
  std::string program;                // the first word of text, quotes removed
  std::string tail;                   // text after the first word, as written
  std::optional<std::string> output;  // file for standard output
  bool append = false;                // ">>" rather than ">"
  std::optional<std::string> input;   // file for standard input
  bool pipe = false;                  // an unquoted '|' (not supported)
  bool syntaxError = false;           // a redirection without a file name
};

// Splits off '@', '>', ">>" and '<' (recognised outside double quotes only)
// and the first word. Everything else stays exactly as written.
CommandLine parseLine(std::string_view expanded);

enum class Builtin { None, Echo, Rem, Exit, Set, Label };

// The internal command a line names, with its argument text in *argument
// (for echo: the text after "echo" and one separator).
Builtin builtinOf(const CommandLine& line, std::string* argument);

// "ON" or "OFF" for an echo argument that switches echoing, else nullopt.
std::optional<bool> echoSwitch(std::string_view argument);

// The numeric argument of exit, nullopt when absent or not a number.
std::optional<int> exitCode(std::string_view argument);

// Batch parameters of a command tail: words split at blanks, quoted parts
// kept together with their quotes.
std::vector<std::string> splitParams(std::string_view tail);

// The files to try, in order, for a program name: a name with a folder or
// drive is tried only where it points, a bare name in the current folder and
// then each folder of the search path; a name without extension gets .COM,
// .EXE and .BAT in turn in each folder.
std::vector<std::string> candidatePaths(std::string_view program, std::string_view searchPath);

// True when the file name ends in ".BAT" (any case).
bool isBatchFile(std::string_view path);

// The command after the "/c" switch of the interpreter's own command line
// (program name first), or nullopt when there is no "/c".
std::optional<std::string> slashCCommand(std::string_view commandLine);

}  // namespace batch
