// Quoting and whole files, on the host and under Wine.
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "standins/bridge/files.h"
#include "standins/bridge/quote.h"

namespace bridge {
namespace {

#ifndef _WIN32
// Runs a word through the host's sh and returns what sh made of it.
std::string ThroughShell(const std::string& word) {
  std::string cmd = "printf %s " + ShQuote(word);
  FILE* p = popen(cmd.c_str(), "r");
  std::string out;
  char buf[256];
  size_t n;
  while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  if (p) pclose(p);
  return out;
}
#endif

TEST(BridgeQuote, ShellQuotingKeepsHostileTextInert) {
#ifdef _WIN32
  GTEST_SKIP() << "needs the host's sh";
#else
  for (std::string s : {"plain", "it's", "'; touch /tmp/pgp26-pwned; '", "$(id) `id` $HOME \\ \" \n *", "''", ""}) {
    EXPECT_EQ(ThroughShell(s), s);
  }
  EXPECT_NE(access("/tmp/pgp26-pwned", 0), 0);
#endif
}

TEST(BridgeQuote, WindowsArgumentQuoting) {
  EXPECT_EQ(WinQuote("plain"), "plain");
  EXPECT_EQ(WinQuote(""), "\"\"");
  EXPECT_EQ(WinQuote("a b"), "\"a b\"");
  EXPECT_EQ(WinQuote(R"(say "hi")"), R"("say \"hi\"")");
  EXPECT_EQ(WinQuote(R"(C:\dir with\)"), R"("C:\dir with\\")");
  EXPECT_EQ(WinQuote(R"(a\"b c)"), R"("a\\\"b c")");
}

TEST(BridgeFiles, WholeFilesGoAndComeBackByteForByte) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "bridge-files-test";
  fs::create_directories(dir);
  const std::string file = (dir / "data.bin").string();
  std::string data(200000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);

  ASSERT_TRUE(WriteWholeFile(file, data));
  EXPECT_TRUE(FileExists(file));
  EXPECT_EQ(ReadWholeFile(file), data);
  EXPECT_EQ(ReadWholeFile(file, 70000), data.substr(0, 70000));
  ASSERT_TRUE(WriteWholeFile(file, "short"));  // replaced, not overwritten in place
  EXPECT_EQ(ReadWholeFile(file), "short");
  ASSERT_TRUE(WriteWholeFile(file, ""));
  EXPECT_EQ(ReadWholeFile(file), "");

  EXPECT_EQ(ReadWholeFile((dir / "missing").string()), std::nullopt);
  EXPECT_FALSE(FileExists((dir / "missing").string()));
  EXPECT_FALSE(FileExists(dir.string()));  // a folder is no file
  EXPECT_EQ(ReadWholeFile(dir.string()), std::nullopt);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace bridge
