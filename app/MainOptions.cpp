// The main window's Configuration menu commands.
#include "app/Main.h"
#include "dirbrowse/chdir.h"
#include "pgp/pgpcommand.h"
#include "pgp/quoting.h"
#include "settings/Settings.h"

pgp::Context CurrentPgpContext() {
  pgp::Context ctx;
  ctx.command = PgpCommand;
  ctx.pgpPath = Settings.PgpPath;
  ctx.signFiles = Settings.SignFiles;
  ctx.useList = Settings.UseList;
  ctx.idSign = Settings.IdSign;
  ctx.autoDelete = Settings.AutoDelete;
  ctx.runIcon = Settings.RunIcon;
  ctx.pause = Settings.Pause;
  return ctx;
}

void TMainForm::FlipOption(bool& flag, const char* menuEntry) {
  flag = !flag;
  MainMenu.setChecked(menuEntry, flag);
  SaveSettings();
}

// Besides the folder, the command rebuilds PgpCommand and stores the settings,
// so that PGP.EXE is always looked for where the key ring is checked and the
// folder chosen is kept.
void TMainForm::PGPpath1Click() {
  std::string chosen = ChooseDirectory(Settings.PgpPath, "Path to Pgp :");
  // The folder goes between double quotes on every PGP command line.
  if (chosen == Settings.PgpPath || !CheckPgpValue("The PGP folder", chosen)) return;
  Settings.PgpPath = chosen;
  PgpCommand = pgp::MakePgpCommand(Settings.PgpPath);
  SaveSettings();
}

void TMainForm::Signencryptedfiles1Click() { FlipOption(Settings.SignFiles, "Signencryptedfiles1"); }
void TMainForm::UseListClick() { FlipOption(Settings.UseList, "UseList"); }
void TMainForm::Readmailboxmessages1Click() { FlipOption(Settings.ReadMsgs, "Readmailboxmessages1"); }
void TMainForm::N12Click() { FlipOption(Settings.AutoDelete, "N12"); }
void TMainForm::PauseafterruningPGP1Click() { FlipOption(Settings.Pause, "PauseafterruningPGP1"); }
void TMainForm::RunIconized1Click() { FlipOption(Settings.RunIcon, "RunIconized1"); }

void TMainForm::N11Click() {
  FlipOption(Settings.WordWrap, "N11");
  memo1.setWordWrap(Settings.WordWrap);
}
