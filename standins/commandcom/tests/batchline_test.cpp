#include "standins/commandcom/batchline.h"

#include <gtest/gtest.h>
#include <map>

namespace {

using batch::Builtin;

std::string expand(std::string_view line, const std::vector<std::string>& params = {}) {
  std::map<std::string, std::string, std::less<>> vars{{"PATH", "C:\\BIN;C:\\PGP"}, {"TEMP", "C:\\TEMP"}};
  return batch::expandPercents(line, params, [&](std::string_view name) -> std::optional<std::string> {
    auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  });
}

TEST(BatchLines, SplitsOnLineFeedDropsCarriageReturnsAndStopsAtCtrlZ) {
  using V = std::vector<std::string>;
  EXPECT_EQ(batch::splitLines("@echo off\r\n\"C:\\PGP\\PGP.EXE\" -kv\r\nexit\r\n"),
            (V{"@echo off", "\"C:\\PGP\\PGP.EXE\" -kv", "exit"}));
  EXPECT_EQ(batch::splitLines("a\n\r\nb"), (V{"a", "", "b"}));
  EXPECT_EQ(batch::splitLines("a\r\nb\x1a\r\nc\r\n"), (V{"a", "b"}));
  EXPECT_TRUE(batch::splitLines("").empty());
}

TEST(PercentExpansion, DoublePercentEnvironmentAndParameters) {
  EXPECT_EQ(expand("-z\"pass%%phrase\""), "-z\"pass%phrase\"");
  EXPECT_EQ(expand("%%%%"), "%%");
  EXPECT_EQ(expand("set PATH=C:\\X;%PATH%"), "set PATH=C:\\X;C:\\BIN;C:\\PGP");
  EXPECT_EQ(expand("a%UNDEFINED%b"), "ab");
  EXPECT_EQ(expand("%TEMP%\\x %TEMP%"), "C:\\TEMP\\x C:\\TEMP");
  EXPECT_EQ(expand("%0 %1 %2 %9", {"run", "\"a b\""}), "run \"a b\"  ");
}

TEST(PercentExpansion, UnclosedPercentStaysAsWritten) {
  EXPECT_EQ(expand("100%"), "100%");
  EXPECT_EQ(expand("50% off"), "50% off");
  EXPECT_EQ(expand("%TEMP%%"), "C:\\TEMP%");
  // Two lone percents enclose a name, as in real batch files.
  EXPECT_EQ(expand("a%b c%d"), "ad");
}

TEST(ParseLine, RunnerLineKeepsEverythingButTheRedirection) {
  auto line = batch::parseLine(
      "\"C:\\PGP\\PGP.EXE\" -esa \"C:\\TEMP\\TMP3A7.TMP\" \"Alice Example\" \"Bob Example\"  "
      "-u\"Carol Example\" -z\"pass%phrase\" +BatchMode >\"C:\\TEMP\\TMP3A8.TMP\"");
  EXPECT_EQ(line.text,
            "\"C:\\PGP\\PGP.EXE\" -esa \"C:\\TEMP\\TMP3A7.TMP\" \"Alice Example\" \"Bob Example\"  "
            "-u\"Carol Example\" -z\"pass%phrase\" +BatchMode");
  EXPECT_EQ(line.program, "C:\\PGP\\PGP.EXE");
  ASSERT_TRUE(line.output);
  EXPECT_EQ(*line.output, "C:\\TEMP\\TMP3A8.TMP");
  EXPECT_FALSE(line.append);
  EXPECT_FALSE(line.input);
  EXPECT_FALSE(line.quiet || line.pipe || line.syntaxError);
}

TEST(ParseLine, SpecialCharactersInsideQuotesAreArgumentText) {
  auto line = batch::parseLine("prog -z\"a>b<c|d&e^f\" \"x > y\"");
  EXPECT_EQ(line.text, "prog -z\"a>b<c|d&e^f\" \"x > y\"");
  EXPECT_FALSE(line.output || line.input || line.pipe);
  // Outside quotes '&' and '^' mean nothing to this interpreter either.
  EXPECT_EQ(batch::parseLine("prog a&b ^c").text, "prog a&b ^c");
}

TEST(ParseLine, RedirectionForms) {
  auto append = batch::parseLine("prog a >> out.txt");
  EXPECT_EQ(append.text, "prog a");
  EXPECT_EQ(append.output.value_or(""), "out.txt");
  EXPECT_TRUE(append.append);

  auto middle = batch::parseLine("prog >\"C:\\a b\\o.txt\" x <in.txt y");
  EXPECT_EQ(middle.text, "prog  x  y");
  EXPECT_EQ(middle.output.value_or(""), "C:\\a b\\o.txt");
  EXPECT_EQ(middle.input.value_or(""), "in.txt");

  auto adjoining = batch::parseLine("prog>o.txt<i.txt");
  EXPECT_EQ(adjoining.text, "prog");
  EXPECT_EQ(adjoining.output.value_or(""), "o.txt");
  EXPECT_EQ(adjoining.input.value_or(""), "i.txt");

  auto last = batch::parseLine("prog >a.txt >>b.txt");
  EXPECT_EQ(last.output.value_or(""), "b.txt");
  EXPECT_TRUE(last.append);

  EXPECT_TRUE(batch::parseLine("prog >").syntaxError);
  EXPECT_TRUE(batch::parseLine("prog > \"\"").syntaxError);
  EXPECT_TRUE(batch::parseLine("prog | more").pipe);
}

TEST(ParseLine, AtSignsBlanksAndProgramWord) {
  auto line = batch::parseLine("  @ @echo off  ");
  EXPECT_TRUE(line.quiet);
  EXPECT_EQ(line.text, "echo off");
  EXPECT_EQ(line.program, "echo");
  EXPECT_EQ(line.tail, " off");

  auto quoted = batch::parseLine("\"C:\\Program Files\\x\".exe  a  b ");
  EXPECT_EQ(quoted.program, "C:\\Program Files\\x.exe");
  EXPECT_EQ(quoted.tail, "  a  b");
  EXPECT_EQ(quoted.text, "\"C:\\Program Files\\x\".exe  a  b");

  EXPECT_TRUE(batch::parseLine("   ").text.empty());
  EXPECT_TRUE(batch::parseLine("@").text.empty());
}

TEST(Builtins, RecognisedOnlyAsWholeFirstWord) {
  std::string arg;
  auto kind = [&](std::string_view text) { return batch::builtinOf(batch::parseLine(text), &arg); };
  EXPECT_EQ(kind("echo Hello  world"), Builtin::Echo);
  EXPECT_EQ(arg, "Hello  world");
  EXPECT_EQ(kind("ECHO."), Builtin::Echo);
  EXPECT_EQ(arg, "");
  EXPECT_EQ(kind("echo"), Builtin::Echo);
  EXPECT_EQ(kind("Exit 3"), Builtin::Exit);
  EXPECT_EQ(arg, "3");
  EXPECT_EQ(kind("rem a | b > c"), Builtin::Rem);
  EXPECT_EQ(kind("REM"), Builtin::Rem);
  EXPECT_EQ(kind("set A=b c"), Builtin::Set);
  EXPECT_EQ(arg, "A=b c");
  EXPECT_EQ(kind(":label"), Builtin::Label);
  EXPECT_EQ(kind("echoes x"), Builtin::None);
  EXPECT_EQ(kind("exiter"), Builtin::None);
  EXPECT_EQ(kind("remove.exe"), Builtin::None);
  EXPECT_EQ(kind("\"echo\" x"), Builtin::None);

  EXPECT_EQ(batch::echoSwitch(" OFF "), false);
  EXPECT_EQ(batch::echoSwitch("on"), true);
  EXPECT_EQ(batch::echoSwitch("off now"), std::nullopt);
  EXPECT_EQ(batch::exitCode(" 42 "), 42);
  EXPECT_EQ(batch::exitCode("-1"), -1);
  EXPECT_EQ(batch::exitCode(""), std::nullopt);
  EXPECT_EQ(batch::exitCode("4x"), std::nullopt);
}

TEST(Params, BlanksSplitQuotesGroup) {
  EXPECT_EQ(batch::splitParams("  one \"two three\"  x\"y z\"w"),
            (std::vector<std::string>{"one", "\"two three\"", "x\"y z\"w"}));
  EXPECT_TRUE(batch::splitParams("   ").empty());
}

TEST(ProgramSearch, BareNamesSearchCurrentFolderThenPath) {
  using V = std::vector<std::string>;
  EXPECT_EQ(batch::candidatePaths("pgp", "C:\\PGP; \"C:\\My Tools\\\";;D:\\"),
            (V{"pgp.COM", "pgp.EXE", "pgp.BAT", "C:\\PGP\\pgp.COM", "C:\\PGP\\pgp.EXE", "C:\\PGP\\pgp.BAT",
               "C:\\My Tools\\pgp.COM", "C:\\My Tools\\pgp.EXE", "C:\\My Tools\\pgp.BAT", "D:\\pgp.COM", "D:\\pgp.EXE",
               "D:\\pgp.BAT"}));
  EXPECT_EQ(batch::candidatePaths("pgp.exe", "C:\\PGP"), (V{"pgp.exe", "C:\\PGP\\pgp.exe"}));
}

TEST(ProgramSearch, NamesWithAFolderAreNotSearched) {
  using V = std::vector<std::string>;
  EXPECT_EQ(batch::candidatePaths("C:\\PGP\\PGP.EXE", "C:\\BIN"), (V{"C:\\PGP\\PGP.EXE"}));
  EXPECT_EQ(batch::candidatePaths("C:\\v1.2\\pgp", "C:\\BIN"),
            (V{"C:\\v1.2\\pgp.COM", "C:\\v1.2\\pgp.EXE", "C:\\v1.2\\pgp.BAT"}));
  EXPECT_EQ(batch::candidatePaths("C:x.exe", "C:\\BIN"), (V{"C:x.exe"}));
  EXPECT_TRUE(batch::isBatchFile("C:\\TOOLS\\CRYPT.BAT"));
  EXPECT_TRUE(batch::isBatchFile("x.bat"));
  EXPECT_FALSE(batch::isBatchFile("x.bat.exe"));
}

TEST(SlashC, FindsTheCommandAfterTheSwitch) {
  EXPECT_EQ(batch::slashCCommand("command.com /c \"C:\\TOOLS\\CRYPT.BAT\""), "\"C:\\TOOLS\\CRYPT.BAT\"");
  EXPECT_EQ(batch::slashCCommand("\"C:\\a b\\command.com\"  /C  x.bat  "), "x.bat");
  EXPECT_EQ(batch::slashCCommand("command.com /e:512 /c\"x y.bat\""), "\"x y.bat\"");
  EXPECT_EQ(batch::slashCCommand("command.com"), std::nullopt);
  EXPECT_EQ(batch::slashCCommand("command.com x.bat"), std::nullopt);
  EXPECT_EQ(batch::slashCCommand("command.com /c"), "");
}

}  // namespace
