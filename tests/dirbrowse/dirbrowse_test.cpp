// The directory tree, its chooser and the directory list in real windows
// under Wine, on drives this test defines in the build tree's prefix.
#include <windows.h>

#include <winioctl.h>

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <memory>

#include "dirbrowse/chdir.h"
#include "dirbrowse/dirlist.h"
#include "dirbrowse/dirnames.h"
#include "dirbrowse/dirtree.h"
#include "tests/support/dialogs.h"
#include "tests/support/process.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"

namespace {

using robot::Robot;

// Wine's mount manager defines a drive letter for a Unix folder while Wine
// runs, as its configuration tool does; type DRIVE_NO_ROOT_DIR removes it.
struct UnixDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDev;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};

bool DefineDrive(char letter, const std::string& unixFolder, UINT type) {
  std::vector<char> buffer(sizeof(UnixDrive) + unixFolder.size() + 1, '\0');
  auto* drive = reinterpret_cast<UnixDrive*>(buffer.data());
  drive->size = static_cast<ULONG>(buffer.size());
  drive->type = type;
  drive->letter = static_cast<WCHAR>(letter);
  drive->mountPointOffset = unixFolder.empty() ? 0 : sizeof(UnixDrive);
  unixFolder.copy(buffer.data() + sizeof(UnixDrive), unixFolder.size());
  HANDLE manager = CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  BOOL ok = DeviceIoControl(manager, CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS),
                            buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, 0, &n, nullptr);
  CloseHandle(manager);
  return ok != FALSE;
}

