// The main window: text window, tool bar, menus and status line. Its handlers
// are short and call the feature routines (pgp/, keys/, mail/, settings/,
// dirbrowse/); the class layout is the same in both programs.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/statusline.h"
#include "keys/KeyList.h"
#include "keys/keylisting.h"
#include "pgp/Crypt.h"
#include "pgp/context.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/menus.h"

namespace mail {
class Session;
}
class TStatusFrm;

class TMainForm : public ui::Form {
 public:
  TMainForm();
  ~TMainForm() override;

  // Start-up steps 1 to 13; runs once the window object exists.
  void FormCreate();

  std::vector<keys::KeyEntry> KeyList;
  std::vector<std::string> MessageIds;
  bool MailConnected = false;
  // The mail session with its profile name, from the mail step of start-up
  // to that of shutdown; ending it logs off. sealwright95 only.
  struct MailSessionEnd {
    void operator()(mail::Session* session) const;
  };
  std::unique_ptr<mail::Session, MailSessionEnd> MailSession;

  // The status line's start text.
  const std::string& StartText() const { return startText_; }
  // The status line for commands that say what they are doing.
  StatusLine Status() { return {&statusline, startText_}; }

  ui::FileDialog OpenDialog{ui::FileDialog::Kind::Open};
  ui::FileDialog SaveDialog{ui::FileDialog::Kind::Save};
  ui::PrintDialog PrintDialog;

  // Controls, in containment order.
  ui::Panel statusline;
  ui::Panel SpeedBar;
  ui::Panel Panel2;
  ui::SpeedButton SpeedButton1, SpeedButton2, SpeedButton4, SpeedButton5, SpeedButton6, SpeedButton7, SpeedButton11,
      SpeedButton12;
  ui::Button Button2, Button1, DelButton, Button3;
  ui::Panel Panel1;
  ui::ComboBox ComboBox1;
  // What PGP said about the signature of the text in memo1, while that holds.
  ui::Panel VerdictBar;
  ui::RichEdit memo1;
  ui::MenuBar MainMenu{false};
  ui::MenuBar PopupMenu1{true};

  // Text window commands.
  void FileNew();
  void FileOpen();
  void FileSaveAs();
  void FilePrint();
  void FileExit();
  void EditCut();
  void EditCopy();
  void EditPaste();
  void HelpContents();
  void HelpAbout();
  void ShowHint(const std::string& hint);

  // Encrypt, decrypt, sign and verify.
  void Encrypttext1Click();
  void Decrypttext1Click();
  void EncryptFileItemClick();
  void DecryptFileItemClick();
  void Signtext1Click();
  // Shows the verdict bar for `verdict` (hides it for none), with a warning
  // box where the verdict calls for one.
  void ShowVerdict(const pgp::Verdict& verdict);

  // Key ring.
  void Generatekeys1Click();
  void Addapublickey1Click();
  void Extractakey1Click();
  void Removeakey1Click();
  void GetKeyFingerprint1Click();
  void Reredpublickeys1Click();
  void DefaultIDforSigning1Click();

  // Options.
  void PGPpath1Click();
  void Signencryptedfiles1Click();
  void UseListClick();
  void Readmailboxmessages1Click();
  void N12Click();
  void PauseafterruningPGP1Click();
  void RunIconized1Click();
  void N11Click();

  // Mail.
  void SetMailConnected(bool connected);
  void MailStartStep();
  void MailShutdownStep();
  // Lists the mailbox's PGP messages; Escape in `status` stops it.
  void ScanMailbox(const TStatusFrm& status);
  void ComboBox1Change();
  void DelButtonClick();
  void N16Click();
  void Button3Click();
  void Panel1Resize();

 protected:
  LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void onClose() override;

 private:
  // The recipients dialog over KeyList, for the encryption commands.
  RecipientChooser Recipients(const pgp::Context& ctx);
  // Replaces the whole text; the verdict bar, which spoke of the old one, goes.
  void ReplaceText(std::string text);
  void FormClose();
  void FormDestroy();
  // Flips a flag, sets its check mark, saves the settings.
  void FlipOption(bool& flag, const char* menuEntry);
  std::string startText_;
  ui::Font statusFont_;
  bool destroyed_ = false;
};

// What a PGP command works with: PgpCommand and the settings it reads, as
// they are when the command starts.
pgp::Context CurrentPgpContext();

// Texts that differ between the two programs.
extern const char* const kProductCaption;  // "Sealwright for Windows 95, Version 2.2b"
extern const char* const kProductName;     // for the about box
extern const bool kMailBuild;
