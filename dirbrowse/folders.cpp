#include "dirbrowse/folders.h"

#include <shellapi.h>

#include "dirbrowse/dirnames.h"
#include "forms/definput.h"
#include "ui/codepage.h"
#include "ui/handles.h"

// Searched in UTF-16: a name may hold 255 UTF-16 units, which in a UTF-8
// code page can take more bytes than the ANSI find data's 260. (Under Wine
// the host's file system allows only 255 bytes, so the ANSI search would do
// there; on Windows it cuts such a name.)
std::vector<FolderEntry> ReadFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW data;
  ui::FindHandle search(FindFirstFileW(ui::Widen(folder + "*.*").c_str(), &data));
  if (!search) return entries;
  do {
    std::string name = ui::Narrow(data.cFileName);
    if (name == "." || name == "..") continue;
    entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(search.get(), &data));
  return entries;
}

bool AskNewFolderName(std::string& name) {
  TDefInputFrm form;
  form.Label1.setCaption("New directory name :");
  form.setText("Create directory");
  if (form.showModal() != ui::ModalResult::Ok) return false;
  name = form.Edit1.text();
  return true;
}

bool CreateFolderIn(const std::string& parent, const std::string& name) {
  if (parent.empty() || !IsPlainName(name)) return false;
  return CreateDirectoryA((parent + "\\" + name).c_str(), nullptr) != FALSE;
}

bool RecyclePaths(HWND owner, const std::vector<std::string>& paths) {
  std::string from = SourceList(paths);
  if (from.empty()) return false;
  SHFILEOPSTRUCTA op{};
  op.hwnd = owner;
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION;
  SHFileOperationA(&op);
  return op.fAnyOperationsAborted != FALSE;
}
