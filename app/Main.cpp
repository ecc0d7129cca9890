#include "app/Main.h"

#include "app/About.h"
#include "files/TextFile.h"
#include "files/oldtext.h"
#include "keys/KeyList.h"
#include "pgp/pgpcommand.h"
#include "pgp/quoting.h"
#include "settings/Settings.h"
#include "ui/errors.h"
#include "ui/msgbox.h"

#if SEALWRIGHT_MAIL
const char* const kProductCaption = "Sealwright for Windows 95, Version 2.2b";
const char* const kProductName = "Sealwright for Windows 95";
const bool kMailBuild = true;
#else
const char* const kProductCaption = "Sealwright for Windows NT, Version 2.2b";
const char* const kProductName = "Sealwright for Windows NT";
const bool kMailBuild = false;
#endif

namespace {

constexpr const char* kTextFilter = "Text files (*.txt)|*.txt|Ascii files (*.asc)|*.asc|All files (*.*)|*.*";
constexpr const char* kNotice = "- (c) 1996-2026 the Sealwright developers";

using Row = ui::MenuRow<TMainForm>;
using ui::Ctrl;
using ui::Key;
constexpr ui::ShortCut kNone{};

// The main menu, in display order.
const Row kMainMenu[] = {
    {0, "FileMenu", "&File", Ctrl('S'), "", nullptr},
    {1, "FileNewItem", "&New", kNone, "New message", &TMainForm::FileNew},
    {1, "FileOpenItem", "&Open...", Ctrl('O'), "Open file", &TMainForm::FileOpen},
    {1, "SaveAs1", "&Save As...", Ctrl('A'), "Save message as...", &TMainForm::FileSaveAs},
    {1, "N5", "-", kNone, "", nullptr},
    {1, "E1", "&Encrypt", kNone, "", nullptr},
    {2, "Encrypttext1", "Encrypt &text", Key(VK_F2), "Encrypt message", &TMainForm::Encrypttext1Click},
    {2, "EncryptFileItem", "&Encrypt file...", kNone, "Encrypt file", &TMainForm::EncryptFileItemClick},
    {1, "N17", "&Decrypt", kNone, "", nullptr},
    {2, "Decrypttext1", "Decrypt &text", Key(VK_F3), "Decrypt message", &TMainForm::Decrypttext1Click},
    {2, "DecryptFileItem", "&Decrypt file...", kNone, "Decrypt file", &TMainForm::DecryptFileItemClick},
    {1, "Signtext1", "Si&gn text", Key(VK_F8), "Sign message", &TMainForm::Signtext1Click},
    {1, "N1", "-", kNone, "", nullptr},
    {1, "N16", "&Send", Ctrl('S'), "|Send message", &TMainForm::N16Click},
    {1, "FilePrintItem", "&Print", Ctrl('P'), "Print message", &TMainForm::FilePrint},
    {1, "N4", "-", kNone, "", nullptr},
    {1, "FileExitItem", "E&xit", kNone, "Exit Sealwright", &TMainForm::FileExit},
    {0, "EditMenu", "&Edit", kNone, "", nullptr},
    {1, "EditCutItem", "&Cut", Ctrl('X'), "Cut selected text", &TMainForm::EditCut},
    {1, "EditCopyItem", "&Copy", Ctrl('C'), "Copy selected text", &TMainForm::EditCopy},
    {1, "EditPasteItem", "&Paste", Ctrl('V'), "Paste from clipboard", &TMainForm::EditPaste},
    {0, "PGP1", "&PGP", kNone, "", nullptr},
    {1, "Generatekeys1", "&Generate keys", kNone, "Generate PGP Keys", &TMainForm::Generatekeys1Click},
    {1, "N2", "-", kNone, "", nullptr},
    {1, "Addapublickey1", "&Add a key", Key(VK_F4), "Add a key to public key ring", &TMainForm::Addapublickey1Click},
    {1, "Extractakey1", "&Extract a key", Key(VK_F5), "Extract a key from public key ring",
     &TMainForm::Extractakey1Click},
    {1, "Removeakey1", "&Remove a key", Key(VK_F6), "Remove a key from public key ring", &TMainForm::Removeakey1Click},
    {1, "N6", "-", kNone, "", nullptr},
    {1, "GetKeyFingerprint1", "&View a Key Fingerprint", Key(VK_F7), "View a key fingerprint from public key ring",
     &TMainForm::GetKeyFingerprint1Click},
    {1, "N20", "-", kNone, "", nullptr},
    {1, "Reredpublickeys1", "Reload &public keys", kNone, "", &TMainForm::Reredpublickeys1Click},
    {0, "N8", "&Configuration", kNone, "", nullptr},
    {1, "PGPpath1", "&PGP path", kNone, "Path to PGP.EXE utility", &TMainForm::PGPpath1Click},
    {1, "Signencryptedfiles1", "&Sign encrypted files", kNone, "Sign encrypted files with your secret key",
     &TMainForm::Signencryptedfiles1Click},
    {1, "UseList", "&Use @list for recipients (pgp2.6.3 && up)", kNone, "", &TMainForm::UseListClick},
    {1, "DefaultIDforSigning1", "&Default ID for Signing", kNone, "", &TMainForm::DefaultIDforSigning1Click},
    {1, "N7", "-", kNone, "", nullptr},
    {1, "Readmailboxmessages1", "Read &mailbox messages", kNone, "", &TMainForm::Readmailboxmessages1Click},
    {1, "N12", "&Auto delete files", kNone, "Automatically delete files after encrypting", &TMainForm::N12Click},
    {1, "PauseafterruningPGP1", "Show PGP &output", kNone, "", &TMainForm::PauseafterruningPGP1Click},
    {1, "RunIconized1", "&Run Iconized", kNone, "", &TMainForm::RunIconized1Click},
    {1, "N9", "-", kNone, "", nullptr},
    {1, "N11", "&WordWrap", Ctrl('W'), "", &TMainForm::N11Click},
    {0, "HelpMenu", "&Help", kNone, "", nullptr},
    {1, "HelpContentsItem", "&Index", Key(VK_F1), "Afficher l'index de l'aide", &TMainForm::HelpContents},
    {1, "N15", "-", kNone, "", nullptr},
    {1, "HelpAboutItem", "&About...", Ctrl('A'), "Afficher des informations sur le programme", &TMainForm::HelpAbout},
};

// The text window's pop-up menu: no keys, no hints.
const Row kPopupMenu[] = {
    {0, "New1", "Clear", kNone, "", &TMainForm::FileNew},
    {0, "N19", "-", kNone, "", nullptr},
    {0, "Copy1", "Copy", kNone, "", &TMainForm::EditCopy},
    {0, "Cut1", "Cut", kNone, "", &TMainForm::EditCut},
    {0, "Paste1", "Paste", kNone, "", &TMainForm::EditPaste},
    {0, "N10", "-", kNone, "", nullptr},
    {0, "Decrypt1", "Decrypt", kNone, "", nullptr},
    {1, "Text1", "Text", kNone, "", &TMainForm::Decrypttext1Click},
    {1, "File1", "File", kNone, "", &TMainForm::DecryptFileItemClick},
    {0, "Sign1", "Sign", kNone, "", &TMainForm::Signtext1Click},
    {0, "Encrypt1", "Encrypt", kNone, "", nullptr},
    {1, "Test1", "Text", kNone, "", &TMainForm::Encrypttext1Click},
    {1, "File2", "File", kNone, "", &TMainForm::EncryptFileItemClick},
    {0, "Send1", "Send", kNone, "", &TMainForm::Button3Click},
    {0, "N18", "-", kNone, "", nullptr},
    {0, "Exit1", "Exit", kNone, "", &TMainForm::FileExit},
};

ui::Form::Args MainArgs() {
  ui::Form::Args a;
  a.caption = "Sealwright 32";
  a.clientWidth = 536;
  a.clientHeight = 350;
  a.font = {"MS Sans Serif", -11, true};
  a.border = ui::Border::Sizeable;
  a.left = 50;
  a.top = 50;
  a.mainWindow = true;
  a.dialogKeys = false;
  return a;
}

ui::Font StatusFont() { return ui::MakeFont({"MS Sans Serif", -12, false}); }

}  // namespace

