// The text window's file commands in a real window, through the menu and the
// shared file dialogs, with errors reaching the default error box.
#include <windows.h>

#include <dlgs.h>

#include <gtest/gtest.h>
#include <memory>

#include "app/Main.h"
#include "settings/Settings.h"
#include "tests/support/dialogs.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"

namespace {

using robot::Robot;
using testenv::ChooseFile;
using testenv::RunIdle;

class TextCommands : public testing::Test {
 protected:
  void SetUp() override {
    Settings = TSettings{};
    form_ = std::make_unique<TMainForm>();
    form_->setText("Sealwright test window");
    form_->show();
  }
  void TearDown() override { form_.reset(); }

  // Chooses File > item and answers its file dialog with `path`.
  void FileCommand(Robot& r, const char* item, const char* title, const std::string& path) {
    r.menu(form_->handle(), {"&File", item});
    HWND dialog = r.waitWindow(title);
    ASSERT_TRUE(dialog);
    ChooseFile(r, dialog, path);
    r.sync(form_->handle());
  }

  std::unique_ptr<TMainForm> form_;
  testenv::TempDir dir_;
};

TEST_F(TextCommands, OpenAndSaveBackIsByteIdentical) {
  // Also a text that begins like formatted text or with the UTF-8 byte order
  // mark: the control takes either as such when given 8-bit text.
  int n = 0;
  for (const std::string content : {"First line\r\nété à café ©ÿ Привет 世界\r\n\r\n\tindented ÄÖÜ\r\nlast line\r\n",
                                    "{\\rtf1\\ansi {\\b bold} text}\r\n", "\xEF\xBB\xBFplain\r\n"}) {
    const std::string in = dir_.file("message.txt");
    const std::string out = dir_.file("copy" + std::to_string(++n) + ".asc");
    testenv::WriteFile(in, content);
    RunIdle([&](Robot& r) {
      FileCommand(r, "&Open...", "Open text file", in);
      EXPECT_EQ(r.text(form_->handle()), in);
      FileCommand(r, "&Save As...", "Save file", out);
    });
    EXPECT_EQ(form_->memo1.text(), content);
    EXPECT_EQ(testenv::ReadFile(out), content);
  }

  // A Western file from before UTF-8 reads right and is saved as UTF-8.
  const std::string old = dir_.file("old.txt"), saved = dir_.file("old-utf8.txt");
  testenv::WriteFile(old, "caf\xE9 \x80 \x93quoted\x94\r\n");
  RunIdle([&](Robot& r) {
    FileCommand(r, "&Open...", "Open text file", old);
    FileCommand(r, "&Save As...", "Save file", saved);
  });
  EXPECT_EQ(form_->memo1.text(), "café € “quoted”\r\n");
  EXPECT_EQ(testenv::ReadFile(saved), "café € “quoted”\r\n");
}

TEST_F(TextCommands, EmptyWindowSavesAnEmptyFileUnderTheNameAsTyped) {
  const std::string out = dir_.file("noext");
  RunIdle([&](Robot& r) { FileCommand(r, "&Save As...", "Save file", out); });
  ASSERT_TRUE(testenv::Exists(out));
  EXPECT_EQ(testenv::ReadFile(out), "");
  EXPECT_FALSE(testenv::Exists(out + ".txt"));
}

TEST_F(TextCommands, OpenSetsTheCaptionAndClearKeepsIt) {
  const std::string in = dir_.file("note.txt");
  testenv::WriteFile(in, "some text\r\n");
  RunIdle([&](Robot& r) {
    FileCommand(r, "&Open...", "Open text file", in);
    r.menu(form_->handle(), {"&File", "&New"});
    r.sync(form_->handle());
    EXPECT_EQ(r.text(form_->handle()), in);
  });
  EXPECT_EQ(form_->memo1.text(), "");
}

TEST_F(TextCommands, UnreadableFileReachesTheDefaultErrorBoxAndLeavesTheWindow) {
  const std::string in = dir_.file("locked.txt");
  testenv::WriteFile(in, "secret\r\n");
  form_->memo1.setText("kept\r\n");
  // Held open without sharing, the file exists but cannot be read.
  HANDLE lock = CreateFileA(in.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  std::string box;
  RunIdle([&](Robot& r) {
    r.menu(form_->handle(), {"&File", "&Open..."});
    HWND dialog = r.waitWindow("Open text file");
    ASSERT_TRUE(dialog);
    ChooseFile(r, dialog, in);
    box = testenv::AnswerBox(r, "Sealwright 32");
  });
  CloseHandle(lock);
  EXPECT_EQ(box, "Cannot open file " + in + ".");
  EXPECT_EQ(form_->memo1.text(), "kept\r\n");
}

TEST_F(TextCommands, SaveAsOverAFileThatCannotBeWrittenLeavesTheWindow) {
  const std::string out = dir_.file("locked.txt");
  testenv::WriteFile(out, "old\r\n");
  form_->memo1.setText("kept\r\n");
  HANDLE lock = CreateFileA(out.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  std::string box;
  RunIdle([&](Robot& r) {
    r.menu(form_->handle(), {"&File", "&Save As..."});
    HWND dialog = r.waitWindow("Save file");
    ASSERT_TRUE(dialog);
    HWND edit = GetDlgItem(dialog, edt1);
    if (!edit) edit = r.findChild(GetDlgItem(dialog, cmb13), "", "Edit");
    r.setText(edit, out);
    r.click(GetDlgItem(dialog, IDOK));
    // The dialog asks before replacing the file, in a box of the same caption
    // (taken once its buttons are there).
    HWND confirm = nullptr;
    ASSERT_TRUE(r.waitUntil(
        [&] {
          HWND w = FindWindowExA(nullptr, nullptr, "#32770", "Save file");
          if (w == dialog) w = FindWindowExA(nullptr, dialog, "#32770", "Save file");
          if (w && r.visible(w) && r.findChild(w, "&Yes", "Button")) confirm = w;
          return confirm != nullptr;
        },
        "question before replacing the file"));
    r.clickButton(confirm, "&Yes");
    box = testenv::AnswerBox(r, "Sealwright 32");
  });
  CloseHandle(lock);
  EXPECT_EQ(box, "Cannot create file " + out + ".");
  EXPECT_EQ(form_->memo1.text(), "kept\r\n");
  EXPECT_EQ(testenv::ReadFile(out), "old\r\n");
}

// Each command sets only the filter and title: the name and the filter entry
// last confirmed stay for the next command that uses the same dialog.
TEST_F(TextCommands, FileDialogsKeepTheLastNameAndFilterEntryAcrossCommands) {
  testenv::TempDir pgp;
  testenv::MakePgpFolder(pgp.path(), {"Alice Example"});
  Settings.PgpPath = pgp.path();
  const std::string in = dir_.file("message.asc");
  testenv::WriteFile(in, "text\r\n");
  RunIdle([&](Robot& r) {
    r.menu(form_->handle(), {"&File", "&Open..."});
    HWND open = r.waitWindow("Open text file");
    ASSERT_TRUE(open);
    // The dialog takes a choice of filter when the list closes on it.
    r.selectItem(GetDlgItem(open, cmb1), 1);
    PostMessageA(open, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), reinterpret_cast<LPARAM>(GetDlgItem(open, cmb1)));
    ChooseFile(r, open, in);
    r.menu(form_->handle(), {"&File", "&Encrypt", "&Encrypt file..."});
    HWND encrypt = r.waitWindow("Choose file to encrypt");
    ASSERT_TRUE(encrypt);
    EXPECT_EQ(r.listSelection(GetDlgItem(encrypt, cmb1)), 1);
    HWND name = GetDlgItem(encrypt, edt1);
    if (!name) name = r.findChild(GetDlgItem(encrypt, cmb13), "", "Edit");
    EXPECT_EQ(r.text(name), "message.asc");
    r.click(GetDlgItem(encrypt, IDCANCEL));
    r.waitGone(encrypt);
  });
  EXPECT_EQ(form_->OpenDialog.filterIndex, 2);
}

}  // namespace
