// The main window in a real window under Wine, built once per program
// (SEALWRIGHT_MAIL 1 or 0), driven by the robot.
#include "app/Main.h"

#include <windows.h>

#include <sddl.h>

#include <cctype>
#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "tests/support/dialogs.h"
#include "tests/support/mainwindow.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"
#include "ui/window.h"

namespace {

using robot::Robot;

class MainWindow : public testenv::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Settings = TSettings{};
    testenv::MakePgpFolder(pgp_.path(), {"Alice Example <alice@example.org>", "Bob Example"});
  }

  using MainWindowTest::StoreSettings;
  // A complete store that starts without questions: PGP folder and signing ID set.
  void StoreSettings() {
    StoreSettings({.PgpPath = pgp_.path(), .Pause = false, .IdSign = "Alice Example <alice@example.org>"});
  }

  static DWORD Number(const char* name) {
    HKEY k = nullptr;
    DWORD v = 0xDEAD, type = 0, size = sizeof v;
    RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &k);
    RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
    if (k) RegCloseKey(k);
    return v;
  }

  // Lets nobody set values in the settings key, or everybody again.
  static void DenyWrites(bool deny) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        deny ? "D:(D;;0x2;;;WD)(A;;KA;;;WD)" : "D:(A;;KA;;;WD)", SDDL_REVISION_1, &sd, nullptr));
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, WRITE_DAC, &k), ERROR_SUCCESS);
    EXPECT_EQ(RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
    RegCloseKey(k);
    LocalFree(sd);
  }

  testenv::TempDir pgp_;
  const std::string shotPrefix_ = kMailBuild ? "main95_" : "mainnt_";
};

TEST_F(MainWindow, MenusAsTabledWithKeysAndCheckMarks) {
  StoreSettings();
  RunMain([&](Robot& r, TMainForm&) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    EXPECT_EQ(r.menuCaptions(main, {}),
              (std::vector<std::string>{"&File", "&Edit", "&PGP", "&Configuration", "&Help"}));
    std::vector<std::string> file = {"&New",     "&Open...\tCtrl+O", "&Save As...\tCtrl+A", "-",
                                     "&Encrypt", "&Decrypt",         "Si&gn text\tF8",      "-"};
    if (kMailBuild) file.push_back("&Send\tCtrl+S");
    for (const char* s : {"&Print\tCtrl+P", "-", "E&xit"}) file.push_back(s);
    EXPECT_EQ(r.menuTexts(main, {"&File"}), file);
    EXPECT_EQ(r.menuTexts(main, {"&File", "&Encrypt"}),
              (std::vector<std::string>{"Encrypt &text\tF2", "&Encrypt file..."}));
    EXPECT_EQ(r.menuTexts(main, {"&File", "&Decrypt"}),
              (std::vector<std::string>{"Decrypt &text\tF3", "&Decrypt file..."}));
    EXPECT_EQ(r.menuTexts(main, {"&Edit"}),
              (std::vector<std::string>{"&Cut\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V"}));
    EXPECT_EQ(
        r.menuTexts(main, {"&PGP"}),
        (std::vector<std::string>{"&Generate keys", "-", "&Add a key\tF4", "&Extract a key\tF5", "&Remove a key\tF6",
                                  "-", "&View a Key Fingerprint\tF7", "-", "Reload &public keys"}));
    std::vector<std::string> config = {"&PGP path", "&Sign encrypted files",
                                       "&Use @list for recipients (pgp2.6.3 && up)", "&Default ID for Signing", "-"};
    if (kMailBuild) config.push_back("Read &mailbox messages");
    for (const char* s : {"&Auto delete files", "Show PGP &output", "&Run Iconized", "-", "&WordWrap\tCtrl+W"}) {
      config.push_back(s);
    }
    EXPECT_EQ(r.menuTexts(main, {"&Configuration"}), config);
    EXPECT_EQ(r.menuTexts(main, {"&Help"}), (std::vector<std::string>{"&Index\tF1", "-", "&About...\tCtrl+A"}));
    // Check marks follow the stored flags: SignFiles and WordWrap on, Pause off.
    EXPECT_TRUE(r.menuChecked(main, {"&Configuration", "&Sign encrypted files"}));
    EXPECT_TRUE(r.menuChecked(main, {"&Configuration", "&WordWrap"}));
    EXPECT_FALSE(r.menuChecked(main, {"&Configuration", "Show PGP &output"}));
    EXPECT_FALSE(r.menuChecked(main, {"&Configuration", "&Auto delete files"}));
    // A flag command flips its check mark and stores the flag at once.
    r.menu(main, {"&Configuration", "&Auto delete files"});
    r.sync(main);
    EXPECT_TRUE(r.menuChecked(main, {"&Configuration", "&Auto delete files"}));
    EXPECT_EQ(Number("AutoDelete"), 1u);
    r.screenshot(main, shotPrefix_ + "window");
    r.close(main);
  });
}

