// The window-free rules of the directory tree and list.
#include "dirbrowse/dirnames.h"

#include <gtest/gtest.h>

namespace {

TEST(DirNames, NodeTextsPathsAndPathParts) {
  EXPECT_EQ(FloppyNodeText('A'), "Floppy (A:)");
  EXPECT_EQ(DriveNodeText(CapitalFirst("data disk"), 'D'), "Data disk (D:)");
  EXPECT_EQ(DriveNodeText("", 'X'), " (X:)");
  EXPECT_EQ(CapitalFirst("\xe9t\xe9"), "\xe9t\xe9");
  EXPECT_EQ(CapitalFirst("1st"), "1st");
  EXPECT_EQ(CapitalFirst(""), "");

  EXPECT_EQ(NodePathOf({"Data (C:)", "PGP", "KEYS"}), "C:\\PGP\\KEYS\\");
  EXPECT_EQ(NodePathOf({"Data (C:)"}), "C:\\");
  EXPECT_EQ(NodePathOf({"\\\\server\\share (N:)", "pgp"}), "N:\\pgp\\");
  // A label holding a parenthesis does not change the drive.
  EXPECT_EQ(NodePathOf({"Backup (old) (E:)", "x"}), "E:\\x\\");

  EXPECT_EQ(PathParts("c:\\Pgp\\keys"), (std::vector<std::string>{"C:", "PGP", "KEYS"}));
  EXPECT_EQ(PathParts("C:\\PGP\\"), PathParts("c:\\pgp"));
  EXPECT_EQ(PathParts("C:\\\\pgp"), (std::vector<std::string>{"C:", "PGP"}));
  EXPECT_TRUE(PathParts("").empty());
}

TEST(DirNames, PictureByKindOfEntry) {
  struct Case {
    const char* name;
    bool directory;
    int picture;
  } cases[] = {{"PICTURE.BMP", false, kImagePicture},        {"picture.bmp", false, kImagePicture},
               {"photo.JPEG", false, kDocumentPicture},      {"photo.jpg", false, kImagePicture},
               {"scan.Tif", false, kImagePicture},           {"README", false, kDocumentPicture},
               {"PROGRAM.EXE.TXT", false, kDocumentPicture}, {"SETUP.EXE", false, kProgramPicture},
               {"lib.v2.dll", false, kProgramPicture},       {"run.com", false, kProgramPicture},
               {"SETUP.EXE", true, kFolderPicture},          {".bmp", false, kImagePicture},
               {"trailing.", false, kDocumentPicture}};
  for (const auto& c : cases) EXPECT_EQ(PictureFor(c.name, c.directory), c.picture) << c.name;
  EXPECT_EQ(ExtensionOf("a.jpeg"), "JPE");
  EXPECT_EQ(ExtensionOf("README"), "");
}

TEST(DirNames, NewFolderNamesAndTheShellsSourceList) {
  for (const char* good : {"keys", "new folder", ".hidden", "a.b", "\xe9t\xe9"}) EXPECT_TRUE(IsPlainName(good)) << good;
  for (const char* bad : {"", ".", "..", "..\\x", "a\\b", "a/b", "D:x", "C:", "x*", "x?", "a\"b", "a<b", "a|b",
                          "tab\there", "dot.", "blank "}) {
    EXPECT_FALSE(IsPlainName(bad)) << bad;
  }
  EXPECT_EQ(SourceList({"C:\\a", "C:\\b c"}), std::string("C:\\a\0C:\\b c\0\0", 13));
  EXPECT_EQ(SourceList({"C:\\PGP"}), std::string("C:\\PGP\0\0", 8));
  EXPECT_EQ(SourceList({}), "");
}

}  // namespace