// Wine's recycle bin: the desktop's trash folder under XDG_DATA_HOME.
std::string Trash() {
  char data[MAX_PATH] = "";
  GetEnvironmentVariableA("XDG_DATA_HOME", data, MAX_PATH);
  std::string path = std::string("Z:") + data + "/Trash";
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Empties the trash but keeps its folders: Wine looks them up once per process.
void ClearTrash() {
  for (const char* sub : {"\\files", "\\info"}) {
    testproc::RemoveTree(Trash() + sub);
    CreateDirectoryA((Trash() + sub).c_str(), nullptr);
  }
}

void MakeDirs(std::initializer_list<std::string> paths) {
  for (const auto& p : paths) CreateDirectoryA(p.c_str(), nullptr);
}

// Drives for the whole program: D: labelled "DATA DISK", X: without a label,
// A: a floppy whose disk has a label, B: a floppy whose folder does not exist.
class Drives : public testing::Environment {
 public:
  void SetUp() override {
    root_ = std::make_unique<testenv::TempDir>();
    MakeDirs({root_->file("data"), root_->file("nolabel"), root_->file("floppy")});
    testenv::WriteFile(root_->file("data\\.windows-label"), "DATA DISK\n");
    testenv::WriteFile(root_->file("floppy\\.windows-label"), "FLOPPY LABEL\n");
    ASSERT_TRUE(DefineDrive('d', testproc::UnixPath(root_->file("data")), DRIVE_FIXED));
    ASSERT_TRUE(DefineDrive('x', testproc::UnixPath(root_->file("nolabel")), DRIVE_FIXED));
    ASSERT_TRUE(DefineDrive('a', testproc::UnixPath(root_->file("floppy")), DRIVE_REMOVABLE));
    ASSERT_TRUE(DefineDrive('b', testproc::UnixPath(root_->path()) + "/gone", DRIVE_REMOVABLE));
  }
  void TearDown() override {
    for (char letter : {'a', 'b', 'd', 'x'}) DefineDrive(letter, "", DRIVE_NO_ROOT_DIR);
    root_.reset();
  }

 private:
  std::unique_ptr<testenv::TempDir> root_;
};

[[maybe_unused]] testing::Environment* const kDrives = testing::AddGlobalTestEnvironment(new Drives);

// A tree beside a list, as an application would place them.
class TreeAndList : public ui::Form {
 public:
  TreeAndList()
      : ui::Form(ui::Form::Args::Dialog("Folders", 560, 320, {"MS Sans Serif", -11, false})),
        Tree(*this, {.bounds = {0, 0, 230, 320}}),
        List(*this, {.bounds = {232, 0, 328, 320}}) {
    show();
  }
  TDirTree Tree;
  TdirList List;
};

std::vector<std::string> Texts(const TDirTree& tree, ui::TreeNode node) {
  std::vector<std::string> texts;
  for (ui::TreeNode n : tree.children(node)) texts.push_back(tree.text(n));
  return texts;
}

ui::TreeNode Child(const TDirTree& tree, ui::TreeNode node, const std::string& text) {
  for (ui::TreeNode n : tree.children(node)) {
    if (tree.text(n) == text || (!node && tree.text(n).ends_with(text))) return n;
  }
  return nullptr;
}

// Opens the control's pop-up menu, by a right click on `node` or else by the
// keyboard, picks the entry of `key`, and lets `answer` handle what it opens.
void PopupCommand(ui::Window& control, ui::TreeNode node, char key, const std::function<void(Robot&)>& answer) {
  if (node) {
    RECT r{};
    TreeView_GetItemRect(control.handle(), node, &r, TRUE);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(control.handle(), WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageA(control.handle(), WM_RBUTTONUP, 0, at);
  } else {
    PostMessageA(control.handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control.handle()), MAKELPARAM(-1, -1));
  }
  testenv::RunIdle([&](Robot& r) {
    HWND menu = r.waitWindow("", "#32768");
    if (!menu) return;
    PostMessageA(menu, WM_CHAR, static_cast<WPARAM>(key), 0);
    r.waitGone(menu);
    if (answer) answer(r);
  });
}

void AnswerName(Robot& r, const std::string& name) {
  HWND dialog = r.waitWindow("Create directory");
  if (!dialog) return;
  EXPECT_TRUE(r.findChild(dialog, "New directory name :"));
  r.setText(r.findChild(dialog, "", "Edit"), name);
  r.clickButton(dialog, "&Ok");
  r.waitGone(dialog);
}

std::string AnswerConfirm(Robot& r, const char* button) {
  HWND box = r.waitWindow("Confirm");
  if (!box) return {};
  std::string text = testenv::BoxText(r, box);
  r.clickButton(box, button);
  r.waitGone(box);
  return text;
}

// A folder tree on D: made afresh for each test.
class Folders : public testing::Test {
 protected:
  void SetUp() override {
    testproc::RemoveTree("D:\\Work");
    MakeDirs({"D:\\Work", "D:\\Work\\Some", "D:\\Work\\Some\\zeta", "D:\\Work\\Some\\Path", "D:\\Work\\Some\\alpha",
              "D:\\Work\\Some\\Path\\deep", "D:\\Work\\Some\\Empty", "D:\\Work\\Some\\Mid", "D:\\Work\\Some\\hid"});
    SetFileAttributesA("D:\\Work\\Some\\hid", FILE_ATTRIBUTE_HIDDEN);
    testenv::WriteFile("D:\\Work\\Some\\file.txt", "x");
  }
  void TearDown() override { testproc::RemoveTree("D:\\Work"); }

  // The subfolders in the order a directory search returns them.
  static std::vector<std::string> Subfolders(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : ReadFolder(folder + "\\")) {
      if (e.directory) names.push_back(e.name);
    }
    return names;
  }
};

TEST_F(Folders, DriveLevelShowsLabelsWithoutTouchingAFloppy) {
  DWORD start = GetTickCount();
  TreeAndList f;
  DWORD built = GetTickCount() - start;
  EXPECT_LT(built, 2000u);
  std::vector<std::string> drives = Texts(f.Tree, nullptr);
  ASSERT_GE(drives.size(), 5u);
  EXPECT_EQ(drives[0], "Floppy (A:)");
  EXPECT_EQ(drives[1], "Floppy (B:)");
  EXPECT_NE(std::find(drives.begin(), drives.end(), "Data disk (D:)"), drives.end());
  EXPECT_NE(std::find(drives.begin(), drives.end(), " (X:)"), drives.end());
  // Every drive waits behind a placeholder; a floppy without a disk opens empty.
  for (ui::TreeNode d : f.Tree.children(nullptr)) EXPECT_EQ(Texts(f.Tree, d), std::vector<std::string>{"."});
  ui::TreeNode b = Child(f.Tree, nullptr, "(B:)");
  f.Tree.expand(b);
  EXPECT_TRUE(f.Tree.children(b).empty());
  EXPECT_FALSE(f.Tree.expand(b));
}