TEST_F(MainWindow, MailControlsOnlyInTheMailBuild) {
  StoreSettings();
  RunMain([&](Robot& r, TMainForm& form) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    r.sync(main);
    EXPECT_EQ(r.visible(form.Panel1.handle()), kMailBuild);
    EXPECT_EQ(r.visible(form.ComboBox1.handle()), kMailBuild);
    EXPECT_EQ(r.visible(form.DelButton.handle()), kMailBuild);
    EXPECT_EQ(r.visible(form.Button3.handle()), kMailBuild);
    EXPECT_FALSE(r.enabled(form.ComboBox1.handle()));
    EXPECT_EQ(form.SpeedBar.bounds().height, kMailBuild ? 36 + 33 : 33);
    r.close(main);
  });
}

TEST_F(MainWindow, StatusLineShowsHintsAndTheStartText) {
  StoreSettings();
  RunMain([&](Robot& r, TMainForm& form) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    HWND status = form.statusline.handle();
    EXPECT_EQ(r.text(status), form.StartText());
    EXPECT_EQ(form.StartText().rfind(kProductCaption, 0), 0u);
    struct Case {
      HWND control;
      const char* status;
    } cases[] = {{form.SpeedButton1.handle(), "Clear text window"},
                 {form.SpeedButton7.handle(), "Cut to clipbard"},
                 {form.SpeedButton12.handle(), "Exit Sealwright"},
                 {form.Button1.handle(), "Encrypt text in window"},
                 {form.memo1.handle(), form.StartText().c_str()}};
    for (const auto& c : cases) {
      PostMessageA(c.control, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
      r.sync(main);
      EXPECT_EQ(r.text(status), c.status);
    }
    // Highlighting a menu entry shows its hint; one without a hint empties the line.
    UINT open = form.MainMenu.item("FileOpenItem").id;
    SendMessageA(main, WM_MENUSELECT, MAKEWPARAM(open, MF_STRING), reinterpret_cast<LPARAM>(GetMenu(main)));
    EXPECT_EQ(r.text(status), "Open file");
    UINT reload = form.MainMenu.item("Reredpublickeys1").id;
    SendMessageA(main, WM_MENUSELECT, MAKEWPARAM(reload, MF_STRING), reinterpret_cast<LPARAM>(GetMenu(main)));
    EXPECT_EQ(r.text(status), "");
    r.close(main);
  });
}

TEST_F(MainWindow, CtrlARunsSaveAsAndCtrlSDoesNothing) {
  StoreSettings();
  RunMain([&](Robot& r, TMainForm&) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    // Start-up's key listing ran PGP in a console of its own; key strokes
    // sent while that console is still going may not reach the window.
    r.waitUntil([] { return !testenv::ConsoleRunning(); }, "end of PGP's console");
    r.key(main, 'S', true);
    r.sync(main);
    EXPECT_FALSE(r.exists("Save file"));
    r.key(main, 'A', true);
    HWND save = r.waitWindow("Save file");
    ASSERT_TRUE(save);
    r.screenshot(save, shotPrefix_ + "saveas");
    r.close(save);
    r.waitGone(save);
    r.close(main);
  });
}

TEST_F(MainWindow, CloseBoxStoresTheBoundsLikeExit) {
  StoreSettings();
  RunMain([&](Robot& r, TMainForm& form) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    SetWindowPos(main, nullptr, 70, 80, 520, 410, SWP_NOZORDER | SWP_NOACTIVATE);
    r.close(main);
  });
  EXPECT_EQ(Number("Xpos"), 70u);
  EXPECT_EQ(Number("Ypos"), 80u);
  EXPECT_EQ(Number("Xsiz"), 520u);
  EXPECT_EQ(Number("Ysiz"), 410u);
  RunMain([&](Robot& r, TMainForm& form) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    ui::Rect b = form.bounds();
    EXPECT_EQ(b.left, 70);
    EXPECT_EQ(b.width, 520);
    SetWindowPos(main, nullptr, 60, 65, 530, 420, SWP_NOZORDER | SWP_NOACTIVATE);
    r.menu(main, {"&File", "E&xit"});
  });
  EXPECT_EQ(Number("Xpos"), 60u);
  EXPECT_EQ(Number("Ysiz"), 420u);
}