TMainForm::TMainForm()
    : ui::Form(MainArgs()),
      statusline(*this, {.bounds = {0, 0, 492, 19},
                         .align = ui::Align::Bottom,
                         .inner = ui::Bevel::Lowered,
                         .borderWidth = 2,
                         .alignment = ui::TextAlign::Left}),
      SpeedBar(*this, {.bounds = {0, 0, 492, 33}, .align = ui::Align::Top, .outer = ui::Bevel::None}),
      Panel2(SpeedBar, {.bounds = {0, 0, 492, 36}, .align = ui::Align::Top, .inner = ui::Bevel::Raised}),
      SpeedButton1(Panel2, {.bounds = {8, 5, 25, 25}, .bitmap = "SB_CLEAR", .hint = "Clear|Clear text window"}),
      SpeedButton2(Panel2, {.bounds = {36, 5, 25, 25}, .bitmap = "SB_OPEN", .hint = "Open|Open a text file"}),
      SpeedButton4(Panel2, {.bounds = {65, 5, 24, 25}, .bitmap = "SB_SAVE", .hint = "Save As|Save text as"}),
      SpeedButton5(Panel2, {.bounds = {92, 5, 25, 25}, .bitmap = "SB_COPY", .hint = "Copy|Copy to clipboard"}),
      SpeedButton6(Panel2, {.bounds = {120, 5, 26, 25}, .bitmap = "SB_PASTE", .hint = "Paste|Paste from clipboard"}),
      SpeedButton7(Panel2, {.bounds = {148, 5, 26, 25}, .bitmap = "SB_CUT", .hint = "Cut|Cut to clipbard"}),
      SpeedButton11(Panel2, {.bounds = {181, 5, 25, 25}, .bitmap = "SB_HELP", .hint = "Help|Help index"}),
      SpeedButton12(Panel2, {.bounds = {210, 5, 24, 25}, .bitmap = "SB_QUIT", .hint = "Quit|Exit Sealwright"}),
      Button2(Panel2, {.bounds = {241, 8, 68, 21}, .caption = "&Decrypt", .hint = "|Decrypt text in window"}),
      Button1(Panel2, {.bounds = {313, 8, 72, 21}, .caption = "&Encrypt", .hint = "|Encrypt text in window"}),
      DelButton(Panel2, {.bounds = {389, 8, 72, 21},
                         .caption = "De&lete",
                         .hint = "|Delete message",
                         .visible = false,
                         .enabled = false}),
      Button3(Panel2, {.bounds = {465, 8, 64, 21}, .caption = "&Send", .hint = "|Send message", .visible = false}),
      Panel1(SpeedBar,
             {.bounds = {0, 0, 492, 33}, .align = ui::Align::Bottom, .outer = ui::Bevel::Lowered, .visible = false}),
      ComboBox1(Panel1, {.bounds = {4, 5, 261, 21}, .visible = false}),
      VerdictBar(*this, {.bounds = {0, 0, 492, 20},
                         .align = ui::Align::Top,
                         .outer = ui::Bevel::None,
                         .inner = ui::Bevel::Lowered,
                         .borderWidth = 1,
                         .alignment = ui::TextAlign::Left,
                         .visible = false}),
      memo1(*this, {.bounds = {0, 0, 492, 200}, .align = ui::Align::Client}) {
  statusFont_ = StatusFont();
  statusline.setFont(statusFont_.get());
  SpeedButton1.onClick = [this] { FileNew(); };
  SpeedButton2.onClick = [this] { FileOpen(); };
  SpeedButton4.onClick = [this] { FileSaveAs(); };
  SpeedButton5.onClick = [this] { EditCopy(); };
  SpeedButton6.onClick = [this] { EditPaste(); };
  SpeedButton7.onClick = [this] { EditCut(); };
  SpeedButton11.onClick = [this] { HelpContents(); };
  SpeedButton12.onClick = [this] { FileExit(); };
  Button2.onClick = [this] { Decrypttext1Click(); };
  Button1.onClick = [this] { Encrypttext1Click(); };
  DelButton.onClick = [this] { DelButtonClick(); };
  Button3.onClick = [this] { Button3Click(); };
  ComboBox1.onChange = [this] { ComboBox1Change(); };
  // A verdict speaks of the text as checked: any change by hand takes it away.
  memo1.onChange = [this] { ShowVerdict({}); };
  Panel1.onResize = [this] { Panel1Resize(); };
  MainMenu.build(this, kMainMenu);
  MainMenu.attachTo(handle());
  menuBar = &MainMenu;
  PopupMenu1.build(this, kPopupMenu);
  ui::Application::Get().setMainForm(this);
}

