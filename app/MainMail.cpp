// The main window's mail commands: present in sealwright95, inert in sealwrightnt.
#include "app/Main.h"
#include "settings/Settings.h"

void TMainForm::SetMailConnected(bool connected) {
  MailConnected = connected;
  ComboBox1.setEnabled(connected);
}

// Shows the message bar and the mail buttons. Logging on and the mailbox
// scan come with the mail provider.
void TMainForm::MailStartStep() {
#if SEALWRIGHT_MAIL
  MainMenu.setChecked("Readmailboxmessages1", Settings.ReadMsgs);
  ui::Rect b = SpeedBar.bounds();
  SpeedBar.setBounds({b.left, b.top, b.width, Panel2.bounds().height + Panel1.bounds().height});
  ComboBox1.setVisible(true);
  DelButton.setVisible(true);
  Button3.setVisible(true);
  Panel1.setVisible(true);
  realign();
  MailProfileName.clear();
#endif
}

void TMainForm::MailShutdownStep() {}

void TMainForm::ComboBox1Change() {}

void TMainForm::DelButtonClick() {}

void TMainForm::N16Click() {}

void TMainForm::Button3Click() { N16Click(); }

void TMainForm::Panel1Resize() {
  ui::Rect b = ComboBox1.bounds();
  ComboBox1.setBounds({2, b.top, Panel1.clientWidth() - 4, b.height});
}