TEST_F(Folders, FirstExpansionReadsTheFolderOnceInTheFileSystemsOrder) {
  TreeAndList f;
  int searches = 0;
  f.Tree.readFolder = [&](const std::string& folder) {
    ++searches;
    return ReadFolder(folder);
  };
  ui::TreeNode d = Child(f.Tree, nullptr, "(D:)");
  f.Tree.expand(d);
  EXPECT_EQ(searches, 1);
  ui::TreeNode work = Child(f.Tree, d, "Work");
  ASSERT_TRUE(work);
  f.Tree.expand(work);
  ui::TreeNode some = Child(f.Tree, work, "Some");
  ASSERT_TRUE(some);
  f.Tree.expand(some);
  EXPECT_EQ(searches, 3);
  // Folders only, hidden ones too, unsorted.
  EXPECT_EQ(Texts(f.Tree, some), Subfolders("D:\\Work\\Some"));
  EXPECT_EQ(Texts(f.Tree, some).size(), 6u);
  ui::TreeNode empty = Child(f.Tree, some, "Empty");
  f.Tree.expand(empty);
  EXPECT_EQ(searches, 4);
  EXPECT_TRUE(f.Tree.children(empty).empty());
  EXPECT_FALSE(f.Tree.expand(empty));
  TreeView_Expand(f.Tree.handle(), some, TVE_COLLAPSE);
  f.Tree.expand(some);
  EXPECT_EQ(searches, 4);
}

TEST_F(Folders, SelectPathInAnyCaseAndWithMissingParts) {
  TreeAndList f;
  f.Tree.SelectPath("d:\\WORK\\some\\PATH");
  ui::TreeNode path = f.Tree.selected();
  ASSERT_TRUE(path);
  EXPECT_EQ(f.Tree.CurrentDir, "D:\\Work\\Some\\Path");
  f.Tree.SelectPath("D:\\Work\\Some\\Empty");
  f.Tree.SelectPath("D:\\Work\\Some\\Path\\");
  EXPECT_EQ(f.Tree.selected(), path);
  // A missing last part leaves the selection as it was.
  f.Tree.SelectPath("D:\\Work\\Some\\Gone");
  EXPECT_EQ(f.Tree.selected(), path);
  EXPECT_EQ(f.Tree.CurrentDir, "D:\\Work\\Some\\Path");
  // A missing middle part: the next one is looked up across the whole tree.
  f.Tree.SelectPath("D:\\Gone\\deep");
  EXPECT_EQ(f.Tree.CurrentDir, "D:\\Work\\Some\\Path\\deep");
  f.Tree.SelectPath("d:");
  EXPECT_EQ(f.Tree.CurrentDir, "D:");
  // Handlers given at construction run after the tree's own handling.
  std::string seen;
  int expansions = 0;
  TDirTree chained(f, {.bounds = {0, 0, 10, 10},
                       .onExpanding = [&](ui::TreeNode, bool&) { ++expansions; },
                       .onChange = [&](ui::TreeNode) { seen = chained.CurrentDir; }});
  chained.SelectPath("D:\\Work");
  EXPECT_EQ(seen, "D:\\Work");
  EXPECT_EQ(expansions, 2);
  f.Tree.SelectPath("D:\\Work\\Some\\Mid");
  f.Tree.Refresh();
  EXPECT_EQ(f.Tree.CurrentDir, "D:\\Work\\Some\\Mid");
  EXPECT_EQ(f.Tree.text(f.Tree.selected()), "Mid");
}

