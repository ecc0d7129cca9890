// Runs the built command.com on batch files under Wine and checks what the
// program it starts receives, where its output goes and the exit codes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ui/handles.h"

namespace {

using ui::Handle;

std::string binFolder() {
  char path[MAX_PATH];
  std::string module(path, GetModuleFileNameA(nullptr, path, sizeof path));
  return module.substr(0, module.find_last_of('\\') + 1);
}

void writeFile(const std::string& path, const std::string& text) {
  Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << path;
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
}

std::string readFile(const std::string& path) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return "<missing>";
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
  return text;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Under Wine a console program started without a console gets a console
// host that inherits its inheritable handles and outlives it by a moment, so
// the files the test handed over stay open briefly: retry the deletes.
void removeTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(folder + name + "\\");
      else
        for (int tries = 0; !DeleteFileA((folder + name).c_str()) && tries < 100; ++tries) Sleep(50);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

struct Outcome {
  DWORD code = 0;
  std::string out;
  std::string err;
};

class CommandCom : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    dir_ =
        std::string(temp, GetTempPathA(sizeof temp, temp)) + "cc test " + std::to_string(GetCurrentProcessId()) + "\\";
    removeTree(dir_);
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((dir_ + "my progs").c_str(), nullptr));
    echo_ = dir_ + "my progs\\arg echo.exe";
    ASSERT_TRUE(CopyFileA((binFolder() + "argecho.exe").c_str(), echo_.c_str(), FALSE));
    interpreter_ = binFolder() + "command.com";
    ASSERT_TRUE(exists(interpreter_));
  }

  void TearDown() override {
    for (const char* name : {"ARGECHO_EXIT", "ARGECHO_STDIN", "ARGECHO_STDERR", "SW_CC_VALUE"})
      SetEnvironmentVariableA(name, nullptr);
    removeTree(dir_);
  }

  // The program with blanks in its path, quoted as the job runner writes it.
  std::string program() const { return "\"" + echo_ + "\""; }

  Outcome runBatch(const std::string& text, const std::string& stdinText = "") {
    writeFile(dir_ + "job.bat", text);
    return run("\"" + interpreter_ + "\" /c \"" + dir_ + "job.bat\"", stdinText);
  }

  // Starts command.com in the test folder with its standard handles on files,
  // new ones for each run since the last run's may still be open (removeTree).
  Outcome run(std::string commandLine, const std::string& stdinText = "") {
    Outcome result;
    std::string n = std::to_string(++runs_);
    std::string inName = "stdin" + n, outName = "stdout" + n, errName = "stderr" + n;
    writeFile(dir_ + inName, stdinText);
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    auto open = [&](const std::string& name, DWORD access, DWORD disposition) {
      return Handle(CreateFileA((dir_ + name).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    {
      Handle in = open(inName, GENERIC_READ, OPEN_EXISTING);
      Handle out = open(outName, GENERIC_WRITE, CREATE_ALWAYS);
      Handle err = open(errName, GENERIC_WRITE, CREATE_ALWAYS);
      STARTUPINFOA startup{};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdInput = in.get();
      startup.hStdOutput = out.get();
      startup.hStdError = err.get();
      PROCESS_INFORMATION info{};
      if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, dir_.c_str(),
                          &startup, &info)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << GetLastError();
        return result;
      }
      Handle process(info.hProcess), thread(info.hThread);
      if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        ADD_FAILURE() << "command.com did not end";
      }
      GetExitCodeProcess(process.get(), &result.code);
    }
    result.out = readFile(dir_ + outName);
    result.err = readFile(dir_ + errName);
    return result;
  }

  std::string dir_, echo_, interpreter_;
  int runs_ = 0;
};

