// Runs the built command.com on batch files under Wine and checks what the
// program it starts receives, where its output goes and the exit codes.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "standins/bridge/files.h"
#include "tests/support/process.h"

namespace {

std::string binFolder() {
  char path[MAX_PATH];
  std::string module(path, GetModuleFileNameA(nullptr, path, sizeof path));
  return module.substr(0, module.find_last_of('\\') + 1);
}

void writeFile(const std::string& path, const std::string& text) {
  ASSERT_TRUE(bridge::WriteWholeFile(path, text)) << path;
}

std::string readFile(const std::string& path) { return bridge::ReadWholeFile(path).value_or("<missing>"); }

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class CommandCom : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    dir_ =
        std::string(temp, GetTempPathA(sizeof temp, temp)) + "cc test " + std::to_string(GetCurrentProcessId()) + "\\";
    testproc::RemoveTree(dir_);
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
    testproc::RemoveTree(dir_);
  }

  // The program with blanks in its path, quoted as the job runner writes it.
  std::string program() const { return "\"" + echo_ + "\""; }

  testproc::Outcome runBatch(const std::string& text, const std::string& stdinText = "") {
    writeFile(dir_ + "job.bat", text);
    return run("\"" + interpreter_ + "\" /c \"" + dir_ + "job.bat\"", stdinText);
  }

  // Starts command.com in the test folder with its standard handles on files.
  testproc::Outcome run(const std::string& commandLine, const std::string& stdinText = "") {
    testproc::Outcome result = testproc::Run({.commandLine = commandLine, .directory = dir_, .stdinText = stdinText});
    EXPECT_TRUE(result.started) << "cannot start " << commandLine << ": " << result.startError;
    EXPECT_TRUE(result.ended) << "command.com did not end";
    return result;
  }

  std::string dir_, echo_, interpreter_;
};

TEST_F(CommandCom, RunsTheJobRunnersBatchFileStartedTheWayTheRunnerStartsIt) {
  std::string output = dir_ + "TMP3A8.TMP";
  writeFile(output, "");
  std::string args = " -esa \"C:\\TEMP\\TMP3A7.TMP\" \"Alice Example\" \"Bob Example\"  -u\"Carol Example\"";
  writeFile(dir_ + "CRYPT.BAT",
            "@echo off\r\n" + program() + args + " -z\"pass%%phrase\" +BatchMode >\"" + output + "\"\r\nexit\r\n");
  // No application name, so the search finds command.com beside this program;
  // a console of its own, no handles passed.
  testproc::Outcome r = testproc::Run({.commandLine = "command.com /c \"" + dir_ + "CRYPT.BAT\"",
                                       .capture = false,
                                       .creationFlags = 0x0A30,
                                       .showWindow = SW_SHOWMINIMIZED});
  ASSERT_TRUE(r.started) << r.startError;
  ASSERT_TRUE(r.ended);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(readFile(output), program() + args + " -z\"pass%phrase\" +BatchMode\r\n");
}

