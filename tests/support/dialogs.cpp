#include "tests/support/dialogs.h"

#include <dlgs.h>

namespace testenv {

std::string BoxText(robot::Robot& r, HWND box) {
  std::string all;
  for (HWND s : r.children(box, "Static")) all += r.text(s);
  return all;
}

std::string AnswerBox(robot::Robot& r, const char* caption) {
  HWND box = r.waitWindow(caption);
  if (!box) return {};
  std::string text = BoxText(r, box);
  r.clickButton(box, "OK");
  r.waitGone(box);
  return text;
}

void ChooseFile(robot::Robot& r, HWND dialog, const std::string& name) {
  HWND edit = GetDlgItem(dialog, edt1);
  if (!edit) edit = r.findChild(GetDlgItem(dialog, cmb13), "", "Edit");
  r.setText(edit, name);
  r.click(GetDlgItem(dialog, IDOK));
  r.waitGone(dialog);
}

void TypePassPhrase(robot::Robot& r, const std::string& pass) {
  HWND prompt = r.waitWindow("PGP pass phrase");
  if (!prompt) return;
  r.setText(r.findChild(prompt, "", "Edit"), pass);
  r.clickButton(prompt, "&Ok");
  r.waitGone(prompt);
}

void ConfirmFileDialog(robot::Robot& r, const char* title) {
  HWND dialog = r.waitWindow(title, {}, 20000);
  if (!dialog) return;
  r.click(GetDlgItem(dialog, IDOK));
  r.waitGone(dialog, 20000);
}

void PumpUntil(const std::atomic<bool>& done) {
  MSG msg;
  while (!done) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  }
}

void RunIdle(const std::function<void(robot::Robot&)>& script) {
  std::atomic<bool> done{false};
  struct Done {
    std::atomic<bool>& flag;
    ~Done() { flag = true; }
  };
  robot::Robot r([&](robot::Robot& rb) {
    Done d{done};
    script(rb);
  });
  PumpUntil(done);
  r.join();
}

}  // namespace testenv
