// The command interpreter stand-in, built as command.com: runs "/c <command>",
// where the command is usually a batch file, line by line the way the classic
// interpreter does, enough for the job runner's batch files.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "standins/bridge/codepage.h"
#include "standins/bridge/files.h"
#include "standins/commandcom/batchline.h"
#include "ui/handles.h"

namespace commandcom {

using Handle = ui::Handle;
namespace {

// Exit code for a program that cannot be found or started.
constexpr DWORD kBadCommand = 9009;

void write(HANDLE h, std::string_view text) {
  DWORD written = 0;
  while (!text.empty() && WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written)
    text.remove_prefix(written);
}

void complain(const std::string& text) { write(GetStdHandle(STD_ERROR_HANDLE), text + "\r\n"); }

std::string currentFolder() {
  DWORD size = GetCurrentDirectoryA(0, nullptr);
  std::string folder(size, '\0');
  folder.resize(GetCurrentDirectoryA(size, folder.data()));
  return folder;
}

std::optional<std::string> resolveProgram(const std::string& program) {
  for (const auto& candidate : batch::candidatePaths(program, bridge::EnvironmentVariable("PATH").value_or(""))) {
    if (bridge::FileExists(candidate)) return bridge::FullPath(candidate);
  }
  return std::nullopt;
}

// Ctrl+C and Ctrl+Break reach every process on the console. The interpreter
// must outlive the program it waits for (its caller takes the interpreter's
// end as the program's end), so it ignores them and leaves them to the
// program. A handler routine, unlike SetConsoleCtrlHandler(NULL, TRUE), is
// not passed on to the programs started.
BOOL WINAPI ignoreBreak(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

class Interpreter {
 public:
  DWORD run(const std::string& command) {
    execute(batch::parseLine(command));
    while (next_ && !exited_) {
      auto [file, params] = *std::exchange(next_, std::nullopt);
      runBatch(file, params);
    }
    return last_;
  }

 private:
  void runBatch(const std::string& file, const std::vector<std::string>& params) {
    auto text = bridge::ReadWholeFile(file);
    if (!text) {
      complain("Batch file missing - " + file);
      last_ = 1;
      return;
    }
    batch::EnvLookup env = bridge::EnvironmentVariable;
    for (const auto& raw : batch::splitLines(*text)) {
      if (exited_ || next_) return;
      batch::CommandLine line = batch::parseLine(batch::expandPercents(raw, params, env));
      if (line.text.empty()) continue;
      if (echo_ && !line.quiet && batch::builtinOf(line, nullptr) != batch::Builtin::Label) {
        std::string shown = raw;
        shown.erase(0, shown.find_first_not_of(" \t"));
        write(GetStdHandle(STD_OUTPUT_HANDLE),
              currentFolder() + ">" + batch::expandPercents(shown, params, env) + "\r\n");
      }
      execute(line);
    }
  }

  void execute(const batch::CommandLine& line) {
    std::string argument;
    batch::Builtin builtin = batch::builtinOf(line, &argument);
    if (line.text.empty() || builtin == batch::Builtin::Rem || builtin == batch::Builtin::Label) return;
    if (line.syntaxError) return fail("Syntax error - " + line.text, 1);
    if (line.pipe) return fail("Pipes are not supported - " + line.text, 1);

    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    Handle input, output;
    if (line.input) {
      input = Handle(CreateFileA(line.input->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!input) return fail("File not found - " + *line.input, 1);
    }
    if (line.output) {
      output = Handle(CreateFileA(line.output->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                  line.append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!output) return fail("File creation error - " + *line.output, 1);
      if (line.append) SetFilePointer(output.get(), 0, nullptr, FILE_END);
    }
    HANDLE out = output ? output.get() : GetStdHandle(STD_OUTPUT_HANDLE);

    switch (builtin) {
      case batch::Builtin::Echo:
        if (line.text.size() == 4) {
          write(out, echo_ ? "ECHO is on\r\n" : "ECHO is off\r\n");
        } else if (auto on = batch::echoSwitch(argument); on && line.text[4] != '.') {
          echo_ = *on;
        } else {
          write(out, argument + "\r\n");
        }
        return;
      case batch::Builtin::Exit:
        exited_ = true;
        if (auto code = batch::exitCode(argument)) last_ = static_cast<DWORD>(*code);
        return;
      case batch::Builtin::Set:
        return set(argument, out);
      default:
        break;
    }

    auto program = resolveProgram(line.program);
    if (!program) return fail("Bad command or file name - " + line.program, kBadCommand);
    if (batch::isBatchFile(*program)) {
      // Like the classic interpreter, a batch file named in a batch file
      // takes over: the rest of the calling one is not run.
      std::vector<std::string> params{line.text.substr(0, line.text.size() - line.tail.size())};
      for (auto& p : batch::splitParams(line.tail)) params.push_back(std::move(p));
      next_.emplace(*program, std::move(params));
      return;
    }
    start(*program, line.text, input ? input.get() : GetStdHandle(STD_INPUT_HANDLE), out);
  }

  void start(const std::string& program, std::string commandLine, HANDLE in, HANDLE out) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info))
      return fail("Cannot start " + program + " (error " + std::to_string(GetLastError()) + ")", kBadCommand);
    Handle process(info.hProcess), thread(info.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    last_ = GetExitCodeProcess(process.get(), &code) ? code : 1;
  }

  // "set NAME=value" sets or (with no value) removes a variable; "set" with
  // no "=" lists the variables whose names start with the argument.
  void set(const std::string& argument, HANDLE out) {
    size_t start = argument.find_first_not_of(" \t");
    std::string text = start == std::string::npos ? "" : argument.substr(start);
    size_t equals = text.find('=');
    if (equals == 0) return fail("Syntax error - set " + text, 1);
    if (equals != std::string::npos) {
      std::string name = text.substr(0, equals), value = text.substr(equals + 1);
      SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
      return;
    }
    // Compared in UTF-16: the ANSI comparison converts with the locale's code
    // page, not a UTF-8 process code page.
    const std::wstring prefix = bridge::Widen(text);
    wchar_t* block = GetEnvironmentStringsW();
    if (!block) return;
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1)
      if (*entry != L'=' && CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, entry,
                                           static_cast<int>(std::min(wcslen(entry), prefix.size())), prefix.c_str(),
                                           static_cast<int>(prefix.size())) == CSTR_EQUAL)
        write(out, bridge::Narrow(entry) + "\r\n");
    FreeEnvironmentStringsW(block);
  }

  void fail(const std::string& message, DWORD code) {
    complain(message);
    last_ = code;
  }

  bool echo_ = true;
  bool exited_ = false;
  DWORD last_ = 0;
  std::optional<std::pair<std::string, std::vector<std::string>>> next_;
};

}  // namespace
}  // namespace commandcom

int main() {
  SetConsoleCtrlHandler(commandcom::ignoreBreak, TRUE);
  auto command = batch::slashCCommand(GetCommandLineA());
  if (!command || command->empty()) {
    commandcom::complain("Usage: command.com /c <batch file> | /c <command line>");
    return 1;
  }
  return static_cast<int>(commandcom::Interpreter().run(*command));
}