TEST_F(Folders, MakeAndRemoveDirectoryThroughThePopupMenu) {
  TreeAndList f;
  f.Tree.SelectPath("D:\\Work\\Some\\Path");
  ui::TreeNode path = f.Tree.selected();
  ui::TreeNode some = f.Tree.parentOf(path);
  // The right button selects the node under the pointer before the menu opens.
  PopupCommand(f.Tree, Child(f.Tree, some, "Empty"), 'm', [](Robot& r) { AnswerName(r, "made"); });
  EXPECT_EQ(f.Tree.text(f.Tree.selected()), "Empty");
  EXPECT_TRUE(testenv::Exists("D:\\Work\\Some\\Empty\\made"));
  EXPECT_EQ(Texts(f.Tree, Child(f.Tree, some, "Empty")), std::vector<std::string>{"made"});

  // Names holding a path, a drive or a wildcard create nothing anywhere.
  std::vector<std::string> before = Subfolders("D:\\Work\\Some");
  for (const char* name : {"..\\x", "a\\b", "D:x", "x*"}) {
    PopupCommand(f.Tree, path, 'm', [&](Robot& r) {
      AnswerName(r, name);
      EXPECT_EQ(testenv::AnswerBox(r, "Error"), "Unable to create Directory !") << name;
    });
  }
  EXPECT_EQ(Subfolders("D:\\Work\\Some"), before);
  EXPECT_EQ(Subfolders("D:\\Work\\Some\\Path"), std::vector<std::string>{"deep"});
  PopupCommand(f.Tree, path, 'm', [&](Robot& r) {
    AnswerName(r, "");
    r.sync(f.Tree.handle());
    EXPECT_FALSE(r.exists("Error"));
  });

  // A drive node is never emptied.
  PopupCommand(f.Tree, Child(f.Tree, nullptr, "(D:)"), 'r',
               [](Robot& r) { EXPECT_EQ(testenv::AnswerBox(r, "Error"), "Unable to remove Directory !"); });
  EXPECT_TRUE(testenv::Exists("D:\\Work\\Some"));

  // Remove asks first; Yes moves the folder with its content to the trash.
  testenv::WriteFile("D:\\Work\\Some\\Empty\\made\\inner.txt", "kept");
  ClearTrash();
  ui::TreeNode made = Child(f.Tree, Child(f.Tree, some, "Empty"), "made");
  PopupCommand(f.Tree, made, 'r',
               [](Robot& r) { EXPECT_EQ(AnswerConfirm(r, "&No"), "Delete D:\\Work\\Some\\Empty\\made ?"); });
  EXPECT_TRUE(testenv::Exists("D:\\Work\\Some\\Empty\\made\\inner.txt"));
  PopupCommand(f.Tree, made, 'r', [](Robot& r) { AnswerConfirm(r, "&Yes"); });
  EXPECT_FALSE(testenv::Exists("D:\\Work\\Some\\Empty\\made"));
  EXPECT_EQ(testenv::ReadFile(Trash() + "\\files\\made\\inner.txt"), "kept");
  EXPECT_TRUE(Texts(f.Tree, Child(f.Tree, some, "Empty")).empty());
  EXPECT_NE(f.Tree.CurrentDir, "D:\\Work\\Some\\Empty\\made");

  // With nothing selected both commands refuse.
  TreeAndList fresh;
  PopupCommand(fresh.Tree, nullptr, 'm',
               [](Robot& r) { EXPECT_EQ(testenv::AnswerBox(r, "Error"), "Unable to create Directory !"); });
  PopupCommand(fresh.Tree, nullptr, 'r',
               [](Robot& r) { EXPECT_EQ(testenv::AnswerBox(r, "Error"), "Unable to remove Directory !"); });
}

TEST_F(Folders, ChooserReturnsTheFolderAsTheFileSystemSpellsIt) {
  struct Case {
    const char* initial;
    const char* button;
    const char* select;  // chosen in the tree by the robot, when set
    const char* result;
  } cases[] = {{"d:\\work\\SOME\\", "&Cancel", nullptr, "d:\\work\\SOME\\"},
               {"d:\\WORK\\some\\path\\", "&Ok", nullptr, "D:\\Work\\Some\\Path"},
               {"", "&Ok", "D:", "D:"}};
  for (const auto& c : cases) {
    Robot r([&](Robot& rb) {
      HWND chooser = rb.waitWindow("Path to Pgp :");
      if (!chooser) return;
      RECT client;
      GetClientRect(chooser, &client);
      EXPECT_EQ(client.right, 362);
      EXPECT_EQ(client.bottom, 303);
      if (c.select) {
        EXPECT_TRUE(testenv::SelectFolderInTree(rb, chooser, c.select));
      }
      if (c.button[1] == 'C') rb.screenshot(chooser, "dirbrowse_chooser");
      rb.clickButton(chooser, c.button);
    });
    EXPECT_EQ(ChooseDirectory(c.initial, "Path to Pgp :"), c.result) << c.initial;
    r.join();
  }
}

