// Work files in a temporary folder of the test's own, their wiping, and the
// text buffer handed to platform calls.
#include "files/workfiles.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "files/TextFile.h"
#include "tests/support/testenv.h"
#include "ui/errors.h"
#include "ui/handles.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What a reader that lets others delete the file sees.
std::string ReadShared(HANDLE file) {
  std::string seen;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(file, buf, sizeof buf, &got, nullptr) && got) seen.append(buf, got);
  return seen;
}

std::string Contents(const std::string& path) {
  ui::Handle f(CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  return f ? ReadShared(f.get()) : std::string();
}

// TMP points at a folder of the test's own meanwhile.
class WorkFiles : public testing::Test {
 protected:
  void SetUp() override {
    char old[MAX_PATH] = {};
    hadTmp_ = GetEnvironmentVariableA("TMP", old, MAX_PATH) > 0;
    oldTmp_ = old;
    SetEnvironmentVariableA("TMP", (temp_.path() + "\\").c_str());
  }
  void TearDown() override { SetEnvironmentVariableA("TMP", hadTmp_ ? oldTmp_.c_str() : nullptr); }

  testenv::TempDir temp_;
  std::string oldTmp_;
  bool hadTmp_ = false;
};

TEST_F(WorkFiles, NewNamesAreDistinctEmptyFilesInTheTemporaryFolder) {
  std::string a = NewWorkFileName(), b = NewWorkFileName();
  EXPECT_NE(a, b);
  for (const auto& n : {a, b}) {
    EXPECT_EQ(n.rfind(temp_.path() + "\\TMP", 0), 0u) << n;
    EXPECT_EQ(n.substr(n.size() - 4), ".tmp") << n;
    EXPECT_TRUE(FileExists(n));
    EXPECT_EQ(Contents(n), "");
  }
  EXPECT_TRUE(RemoveFile(a));
  EXPECT_FALSE(RemoveFile(a));
  EXPECT_TRUE(RemoveFile(b));
}

TEST_F(WorkFiles, ANamerNamesThemWhileItLivesAndAnExistingNameIsRefused) {
  int calls = 0;
  {
    WorkFileNamer namer([&] { return temp_.file("given" + std::to_string(++calls) + ".tmp"); });
    EXPECT_EQ(NewWorkFileName(), temp_.file("given1.tmp"));
    EXPECT_EQ(Contents(temp_.file("given1.tmp")), "");
    testenv::WriteFile(temp_.file("given2.tmp"), "someone else's");
    EXPECT_THROW(NewWorkFileName(), ui::Error);
    EXPECT_EQ(Contents(temp_.file("given2.tmp")), "someone else's");
  }
  std::string platform = NewWorkFileName();
  EXPECT_EQ(platform.rfind(temp_.path() + "\\TMP", 0), 0u) << platform;
  EXPECT_EQ(calls, 2);
}

TEST_F(WorkFiles, NoTemporaryFolderThrowsNamingIt) {
  SetEnvironmentVariableA("TMP", (temp_.path() + "\\absent\\").c_str());
  try {
    NewWorkFileName();
    ADD_FAILURE() << "no error";
  } catch (const ui::Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create a work file in the temporary folder " + temp_.path() + "\\absent\\");
  }
}

TEST_F(WorkFiles, WipeOverwritesEveryByteWithZerosBeforeTheNameGoes) {
  std::string dir = temp_.path();
  while (dir.size() < 170) {
    dir += "\\abcdefghijklmnopqrst";
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
  }
  std::string name = dir + "\\" + std::string(200 - dir.size() - 5, 'w') + ".TMP";
  ASSERT_EQ(name.size(), 200u);
  const size_t n = 200000;  // several blocks and a partial one
  WriteTextFile(name, std::string(n, 'S'));
  // A reader that allows deletion keeps the file's data reachable after the
  // delete, so it sees what was on the disk when the name went.
  ui::Handle reader(CreateFileA(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(reader);
  WipeFile(name);
  std::string seen = ReadShared(reader.get());
  reader.reset();
  EXPECT_EQ(seen, std::string(n, '\0'));
  EXPECT_FALSE(FileExists(name));
  WipeFile(name);  // missing: no effect
}

TEST(TextBuffer, StartsEmptyAndRefusesToOverrun) {
  TextBuffer b;
  EXPECT_EQ(b.str(), "");
  b.append("abc");
  b.append("def");
  EXPECT_EQ(b.str(), "abcdef");
  b.append(std::string(TextBuffer::kSize - 7, 'x'));
  EXPECT_EQ(b.str().size(), TextBuffer::kSize - 1);
  EXPECT_THROW(b.append("y"), ui::Error);
  EXPECT_EQ(b.str().size(), TextBuffer::kSize - 1);
}

}  // namespace
