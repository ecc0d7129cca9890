#include "tests/support/dialogs.h"

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

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

void ChooseRecipient(robot::Robot& r, const std::string& who) {
  HWND dlg = r.waitWindow("Encrypting");
  if (!dlg) return;
  HWND all = r.findChild(dlg, "", "ListBox", 0);
  const std::vector<std::string> items = r.listItems(all);
  auto it = std::find_if(items.begin(), items.end(), [&](const std::string& s) { return s.find(who) != s.npos; });
  if (it == items.end()) throw std::runtime_error("no recipient " + who);
  r.selectItem(all, static_cast<int>(it - items.begin()));
  r.clickButton(dlg, "&Add");
  r.sync(dlg);
  r.clickButton(dlg, "&Ok");
  r.waitGone(dlg);
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

bool SelectFolderInTree(robot::Robot& r, HWND chooser, const std::string& path) {
  HWND tree = r.findChild(chooser, "", "SysTreeView32");
  if (!tree) return false;
  auto upper = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  };
  HTREEITEM node = nullptr;
  size_t start = 0;
  while (start < path.size()) {
    size_t slash = path.find('\\', start);
    std::string part = upper(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
    start = slash == std::string::npos ? path.size() : slash + 1;
    if (part.empty()) continue;
    // The drive level ends in "(C:)"; folders match whole.
    std::string wanted = node ? part : "(" + part + ")";
    HTREEITEM child = node ? TreeView_GetChild(tree, node) : TreeView_GetRoot(tree);
    for (; child; child = TreeView_GetNextSibling(tree, child)) {
      char text[MAX_PATH] = "";
      TVITEMA item{};
      item.mask = TVIF_TEXT;
      item.hItem = child;
      item.pszText = text;
      item.cchTextMax = MAX_PATH;
      SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
      std::string t = upper(text);
      if (node ? t == wanted
               : t.size() >= wanted.size() && t.compare(t.size() - wanted.size(), wanted.size(), wanted) == 0) {
        break;
      }
    }
    if (!child) return false;
    TreeView_Expand(tree, child, TVE_EXPAND);
    node = child;
  }
  if (!node) return false;
  TreeView_SelectItem(tree, node);
  return true;
}

bool PumpUntil(const std::atomic<bool>& done, int timeoutMs) {
  MSG msg;
  for (DWORD start = GetTickCount(); !done;) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) {
      ADD_FAILURE() << "still waiting after " << timeoutMs << " ms";
      return false;
    }
    // `done` is set without a message: look again every few milliseconds.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
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