TEST_F(CommandCom, QuotedArgumentsReachTheProgramByteForByte) {
  testproc::Outcome r = runBatch("@echo off\r\n" + program() +
                                 "  -z\"a&b^c|d<e>f%%g\" \"x > y\" \"\" plain&text ^caret  >\"out file.txt\"\r\n");
  EXPECT_EQ(readFile(dir_ + "out file.txt"), program() + "  -z\"a&b^c|d<e>f%g\" \"x > y\" \"\" plain&text ^caret\r\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exitCode, 0u);
}

TEST_F(CommandCom, ExpandsEnvironmentVariablesBeforeParsing) {
  SetEnvironmentVariableA("SW_CC_VALUE", "v a l");
  testproc::Outcome r = runBatch("@echo off\r\nset SW_CC_SET=from set\r\n" + program() +
                                 " %SW_CC_VALUE%;%sw_cc_set%;%SW_CC_UNDEFINED%;100%%;50%\r\n");
  EXPECT_EQ(r.out, program() + " v a l;from set;;100%;50%\r\n");
  EXPECT_EQ(r.err, "");
}

// Lines are bytes in the process code page (UTF-8 for our programs): a user
// ID, a variable's value and file names in any script reach the program and
// the files byte for byte, also from a batch file in a Cyrillic folder.
TEST_F(CommandCom, TextInAnyScriptSurvivesTheBatchFile) {
  ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the programs' manifest";
  const std::string folder = dir_ + "Документы";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  SetEnvironmentVariableA("SW_CC_VALUE", "Алиса Пример <alice@example.ru> 世界 😀");
  writeFile(folder + "\\задание.bat", "@echo off\r\nset SW_CC_SET=Ελληνικά\r\n" + program() +
                                          " -u\"%SW_CC_VALUE%\" %SW_CC_SET% \"Документы\\заметка.txt\" "
                                          ">\"Документы\\вывод.txt\"\r\necho 山田太郎>>Документы\\вывод.txt\r\n");
  testproc::Outcome r = run("\"" + interpreter_ + "\" /c \"" + folder + "\\задание.bat\"");
  EXPECT_EQ(readFile(folder + "\\вывод.txt"), program() +
                                                  " -u\"Алиса Пример <alice@example.ru> 世界 😀\" Ελληνικά "
                                                  "\"Документы\\заметка.txt\"\r\n山田太郎\r\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exitCode, 0u);
}

TEST_F(CommandCom, RedirectionTruncatesOrAppends) {
  writeFile(dir_ + "trunc.txt", "old old old old old\r\n");
  writeFile(dir_ + "append.txt", "first\r\n");
  testproc::Outcome r =
      runBatch("@echo off\r\n" + program() + " one >trunc.txt\r\n" + program() + " two >> append.txt\r\n" + program() +
               " three>>\"append.txt\"\r\n" + "echo four>>append.txt\r\n");
  EXPECT_EQ(readFile(dir_ + "trunc.txt"), program() + " one\r\n");
  EXPECT_EQ(readFile(dir_ + "append.txt"), "first\r\n" + program() + " two\r\n" + program() + " three\r\nfour\r\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST_F(CommandCom, BareNamesAreSearchedInTheCurrentFolderThenOnThePath) {
  std::string path(32767, '\0');
  path.resize(GetEnvironmentVariableA("PATH", path.data(), static_cast<DWORD>(path.size())));
  SetEnvironmentVariableA("PATH", (binFolder() + ";" + path).c_str());
  testproc::Outcome onPath = runBatch("@echo off\r\nargecho  one  two \r\nARGECHO.EXE x\r\n");
  // The current folder comes first, and there .COM, .EXE, .BAT in that order.
  writeFile(dir_ + "argecho.bat", "@echo off\r\necho batch %1\r\n");
  testproc::Outcome inFolder = runBatch("@argecho x\r\n");
  SetEnvironmentVariableA("PATH", path.c_str());
  EXPECT_EQ(onPath.out, "argecho  one  two\r\nARGECHO.EXE x\r\n");
  EXPECT_EQ(onPath.err, "");
  EXPECT_EQ(inFolder.out, "batch x\r\n");
}

TEST_F(CommandCom, EchoOnShowsEachLineWithThePrompt) {
  testproc::Outcome r = runBatch("echo hello\r\n@echo quiet\r\n\r\n   \r\nrem a | b > c\r\necho off\r\necho\r\n");
  EXPECT_NE(r.out.find(">echo hello\r\nhello\r\nquiet\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(">rem a | b > c\r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(">echo off\r\nECHO is off\r\n"), std::string::npos) << r.out;
  EXPECT_FALSE(exists(dir_ + "c"));
  EXPECT_EQ(r.err, "");
}

TEST_F(CommandCom, MissingProgramsAreReportedOnStandardError) {
  testproc::Outcome r = runBatch("@echo off\r\nC:\\nowhere\\missing.exe -a\r\nnosuchprogram x >never.txt\r\n");
  EXPECT_NE(r.err.find("Bad command or file name - C:\\nowhere\\missing.exe"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Bad command or file name - nosuchprogram"), std::string::npos) << r.err;
  EXPECT_EQ(r.exitCode, 9009u);
  EXPECT_EQ(r.out, "");

  testproc::Outcome missingBatch = run("\"" + interpreter_ + "\" /c \"" + dir_ + "absent.bat\"");
  EXPECT_NE(missingBatch.err.find("Bad command or file name - " + dir_ + "absent.bat"), std::string::npos)
      << missingBatch.err;
  EXPECT_NE(missingBatch.exitCode, 0u);

  testproc::Outcome noSwitch = run("\"" + interpreter_ + "\"");
  EXPECT_NE(noSwitch.err.find("Usage"), std::string::npos);
  EXPECT_NE(noSwitch.exitCode, 0u);
}

TEST_F(CommandCom, ExitCodeIsTheLastProgramsAndExitStopsTheBatch) {
  EXPECT_EQ(runBatch("@echo off\r\nset ARGECHO_EXIT=7\r\n" + program() + "\r\n").exitCode, 7u);
  EXPECT_EQ(
      runBatch("@echo off\r\nset ARGECHO_EXIT=5\r\n" + program() + "\r\nset ARGECHO_EXIT=\r\n" + program() + "\r\n")
          .exitCode,
      0u);

  testproc::Outcome stopped =
      runBatch("@echo off\r\nset ARGECHO_EXIT=7\r\n" + program() + "\r\nexit\r\n" + program() + " >after.txt\r\n");
  EXPECT_EQ(stopped.exitCode, 7u);
  EXPECT_FALSE(exists(dir_ + "after.txt"));

  EXPECT_EQ(runBatch("@echo off\r\nexit 3\r\necho no\r\n").exitCode, 3u);
  EXPECT_EQ(run("\"" + interpreter_ + "\" /c exit 4").exitCode, 4u);
}

TEST_F(CommandCom, StandardInputIsInheritedOrRedirectedAndStandardErrorInherited) {
  writeFile(dir_ + "input.txt", "typed text\r\n");
  SetEnvironmentVariableA("ARGECHO_STDIN", "1");
  testproc::Outcome r = runBatch(
      "@echo off\r\nset ARGECHO_STDERR=to stderr\r\n" + program() + " x <input.txt >o.txt\r\n" + program() + " y\r\n",
      "from parent\r\n");
  EXPECT_EQ(readFile(dir_ + "o.txt"), program() + " x\r\ntyped text\r\n");
  EXPECT_EQ(r.out, program() + " y\r\nfrom parent\r\n");
  EXPECT_EQ(r.err, "to stderr\r\nto stderr\r\n");
}

TEST_F(CommandCom, UnsupportedAndFailedRedirectionsAreReported) {
  testproc::Outcome pipe = runBatch("@echo off\r\n" + program() + " a | more\r\n");
  EXPECT_NE(pipe.err.find("Pipes are not supported"), std::string::npos) << pipe.err;
  EXPECT_EQ(pipe.out, "");
  EXPECT_NE(pipe.exitCode, 0u);

  testproc::Outcome bad = runBatch("@echo off\r\n" + program() + " >\"" + dir_ + "no such dir\\o.txt\"\r\n" +
                                   program() + " <missing.txt\r\n");
  EXPECT_NE(bad.err.find("File creation error"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("File not found - missing.txt"), std::string::npos) << bad.err;
  EXPECT_EQ(bad.out, "");
}

TEST_F(CommandCom, ABatchFileNamedInABatchFileTakesOver) {
  writeFile(dir_ + "second.bat", "@echo off\r\n" + program() + " %1 [%0] %2 %3\r\n");
  testproc::Outcome r = runBatch("@echo off\r\n\"" + dir_ + "second.bat\" \"p 1\"  two\r\n" + program() + " never\r\n");
  EXPECT_EQ(r.out, program() + " \"p 1\" [\"" + dir_ + "second.bat\"] two\r\n");
  EXPECT_EQ(r.err, "");
}

}  // namespace
