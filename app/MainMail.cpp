// The main window's mail commands: present in sealwright95, inert in
// sealwrightnt, which is built without mail/ and imports no Simple MAPI.
#include "app/Main.h"
#include "settings/Settings.h"

#if SEALWRIGHT_MAIL
#include "files/TextFile.h"
#include "files/oldtext.h"
#include "files/workfiles.h"
#include "forms/status.h"
#include "mail/session.h"
#include "ui/msgbox.h"
#include "ui/window.h"
#endif

void TMainForm::SetMailConnected(bool connected) {
  MailConnected = connected;
  ComboBox1.setEnabled(connected);
}

void TMainForm::Button3Click() { N16Click(); }

void TMainForm::Panel1Resize() {
  ui::Rect b = ComboBox1.bounds();
  ComboBox1.setBounds({2, b.top, Panel1.clientWidth() - 4, b.height});
}

#if SEALWRIGHT_MAIL

void TMainForm::MailSessionEnd::operator()(mail::Session* session) const { delete session; }

void TMainForm::MailStartStep() {
  MainMenu.setChecked("Readmailboxmessages1", Settings.ReadMsgs);
  ui::Rect b = SpeedBar.bounds();
  SpeedBar.setBounds({b.left, b.top, b.width, Panel2.bounds().height + Panel1.bounds().height});
  ComboBox1.setVisible(true);
  DelButton.setVisible(true);
  Button3.setVisible(true);
  Panel1.setVisible(true);
  realign();
  // The bar may keep its designed size, which raises no resize event.
  Panel1Resize();
  MailSession.reset(new mail::Session);
  if (!Settings.ReadMsgs) return;
  std::unique_ptr<TStatusFrm> status;
  ShowStatusWindow(true, status, "Connecting to MAPI ...(press ESC to cancel)");
  SetMailConnected(MailSession->Logon(handle()));
  if (MailConnected) ScanMailbox(*status);
  ShowStatusWindow(false, status, {});
}

void TMainForm::ScanMailbox(const TStatusFrm& status) {
  // Pending messages go through after a message once 20 ms have passed
  // since they last did: Escape still counts at once, and the scan does not
  // pay for a look at the queue per message (under Wine each look, and each
  // question for the focus, is a round trip to the server: 0.7 s of a 3.5 s
  // scan of 10,000 messages).
  constexpr DWORD kPumpEveryMs = 20;
  DWORD pumped = GetTickCount() - kPumpEveryMs;
  mail::ScanPgpMessages(
      *MailSession, handle(),
      [this](const std::string& id, const std::string& entry) {
        MessageIds.push_back(id);
        ComboBox1.add(entry);
      },
      [this, &status, &pumped] {
        if (GetTickCount() - pumped >= kPumpEveryMs) {
          // Escape counts in the status window only. Activating the main
          // window (after the mail system's logon dialog, or a click) puts the
          // focus on the main window itself, so the status window takes it back.
          if (GetActiveWindow() == handle() && GetFocus() != status.handle()) SetFocus(status.handle());
          ui::Application::Get().processMessages();
          pumped = GetTickCount();
        }
        // Closing the window meanwhile ended the session: the scan ends too.
        return MailSession && !status.ScanCancelled;
      });
  if (MailSession && ComboBox1.count() > 0) {
    ComboBox1.select(0);
    // A body file that cannot be read is shown like any command's error;
    // start-up goes on.
    try {
      ComboBox1Change();
    } catch (...) {
      ui::Application::Get().handleException(std::current_exception());
    }
  }
}

void TMainForm::MailShutdownStep() { MailSession.reset(); }

void TMainForm::ComboBox1Change() {
  int i = ComboBox1.selected();
  if (!MailConnected || i < 0 || i >= static_cast<int>(MessageIds.size())) return;
  if (auto text = mail::ReadMessageText(*MailSession, handle(), MessageIds[i])) {
    ReplaceText(TextForWindow(std::move(*text), GetACP()));
    DelButton.setEnabled(true);
  }
}

void TMainForm::DelButtonClick() {
  int i = ComboBox1.selected();
  if (MailSession && i >= 0 && i < static_cast<int>(MessageIds.size()) &&
      ui::MessageDlg("Are you sure you want to delete this message ?", ui::MsgKind::Confirm, ui::mbYes | ui::mbNo) ==
          ui::ModalResult::Yes) {
    ULONG code = MailSession->DeleteMail(handle(), MessageIds[i]);
    if (code == 0) {
      MessageIds.erase(MessageIds.begin() + i);
      ComboBox1.remove(i);
    } else {
      mail::ShowMapiError(code);
    }
  }
  DelButton.setEnabled(false);
}

// The window's text may be plain text: its work file is wiped as soon as the
// mail system has taken it, whatever the outcome.
void TMainForm::N16Click() {
  if (!MailSession) return;
  ScopedFile document(NewWorkFileName(), ScopedFile::Disposal::Wipe);
  WriteTextFile(document.name(), memo1.text());
  if (!MailConnected) SetMailConnected(MailSession->Logon(handle()));
  if (!MailConnected) return;
  bool sent = mail::SendDocument(handle(), document.name());
  document.dispose();
  if (!sent) ui::ErrorBox("Unable to send message !");
}

#else

// sealwrightnt never opens a session.
void TMainForm::MailSessionEnd::operator()(mail::Session*) const {}
void TMainForm::MailStartStep() {}
void TMainForm::MailShutdownStep() {}
void TMainForm::ComboBox1Change() {}
void TMainForm::DelButtonClick() {}
void TMainForm::N16Click() {}

#endif