TMainForm::~TMainForm() {
  if (!destroyed_) FormDestroy();
  if (ui::Application::Get().mainForm() == this) ui::Application::Get().setMainForm(nullptr);
}

void TMainForm::FormCreate() {
  // A step that fails shows the default error box and start-up goes on with
  // the next one, so the window always comes up and stays usable.
  ui::Application& app = ui::Application::Get();
  app.runHandled([this] { SetMailConnected(false); });
  app.onHint = [this](const std::string& h) { ShowHint(h); };
  setText(kProductCaption);
  startText_ = std::string(kProductCaption) + " " + kNotice;
  statusline.setCaption(startText_);
  hint = "|" + startText_;
  app.runHandled([] {
    LoadSettings();
    // A stored folder that cannot stand between double quotes is not used.
    if (!pgp::QuotingProblem(Settings.PgpPath).empty()) Settings.PgpPath.clear();
  });
  app.runHandled([this] {
    if (Settings.PgpPath.empty()) PGPpath1Click();
  });
  PgpCommand = pgp::MakePgpCommand(Settings.PgpPath);
  KeyList.clear();
  MessageIds.clear();
  app.runHandled([this] { RestoreWindowBounds(*this); });
  memo1.setWordWrap(Settings.WordWrap);
  // Painted at once, children included.
  show();
  MainMenu.setChecked("Signencryptedfiles1", Settings.SignFiles);
  MainMenu.setChecked("RunIconized1", Settings.RunIcon);
  MainMenu.setChecked("PauseafterruningPGP1", Settings.Pause);
  MainMenu.setChecked("N11", Settings.WordWrap);
  MainMenu.setChecked("N12", Settings.AutoDelete);
  MainMenu.setChecked("UseList", Settings.UseList);
  app.runHandled([this] {
    const pgp::Context ctx = CurrentPgpContext();
    if (CheckPublicKeyRing(ctx)) ReadPublicKeys(ctx, KeyList, Status());
  });
  app.runHandled([this] {
    if (Settings.IdSign.empty()) DefaultIDforSigning1Click();
  });
  app.runHandled([this] {
    if (kMailBuild) {
      MailStartStep();
    } else {
      MainMenu.setVisible("Readmailboxmessages1", false);
      MainMenu.setVisible("N16", false);
      repaint();
    }
  });
}