TEST_F(CommandCom, RunsTheJobRunnersBatchFileStartedTheWayTheRunnerStartsIt) {
  std::string output = dir_ + "TMP3A8.TMP";
  writeFile(output, "");
  std::string args = " -esa \"C:\\TEMP\\TMP3A7.TMP\" \"Alice Example\" \"Bob Example\"  -u\"Carol Example\"";
  writeFile(dir_ + "CRYPT.BAT",
            "@echo off\r\n" + program() + args + " -z\"pass%%phrase\" +BatchMode >\"" + output + "\"\r\nexit\r\n");
  // No application name, so the search finds command.com beside this program;
  // a console of its own, no handles passed.
  std::string commandLine = "command.com /c \"" + dir_ + "CRYPT.BAT\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINIMIZED;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(
      CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0x0A30, nullptr, nullptr, &startup, &info))
      << GetLastError();
  Handle process(info.hProcess), thread(info.hThread);
  ASSERT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(readFile(output), program() + args + " -z\"pass%phrase\" +BatchMode\r\n");
}

TEST_F(CommandCom, QuotedArgumentsReachTheProgramByteForByte) {
  Outcome r = runBatch("@echo off\r\n" + program() +
                       "  -z\"a&b^c|d<e>f%%g\" \"x > y\" \"\" plain&text ^caret  >\"out file.txt\"\r\n");
  EXPECT_EQ(readFile(dir_ + "out file.txt"), program() + "  -z\"a&b^c|d<e>f%g\" \"x > y\" \"\" plain&text ^caret\r\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.code, 0u);
}

TEST_F(CommandCom, ExpandsEnvironmentVariablesBeforeParsing) {
  SetEnvironmentVariableA("SW_CC_VALUE", "v a l");
  Outcome r = runBatch("@echo off\r\nset SW_CC_SET=from set\r\n" + program() +
                       " %SW_CC_VALUE%;%sw_cc_set%;%SW_CC_UNDEFINED%;100%%;50%\r\n");
  EXPECT_EQ(r.out, program() + " v a l;from set;;100%;50%\r\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(CommandCom, RedirectionTruncatesOrAppends) {
  writeFile(dir_ + "trunc.txt", "old old old old old\r\n");
  writeFile(dir_ + "append.txt", "first\r\n");
  Outcome r = runBatch("@echo off\r\n" + program() + " one >trunc.txt\r\n" + program() + " two >> append.txt\r\n" +
                       program() + " three>>\"append.txt\"\r\n" + "echo four>>append.txt\r\n");
  EXPECT_EQ(readFile(dir_ + "trunc.txt"), program() + " one\r\n");
  EXPECT_EQ(readFile(dir_ + "append.txt"), "first\r\n" + program() + " two\r\n" + program() + " three\r\nfour\r\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST_F(CommandCom, BareNamesAreSearchedInTheCurrentFolderThenOnThePath) {
  std::string path(32767, '\0');
  path.resize(GetEnvironmentVariableA("PATH", path.data(), static_cast<DWORD>(path.size())));
  SetEnvironmentVariableA("PATH", (binFolder() + ";" + path).c_str());
  Outcome onPath = runBatch("@echo off\r\nargecho  one  two \r\nARGECHO.EXE x\r\n");
  // The current folder comes first, and there .COM, .EXE, .BAT in that order.
  writeFile(dir_ + "argecho.bat", "@echo off\r\necho batch %1\r\n");
  Outcome inFolder = runBatch("@argecho x\r\n");
  SetEnvironmentVariableA("PATH", path.c_str());
  EXPECT_EQ(onPath.out, "argecho  one  two\r\nARGECHO.EXE x\r\n");
  EXPECT_EQ(onPath.err, "");
  EXPECT_EQ(inFolder.out, "batch x\r\n");
}

TEST_F(CommandCom, EchoOnShowsEachLineWithThePrompt) {
  Outcome r = runBatch("echo hello\r\n@echo quiet\r\n\r\n   \r\nrem a | b > c\r\necho off\r\necho\r\n");
  EXPECT_NE(r.out.find(">echo hello\r\nhello\r\nquiet\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(">rem a | b > c\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(">echo off\r\nECHO is off\r\n"), std::string::npos) << r.out;
  EXPECT_FALSE(exists(dir_ + "c"));
  EXPECT_EQ(r.err, "");
}

TEST_F(CommandCom, MissingProgramsAreReportedOnStandardError) {
  Outcome r = runBatch("@echo off\r\nC:\\nowhere\\missing.exe -a\r\nnosuchprogram x >never.txt\r\n");
  EXPECT_NE(r.err.find("Bad command or file name - C:\\nowhere\\missing.exe"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Bad command or file name - nosuchprogram"), std::string::npos) << r.err;
  EXPECT_EQ(r.code, 9009u);
  EXPECT_EQ(r.out, "");

  Outcome missingBatch = run("\"" + interpreter_ + "\" /c \"" + dir_ + "absent.bat\"");
  EXPECT_NE(missingBatch.err.find("Bad command or file name - " + dir_ + "absent.bat"), std::string::npos)
      << missingBatch.err;
  EXPECT_NE(missingBatch.code, 0u);

  Outcome noSwitch = run("\"" + interpreter_ + "\"");
  EXPECT_NE(noSwitch.err.find("Usage"), std::string::npos);
  EXPECT_NE(noSwitch.code, 0u);
}

TEST_F(CommandCom, ExitCodeIsTheLastProgramsAndExitStopsTheBatch) {
  EXPECT_EQ(runBatch("@echo off\r\nset ARGECHO_EXIT=7\r\n" + program() + "\r\n").code, 7u);
  EXPECT_EQ(
      runBatch("@echo off\r\nset ARGECHO_EXIT=5\r\n" + program() + "\r\nset ARGECHO_EXIT=\r\n" + program() + "\r\n")
          .code,
      0u);

  Outcome stopped =
      runBatch("@echo off\r\nset ARGECHO_EXIT=7\r\n" + program() + "\r\nexit\r\n" + program() + " >after.txt\r\n");
  EXPECT_EQ(stopped.code, 7u);
  EXPECT_FALSE(exists(dir_ + "after.txt"));

  EXPECT_EQ(runBatch("@echo off\r\nexit 3\r\necho no\r\n").code, 3u);
  EXPECT_EQ(run("\"" + interpreter_ + "\" /c exit 4").code, 4u);
}

TEST_F(CommandCom, StandardInputIsInheritedOrRedirectedAndStandardErrorInherited) {
  writeFile(dir_ + "input.txt", "typed text\r\n");
  SetEnvironmentVariableA("ARGECHO_STDIN", "1");
  Outcome r = runBatch(
      "@echo off\r\nset ARGECHO_STDERR=to stderr\r\n" + program() + " x <input.txt >o.txt\r\n" + program() + " y\r\n",
      "from parent\r\n");
  EXPECT_EQ(readFile(dir_ + "o.txt"), program() + " x\r\ntyped text\r\n");
  EXPECT_EQ(r.out, program() + " y\r\nfrom parent\r\n");
  EXPECT_EQ(r.err, "to stderr\r\nto stderr\r\n");
}

TEST_F(CommandCom, UnsupportedAndFailedRedirectionsAreReported) {
  Outcome pipe = runBatch("@echo off\r\n" + program() + " a | more\r\n");
  EXPECT_NE(pipe.err.find("Pipes are not supported"), std::string::npos) << pipe.err;
  EXPECT_EQ(pipe.out, "");
  EXPECT_NE(pipe.code, 0u);

  Outcome bad = runBatch("@echo off\r\n" + program() + " >\"" + dir_ + "no such dir\\o.txt\"\r\n" + program() +
                         " <missing.txt\r\n");
  EXPECT_NE(bad.err.find("File creation error"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("File not found - missing.txt"), std::string::npos) << bad.err;
  EXPECT_EQ(bad.out, "");
}

TEST_F(CommandCom, ABatchFileNamedInABatchFileTakesOver) {
  writeFile(dir_ + "second.bat", "@echo off\r\n" + program() + " %1 [%0] %2 %3\r\n");
  Outcome r = runBatch("@echo off\r\n\"" + dir_ + "second.bat\" \"p 1\"  two\r\n" + program() + " never\r\n");
  EXPECT_EQ(r.out, program() + " \"p 1\" [\"" + dir_ + "second.bat\"] two\r\n");
  EXPECT_EQ(r.err, "");
}

}  // namespace
