#include "standins/maildir-mapi/dialogs.h"

#include "standins/bridge/codepage.h"
#include "standins/maildir-mapi/listing.h"
#include "standins/maildir-mapi/resource.h"
#include "standins/maildir-mapi/send.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace maildir {

namespace {

constexpr char kTitle[] = "Sealwright Maildir";

HINSTANCE Module() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

std::string DialogText(HWND dlg, int id) {
  HWND c = GetDlgItem(dlg, id);
  // The length may count UTF-16 units while the text comes in a UTF-8 code
  // page: room for three bytes each, so that no character is cut.
  const int n = GetWindowTextLengthA(c) * 3 + 1;
  std::string s(n, '\0');
  s.resize(GetWindowTextA(c, s.data(), n));
  return s;
}

std::string WithoutCr(std::string s) {
  std::erase(s, '\r');
  return s;
}

// One procedure for both dialogs: the state rides in DWLP_USER, WM_INITDIALOG
// and OK go to its Init and Ok, Cancel ends the dialog. No exception leaves:
// one ends the dialog as cancelled.
template <typename State>
INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    if (msg == WM_INITDIALOG) {
      SetWindowLongPtrA(dlg, DWLP_USER, lp);
      reinterpret_cast<State*>(lp)->Init(dlg);
      return TRUE;
    }
    if (msg != WM_COMMAND || (LOWORD(wp) != IDOK && LOWORD(wp) != IDCANCEL)) return FALSE;
    if (LOWORD(wp) == IDOK)
      reinterpret_cast<State*>(GetWindowLongPtrA(dlg, DWLP_USER))->Ok(dlg);
    else
      EndDialog(dlg, IDCANCEL);
  } catch (...) {
    EndDialog(dlg, IDCANCEL);
  }
  return TRUE;
}

struct Compose {
  std::vector<Attachment> attachments;
  std::string root;
  bool failed = false;

  void Init(HWND dlg) {
    for (const Attachment& a : attachments)
      SendDlgItemMessageA(dlg, IDC_FILES, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(a.name.c_str()));
  }

  // Send ends the dialog once the message is sent. A message refused, a
  // send that failed or whose outcome is unknown shows why and keeps the
  // dialog with everything typed, to send again or cancel.
  void Ok(HWND dlg) {
    SendResult r;
    try {
      r = Send(dlg);
    } catch (...) {
      r = {SendResult::Outcome::Failed, "The message could not be sent."};
    }
    if (r.outcome == SendResult::Outcome::Sent) {
      EndDialog(dlg, IDOK);
      return;
    }
    failed = failed || r.outcome != SendResult::Outcome::Refused;
    const UINT icon = r.outcome == SendResult::Outcome::Unknown ? MB_ICONWARNING : MB_ICONERROR;
    MessageBoxA(dlg, r.error.c_str(), kTitle, MB_OK | icon);
  }

  SendResult Send(HWND dlg) {
    OutgoingMessage m;
    m.to = bridge::AnsiToUtf8(DialogText(dlg, IDC_TO));
    m.cc = bridge::AnsiToUtf8(DialogText(dlg, IDC_CC));
    m.subject = bridge::AnsiToUtf8(DialogText(dlg, IDC_SUBJECT));
    m.note = WithoutCr(bridge::AnsiToUtf8(DialogText(dlg, IDC_NOTE)));
    m.attachments = attachments;
    return SendMessage(std::move(m), root);
  }
};

struct LogonChoice {
  std::string looked;  // the folder looked for
  std::string chosen;

  void Init(HWND dlg) {
    std::string text = "No Maildir (a folder with cur, new and tmp) was found at\r\n" + looked +
                       "\r\n\r\nType the Maildir to read mail from:";
    SetDlgItemTextA(dlg, IDC_LOOKED, text.c_str());
    SetDlgItemTextA(dlg, IDC_FOLDER, looked.c_str());
  }

  void Ok(HWND dlg) {
    std::string folder = DialogText(dlg, IDC_FOLDER);
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == ' ')) folder.pop_back();
    if (!IsMaildir(folder)) {
      MessageBoxA(dlg, (folder + " is not a Maildir: it needs the folders cur, new and tmp.").c_str(), kTitle,
                  MB_OK | MB_ICONERROR);
      return;
    }
    chosen = folder;
    EndDialog(dlg, IDOK);
  }
};

}  // namespace

ComposeOutcome ComposeAndSend(HWND owner, std::vector<Attachment> attachments, const std::string& root) {
  Compose c{std::move(attachments), root};
  const INT_PTR r = DialogBoxParamA(Module(), MAKEINTRESOURCEA(IDD_COMPOSE), owner, DialogProc<Compose>,
                                    reinterpret_cast<LPARAM>(&c));
  return {r, c.failed};
}

std::optional<std::string> AskForMaildir(HWND owner, const std::string& looked) {
  LogonChoice choice{looked, {}};
  if (DialogBoxParamA(Module(), MAKEINTRESOURCEA(IDD_LOGON), owner, DialogProc<LogonChoice>,
                      reinterpret_cast<LPARAM>(&choice)) != IDOK)
    return std::nullopt;
  return choice.chosen;
}

}  // namespace maildir