// The close is never refused: when storing the bounds fails, the error is
// shown once and the window closes all the same.
void TMainForm::onClose() {
  ui::Application::Get().runHandled([this] { FormClose(); });
  DestroyWindow(handle());
}

void TMainForm::FormClose() { SaveWindowBounds(*this); }

void TMainForm::FormDestroy() {
  destroyed_ = true;
  KeyList.clear();
  if (kMailBuild) MailShutdownStep();
  MessageIds.clear();
}

LRESULT TMainForm::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_DESTROY:
      if (!destroyed_) FormDestroy();
      PostQuitMessage(0);
      break;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wp) == memo1.handle()) {
        int x = static_cast<short>(LOWORD(lp));
        int y = static_cast<short>(HIWORD(lp));
        if (x == -1 && y == -1) {
          RECT r;
          GetWindowRect(memo1.handle(), &r);
          x = r.left + 8;
          y = r.top + 8;
        }
        PopupMenu1.popup(handle(), x, y);
        return 0;
      }
      break;
    default:
      break;
  }
  return ui::Form::handleMessage(msg, wp, lp);
}

void TMainForm::ShowHint(const std::string& hint) { statusline.setCaption(hint); }

// --- Text window commands --------------------------------------------------

void TMainForm::FileNew() { ReplaceText({}); }

void TMainForm::FileOpen() {
  OpenDialog.filter = kTextFilter;
  OpenDialog.title = "Open text file";
  if (!OpenDialog.execute(handle())) return;
  setText(OpenDialog.fileName);
  std::string content;
  try {
    content = ReadTextFile(OpenDialog.fileName);
  } catch (const ui::Error&) {
    throw ui::Error("Cannot open file " + OpenDialog.fileName);
  }
  ReplaceText(TextForWindow(std::move(content), GetACP()));
}

void TMainForm::FileSaveAs() {
  SaveDialog.filter = kTextFilter;
  SaveDialog.title = "Save file";
  if (!SaveDialog.execute(handle())) return;
  try {
    WriteTextFile(SaveDialog.fileName, memo1.text());
  } catch (const ui::Error&) {
    throw ui::Error("Cannot create file " + SaveDialog.fileName);
  }
}

void TMainForm::FilePrint() {
  ui::Dc printer = PrintDialog.execute(handle());
  if (printer) memo1.print(printer.get(), "Sealwright Message");
}

void TMainForm::FileExit() { close(); }

void TMainForm::EditCut() { memo1.cut(); }
void TMainForm::EditCopy() { memo1.copy(); }
void TMainForm::EditPaste() { memo1.paste(); }

void TMainForm::HelpContents() { WinHelpA(handle(), ui::Application::Get().helpFile().c_str(), HELP_FINDER, 0); }

void TMainForm::HelpAbout() {
  TAboutBox box;
  box.showModal();
}
