// sealwrightnt carries the mail controls and handlers with the mail taken
// out: with "Read mailbox messages" stored on it still never logs on, and
// the pop-up menu's Send does nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/Main.h"
#include "settings/Settings.h"
#include "tests/support/testenv.h"

namespace {

TEST(MailWithoutMail, StartAndSendDoNothing) {
  testenv::TempDir pgp;
  testenv::MakePgpFolder(pgp.path(), {"Alice Example <alice@example.org>"});
  RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
  Settings = TSettings{};
  Settings.PgpPath = pgp.path();
  Settings.IdSign = "Alice Example <alice@example.org>";
  Settings.ReadMsgs = true;
  Settings.Pause = false;
  SaveSettings();
  Settings = TSettings{};
  {
    TMainForm form;
    form.FormCreate();
    EXPECT_FALSE(form.MailConnected);
    EXPECT_FALSE(IsWindowVisible(form.Panel1.handle()) || IsWindowVisible(form.Button3.handle()));
    EXPECT_FALSE(form.MainMenu.item("N16").visible || form.MainMenu.item("Readmailboxmessages1").visible);
    EXPECT_TRUE(form.PopupMenu1.item("Send1").visible);
    form.memo1.setText("plain text");
    EXPECT_TRUE(form.PopupMenu1.handleCommand(static_cast<int>(form.PopupMenu1.item("Send1").id)));
    EXPECT_EQ(form.memo1.text(), "plain text");
    EXPECT_EQ(GetModuleHandleA("mapi32.dll"), nullptr);
    EXPECT_FALSE(form.MailSession);
  }
  RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}

}  // namespace
