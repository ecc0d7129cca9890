#include "dirbrowse/dirlist.h"

#include "dirbrowse/dirnames.h"
#include "dirbrowse/dirtree.h"
#include "ui/msgbox.h"

namespace {

constexpr COLORREF kOlive = RGB(128, 128, 0);

const ui::MenuRow<TdirList> kListMenu[] = {
    {0, "MakeDirectory1", "&Make Directory", {}, nullptr, &TdirList::MakeDirectory},
    {0, "Delete1", "&Delete", {}, nullptr, &TdirList::DeleteSelected},
};

}  // namespace

TdirList::TdirList(ui::Window& parent, const ui::ListView::Args& args)
    : ui::ListView(parent, [&] {
        ui::ListView::Args a = args;
        a.view = ui::ViewStyle::SmallIcon;
        a.multiSelect = true;
        a.readOnly = true;
        return a;
      }()) {
  small_ = ui::LoadImageList("SmallImages", 16, kOlive);
  large_ = ui::LoadImageList("LargeImages", 32, kOlive);
  setImages(small_.get(), large_.get());
  PopupMenu.build(this, kListMenu);
  popupMenu = &PopupMenu;
}

void TdirList::SetDirectory(const std::string& path) {
  Directory = path;
  FillList();
}

void TdirList::FillList() {
  ui::WaitCursor wait;
  clear();
  // An empty Directory would search the current drive's root.
  if (Directory.empty()) return;
  for (const FolderEntry& entry : readFolder(Directory + "\\"))
    add(entry.name, PictureFor(entry.name, entry.directory));
}

void TdirList::SelectedPaths(std::vector<std::string>& list) const {
  for (int i = 0, n = count(); i < n; ++i) {
    if (isSelected(i)) list.push_back(Directory + "\\" + caption(i));
  }
}

void TdirList::MakeDirectory() {
  if (Directory.empty()) {
    ui::ErrorBox("Unable to create Directory !");
    return;
  }
  std::string name;
  if (!AskNewFolderName(name) || name.empty()) return;
  if (!CreateFolderIn(Directory, name)) {
    ui::ErrorBox("Unable to create Directory !");
    return;
  }
  add(name, kFolderPicture);
  if (TreeLink) TreeLink->Refresh();
}

void TdirList::DeleteSelected() {
  if (ui::MessageDlg("Delete selected files/dirs ?", ui::MsgKind::Confirm, ui::mbYes | ui::mbNo) !=
      ui::ModalResult::Yes) {
    return;
  }
  std::vector<std::string> selectedPaths;
  SelectedPaths(selectedPaths);
  // Only entries of the shown folder that are still there go to the shell:
  // never a parent, another folder, or a name the shell would stop at.
  std::vector<std::string> paths;
  for (const std::string& path : selectedPaths) {
    std::string name = path.substr(Directory.size() + 1);
    if (!Directory.empty() && IsPlainName(name) && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
      paths.push_back(path);
    }
  }
  if (paths.empty()) return;
  if (!RecyclePaths(handle(), paths) && TreeLink) TreeLink->Refresh();
}