TEST_F(MainWindow, CloseAlwaysClosesAndStoresTheNormalBounds) {
  StoreSettings();
  RunMain([&](Robot& r, TMainForm&) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    SetWindowPos(main, nullptr, 70, 80, 520, 410, SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    r.sync(main);
    EXPECT_TRUE(IsIconic(main));
    r.close(main);
  });
  EXPECT_EQ(Number("Xpos"), 70u);
  EXPECT_EQ(Number("Ypos"), 80u);
  EXPECT_EQ(Number("Xsiz"), 520u);
  EXPECT_EQ(Number("Ysiz"), 410u);
  // A store that cannot be written: the error shows once, the window closes.
  std::string box;
  RunMain([&](Robot& r, TMainForm&) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    DenyWrites(true);
    r.close(main);
    box = testenv::AnswerBox(r, "Sealwright 32");
    if (!r.waitGone(main, 5000)) {
      ADD_FAILURE() << "the close was refused";
      PostThreadMessageA(GetWindowThreadProcessId(main, nullptr), WM_QUIT, 0, 0);
    }
  });
  DenyWrites(false);
  EXPECT_EQ(box, "Failed to set data for 'Xpos'.");
}

TEST_F(MainWindow, StartUpGoesOnAfterAFailingStep) {
  StoreSettings();
  // No work file can be made for the key list: the temporary folder lies
  // below a plain file.
  testenv::TempDir scratch;
  testenv::WriteFile(scratch.file("blocked"), "");
  const std::string blocked = scratch.file("blocked") + "\\tmp";
  char tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
  GetEnvironmentVariableA("TMP", tmp, MAX_PATH);
  GetEnvironmentVariableA("TEMP", temp, MAX_PATH);
  SetEnvironmentVariableA("TMP", blocked.c_str());
  SetEnvironmentVariableA("TEMP", blocked.c_str());
  std::string box;
  RunMain([&](Robot& r, TMainForm&) {
    box = testenv::AnswerBox(r, "Sealwright 32");
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    EXPECT_FALSE(r.exists("Sealwright 32"));  // WaitMain synced
    // The step has failed; screenshots need a temporary folder again.
    SetEnvironmentVariableA("TMP", tmp);
    SetEnvironmentVariableA("TEMP", temp);
    r.screenshot(main, shotPrefix_ + "after_failed_step");
    r.menu(main, {"&Help", "&About..."});
    HWND about = r.waitWindow("About...");
    ASSERT_TRUE(about);
    r.clickButton(about, "&Ok");
    r.waitGone(about);
    r.close(main);
  });
  SetEnvironmentVariableA("TMP", tmp);
  SetEnvironmentVariableA("TEMP", temp);
  EXPECT_EQ(box, "Cannot create a work file in the temporary folder " + blocked + "\\.");
}