TEST_F(Folders, DirListShowsPicturesAndFollowsTheTree) {
  MakeDirs({"D:\\Work\\List", "D:\\Work\\List\\Sub"});
  for (const char* file : {"PICTURE.BMP", "photo.bmp", "README", "PROGRAM.EXE.TXT", "SETUP.EXE", "photo.JPEG"}) {
    testenv::WriteFile(std::string("D:\\Work\\List\\") + file, "x");
  }
  TreeAndList f;
  f.List.SetDirectory("D:");
  EXPECT_EQ(f.List.count(), 2);  // the label file and Work
  f.Tree.DirList = &f.List;
  f.Tree.SelectPath("D:\\Work\\List");
  EXPECT_EQ(f.List.TreeLink, &f.Tree);
  EXPECT_EQ(f.List.Directory, "D:\\Work\\List");
  std::map<std::string, int> pictures;
  std::vector<std::string> captions;
  for (int i = 0; i < f.List.count(); ++i) {
    pictures[f.List.caption(i)] = f.List.image(i);
    captions.push_back(f.List.caption(i));
  }
  std::vector<std::string> disk;
  for (const auto& e : ReadFolder("D:\\Work\\List\\")) disk.push_back(e.name);
  EXPECT_EQ(captions, disk);
  EXPECT_EQ(pictures, (std::map<std::string, int>{{"PICTURE.BMP", kImagePicture},
                                                  {"photo.bmp", kImagePicture},
                                                  {"README", kDocumentPicture},
                                                  {"PROGRAM.EXE.TXT", kDocumentPicture},
                                                  {"SETUP.EXE", kProgramPicture},
                                                  {"photo.JPEG", kDocumentPicture},
                                                  {"Sub", kFolderPicture}}));
  testenv::RunIdle([&](Robot& r) { r.screenshot(f.handle(), "dirbrowse_list_small"); });
  f.List.setView(ui::ViewStyle::Icon);
  testenv::RunIdle([&](Robot& r) { r.screenshot(f.handle(), "dirbrowse_list_large"); });

  auto index = [&](const std::string& name) {
    return static_cast<int>(std::find(captions.begin(), captions.end(), name) - captions.begin());
  };
  f.List.setSelected(index("SETUP.EXE"), true);
  f.List.setSelected(index("README"), true);
  std::vector<std::string> paths;
  f.List.SelectedPaths(paths);
  std::vector<std::string> expected = {"D:\\Work\\List\\README", "D:\\Work\\List\\SETUP.EXE"};
  if (index("SETUP.EXE") < index("README")) std::swap(expected[0], expected[1]);
  EXPECT_EQ(paths, expected);

  // Nothing selected: nothing happens after the question.
  for (int i = 0; i < f.List.count(); ++i) f.List.setSelected(i, false);
  PopupCommand(f.List, nullptr, 'd',
               [](Robot& r) { EXPECT_EQ(AnswerConfirm(r, "&Yes"), "Delete selected files/dirs ?"); });
  EXPECT_EQ(ReadFolder("D:\\Work\\List\\").size(), 7u);

  // Two entries go to the trash; a third that vanished meanwhile is left out.
  ClearTrash();
  f.List.setSelected(index("SETUP.EXE"), true);
  f.List.setSelected(index("README"), true);
  f.List.setSelected(index("PROGRAM.EXE.TXT"), true);
  DeleteFileA("D:\\Work\\List\\PROGRAM.EXE.TXT");
  PopupCommand(f.List, nullptr, 'd', [&](Robot& r) {
    AnswerConfirm(r, "&Yes");
    r.sync(f.List.handle());
    EXPECT_FALSE(r.exists("Error"));
  });
  EXPECT_FALSE(testenv::Exists("D:\\Work\\List\\README"));
  EXPECT_TRUE(testenv::Exists(Trash() + "\\files\\README"));
  EXPECT_TRUE(testenv::Exists(Trash() + "\\files\\SETUP.EXE"));
  EXPECT_EQ(f.List.count(), 4);
}

}  // namespace
