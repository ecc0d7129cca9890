// A text too big for the text window's control, through the main window's
// commands with the scripted PGP: the program holds it whole, the control
// shows its beginning read-only, the status line says so, and opening,
// encrypting, decrypting and saving take the whole text.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/Main.h"
#include "standins/scriptpgp/scriptmsg.h"
#include "tests/support/dialogs.h"
#include "tests/support/mainwindow.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"

namespace {

using robot::Robot;

class BigText : public testenv::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    testenv::MakePgpFolder(pgp_.path(), {"Alice Example <alice@example.org>"});
    StoreSettings({.PgpPath = pgp_.path(), .SignFiles = false, .Pause = false, .IdSign = "Alice Example"});
  }

  // Puts `text` on the clipboard.
  static void SetClipboard(const std::string& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
  }

  testenv::TempDir pgp_;
  testenv::TempDir docs_;
};

// 8 MB in lines ended by LF alone, as a mail's text may come: held with CR LF,
// as the control gives its text back.
TEST_F(BigText, HeldWholeThroughOpenEncryptDecryptAndSaveWhileTheControlShowsItsStart) {
  std::string file, whole;
  for (int i = 0; whole.size() < 8'000'000; ++i) {
    const std::string line = "Line " + std::to_string(i) + " of a long letter, the same words again and again.";
    file += line + "\n";
    whole += line + "\r\n";
  }
  testenv::WriteFile(docs_.file("big.txt"), file);
  RunMain([&](Robot& r, TMainForm& form) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    r.waitUntil([] { return !testenv::ConsoleRunning(); }, "end of PGP's console");
    HWND status = form.statusline.handle();
    r.menu(main, {"&File", "&Open..."});
    testenv::ChooseFile(r, r.waitWindow("Open text file"), docs_.file("big.txt"));
    r.sync(main);
    ASSERT_TRUE(form.memo1.holdsText());
    EXPECT_TRUE(form.memo1.text() == whole);
    EXPECT_EQ(form.memo1.textLength(), static_cast<int>(whole.size()));
    EXPECT_EQ(form.memo1.findNoCase("line 100000 OF A"), static_cast<int>(whole.find("Line 100000 of a")));
    // The control: the lines that fit into 16 KiB (the first screenfuls at
    // once, the rest after painting), read-only; the status line says why.
    r.waitUntil([&] { return r.text(form.memo1.handle()).size() > 16 * 1024 - 80; }, "the whole view");
    const std::string shown = r.text(form.memo1.handle());
    EXPECT_TRUE(shown.size() <= 16 * 1024 && shown.size() > 16 * 1024 - 80 && whole.starts_with(shown) &&
                shown.ends_with("\r\n"))
        << shown.size();
    EXPECT_TRUE(GetWindowLongA(form.memo1.handle(), GWL_STYLE) & ES_READONLY);
    const char* notice = "Read-only view of the first 16 of 7813 KB; commands use the whole text";
    EXPECT_EQ(r.text(status), notice);
    r.screenshot(main, "bigtext_view");
    // Pointing at the text window shows the notice again.
    PostMessageA(form.SpeedButton1.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    r.sync(main);
    EXPECT_EQ(r.text(status), "Clear text window");
    PostMessageA(form.memo1.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    r.sync(main);
    EXPECT_EQ(r.text(status), notice);

    // Typing, cutting and pasting change nothing.
    SetClipboard("pasted");
    PostMessageA(form.memo1.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(form.memo1.handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    r.sync(main);
    r.key(form.memo1.handle(), 'X');
    r.key(form.memo1.handle(), VK_DELETE);
    SendMessageA(form.memo1.handle(), EM_SETSEL, 0, -1);
    r.key(main, 'X', true);
    r.key(main, 'V', true);
    r.sync(main);
    EXPECT_EQ(r.text(form.memo1.handle()), shown);
    EXPECT_TRUE(form.memo1.text() == whole);

    // The whole text is encrypted, and decrypted back.
    r.key(main, VK_F2);
    testenv::ChooseRecipient(r, "Alice");
    r.sync(main);
    auto message = scriptpgp::ParseScriptMessage(form.memo1.text());
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->plainBytes == whole) << message->plainBytes.size();
    r.key(main, VK_F3);
    testenv::TypePassPhrase(r, "secret");
    r.sync(main);
    EXPECT_TRUE(form.memo1.text() == whole) << form.memo1.text().size();

    // Saved whole; then a new empty text is editable and the notice gone.
    r.key(main, 'A', true);
    testenv::ChooseFile(r, r.waitWindow("Save file"), docs_.file("saved.txt"));
    r.sync(main);
    EXPECT_TRUE(testenv::ReadFile(docs_.file("saved.txt")) == whole);
    r.menu(main, {"&File", "&New"});
    r.sync(main);
    EXPECT_FALSE(form.memo1.holdsText());
    EXPECT_FALSE(GetWindowLongA(form.memo1.handle(), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(r.text(status), form.StartText());
    // Up to 64 KiB a text is the control's, as it always was.
    const std::string letter = whole.substr(0, whole.find("Line 1000 "));
    testenv::WriteFile(docs_.file("letter.txt"), letter);
    r.menu(main, {"&File", "&Open..."});
    testenv::ChooseFile(r, r.waitWindow("Open text file"), docs_.file("letter.txt"));
    r.sync(main);
    EXPECT_FALSE(form.memo1.holdsText());
    EXPECT_EQ(r.text(form.memo1.handle()), letter);
    r.close(main);
  });
}

}  // namespace