TEST_F(MainWindow, KeysAndThePopUpMenuReachTheirCommands) {
  StoreSettings();
  RunMain([&](Robot& r, TMainForm& form) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    r.waitUntil([] { return !testenv::ConsoleRunning(); }, "end of PGP's console");
    r.setText(form.memo1.handle(), "plain text\r\n");
    r.key(main, VK_F3);
    EXPECT_EQ(testenv::AnswerBox(r, "Error"), "Not a PGP cyphered message !");
    struct Case {
      UINT key;
      const char* window;
      bool asciiBox;
    } cases[] = {{VK_F2, "Encrypting", false},
                 {VK_F4, "Choose public key file", false},
                 {VK_F5, "Public Keys", true},
                 {VK_F6, "Public Keys", false},
                 {VK_F7, "Public Keys", false}};
    for (const auto& c : cases) {
      r.key(main, c.key);
      HWND w = r.waitWindow(c.window);
      ASSERT_TRUE(w) << c.window;
      HWND ascii = r.findChild(w, "Save as ASCII file");
      EXPECT_EQ(ascii && r.visible(ascii), c.asciiBox) << c.key;
      r.close(w);
      r.waitGone(w);
    }
    r.key(main, 'W', true);
    EXPECT_FALSE(r.menuChecked(main, {"&Configuration", "&WordWrap"}));
    EXPECT_EQ(Number("WordWrap"), 0u);
    // In the text window, the keyboard's menu key opens the pop-up menu; its
    // first entry clears the window.
    PostMessageA(form.memo1.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(form.memo1.handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    r.sync(main);
    r.key(form.memo1.handle(), VK_APPS);
    HWND popup = nullptr;
    ASSERT_TRUE(r.waitUntil([&] { return (popup = FindWindowA("#32768", nullptr)) != nullptr; }, "pop-up menu"));
    r.key(main, VK_DOWN);
    r.key(main, VK_RETURN);
    r.waitGone(popup);
    r.sync(main);
    EXPECT_EQ(form.memo1.textLength(), 0);
    r.close(main);
  });
}

TEST_F(MainWindow, FirstStartAsksForThePgpFolderBeforeTheWindow) {
  RunMain([&](Robot& r, TMainForm& form) {
    HWND chooser = r.waitWindow("Path to Pgp :");
    ASSERT_TRUE(chooser);
    EXPECT_FALSE(r.visible(form.handle()));
    EXPECT_TRUE(testenv::SelectFolderInTree(r, chooser, pgp_.path()));
    r.screenshot(chooser, shotPrefix_ + "chooser");
    r.clickButton(chooser, "&Ok");
    // Pause is on in a new store, so the key listing's output shows first.
    HWND output = r.waitWindow("PGP Output");
    ASSERT_TRUE(output);
    r.clickButton(output, "&Close");
    // IdSign is empty, so start-up goes on to the default signing ID; with
    // the key ring present the window then stands at the default bounds.
    HWND picker = r.waitWindow("Choose default ID for signing messages and files");
    ASSERT_TRUE(picker);
    HWND main = r.waitWindow(kProductCaption);
    ASSERT_TRUE(main);
    r.sync(main);
    ui::Rect b = form.bounds();
    EXPECT_EQ(b.left, 50);
    EXPECT_EQ(b.top, 50);
    EXPECT_EQ(b.width, kDefaultWindowBounds.width);
    EXPECT_EQ(b.height, 400);
    r.close(picker);
    r.waitGone(picker);
    EXPECT_TRUE(WaitMain(r));
    // Every tool-bar button, the mail build's included, shows whole at that size.
    const RECT bar = r.screenRect(form.Panel2.handle());
    for (HWND button : r.children(form.Panel2.handle(), "")) {
      if (!r.visible(button)) continue;
      EXPECT_LE(r.screenRect(button).right, bar.right - 2) << r.text(button);
    }
    r.close(main);
  });
  // The chosen folder is kept (without its trailing backslash) and PGP.EXE is looked for there.
  LoadSettings();
  EXPECT_EQ(Settings.PgpPath, pgp_.path());
  EXPECT_EQ(PgpCommand, "\"" + pgp_.path() + "\\PGP.EXE\" ");
}

TEST_F(MainWindow, PgpPathCommandSelectsTheStoredFolderAndKeepsItOnCancel) {
  // A folder typed in another letter case and with a trailing backslash comes
  // back as the file system spells it.
  std::string typed;
  for (char c : pgp_.path()) typed += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  StoreSettings({.PgpPath = typed + "\\", .Pause = false, .IdSign = "Bob Example"});
  RunMain([&](Robot& r, TMainForm&) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    r.menu(main, {"&Configuration", "&PGP path"});
    HWND chooser = r.waitWindow("Path to Pgp :");
    ASSERT_TRUE(chooser);
    r.clickButton(chooser, "&Ok");
    r.waitGone(chooser);
    r.sync(main);
    EXPECT_EQ(Settings.PgpPath, pgp_.path());
    EXPECT_EQ(PgpCommand, "\"" + pgp_.path() + "\\PGP.EXE\" ");
    r.menu(main, {"&Configuration", "&PGP path"});
    chooser = r.waitWindow("Path to Pgp :");
    ASSERT_TRUE(chooser);
    r.clickButton(chooser, "&Cancel");
    r.waitGone(chooser);
    r.sync(main);
    EXPECT_EQ(Settings.PgpPath, pgp_.path());
    r.close(main);
  });
}

TEST_F(MainWindow, AboutBox) {
  StoreSettings();
  RunMain([&](Robot& r, TMainForm&) {
    HWND main = WaitMain(r);
    ASSERT_TRUE(main);
    r.menu(main, {"&Help", "&About..."});
    HWND about = r.waitWindow("About...");
    ASSERT_TRUE(about);
    EXPECT_TRUE(r.findChild(about, kProductName));
    EXPECT_TRUE(r.findChild(about, "Version 2.2b (05/96)"));
    r.screenshot(about, shotPrefix_ + "about");
    r.clickButton(about, "&Ok");
    r.waitGone(about);
    r.close(main);
  });
}

}  // namespace
