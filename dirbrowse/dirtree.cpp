#include "dirbrowse/dirtree.h"

#include <winnetwk.h>

#include "dirbrowse/dirlist.h"
#include "dirbrowse/dirnames.h"
#include "ui/msgbox.h"

namespace {

const char* const kPlaceholder = ".";
constexpr COLORREF kOlive = RGB(128, 128, 0);

const ui::MenuRow<TDirTree> kTreeMenu[] = {
    {0, "MakeDirectory1", "&Make Directory", {}, nullptr, &TDirTree::MakeDirectory},
    {0, "RemoveDirectory1", "&Remove Directory", {}, nullptr, &TDirTree::RemoveDirectory1Click},
    {0, "Refresh1", "R&efresh", {}, nullptr, &TDirTree::Refresh},
};

}  // namespace

TDirTree::TDirTree(ui::Window& parent, const ui::TreeView::Args& args)
    : ui::TreeView(parent, [&] {
        ui::TreeView::Args a = args;
        a.readOnly = true;
        return a;
      }()) {
  savedExpanding_ = std::exchange(onExpanding, [this](ui::TreeNode n, bool& allow) { Expanding(n, allow); });
  savedChange_ = std::exchange(onChange, [this](ui::TreeNode n) { Change(n); });
  savedMouseDown_ = std::exchange(onMouseDown, [this](ui::MouseButton b, int x, int y) { MouseDown(b, x, y); });
  images_ = ui::LoadImageList("Images", 16, kOlive);
  setImages(images_.get());
  PopupMenu.build(this, kTreeMenu);
  popupMenu = &PopupMenu;
  FillDrives();
}

void TDirTree::FillDrives() {
  clear();
  DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    char letter = static_cast<char>('A' + i);
    char root[] = {letter, ':', '\\', 0};
    ui::TreeNode node = nullptr;
    switch (GetDriveTypeA(root)) {
      case DRIVE_REMOVABLE:
        node = add(nullptr, FloppyNodeText(letter), kFloppyImage, kFloppyImage);
        break;
      case DRIVE_FIXED:
        node = add(nullptr, DriveNodeText(VolumeLabel(letter), letter), kHardDiskImage, kHardDiskImage);
        break;
      case DRIVE_REMOTE:
        node = add(nullptr, DriveNodeText(NetworkName(letter), letter), kNetworkImage, kNetworkImage);
        break;
      case DRIVE_CDROM:
        node = add(nullptr, DriveNodeText(VolumeLabel(letter), letter), kCdImage, kCdImage);
        break;
      case DRIVE_RAMDISK:
        node = add(nullptr, DriveNodeText(VolumeLabel(letter), letter), kRamDiskImage, kRamDiskImage);
        break;
      default:
        break;
    }
    if (node) add(node, kPlaceholder, kFolderImage, kOpenFolderImage);
  }
}

std::string TDirTree::VolumeLabel(char letter) {
  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  char root[] = {letter, ':', '\\', 0};
  char name[261] = "";
  if (!GetVolumeInformationA(root, name, sizeof name, nullptr, nullptr, nullptr, nullptr, 0)) name[0] = '\0';
  SetErrorMode(oldMode);
  CharLowerA(name);
  return CapitalFirst(name);
}

std::string TDirTree::NetworkName(char letter) {
  char local[] = {letter, ':', 0};
  char remote[261] = "";
  DWORD size = sizeof remote;
  if (WNetGetConnectionA(local, remote, &size) != NO_ERROR) return VolumeLabel(letter);
  CharLowerA(remote);
  return remote;
}

std::string TDirTree::NodePath(ui::TreeNode node) const {
  std::vector<std::string> texts;
  for (ui::TreeNode n = node; n; n = parentOf(n)) texts.insert(texts.begin(), text(n));
  return NodePathOf(texts);
}

void TDirTree::FillFolder(ui::TreeNode node) {
  for (const FolderEntry& entry : readFolder(NodePath(node))) {
    if (!entry.directory) continue;
    ui::TreeNode child = add(node, entry.name, kFolderImage, kOpenFolderImage);
    add(child, kPlaceholder, kFolderImage, kOpenFolderImage);
  }
}

void TDirTree::Expanding(ui::TreeNode node, bool& allow) {
  std::vector<ui::TreeNode> kids = children(node);
  allow = !kids.empty();
  if (allow && text(kids.front()) == kPlaceholder) {
    remove(kids.front());
    FillFolder(node);
  }
  if (savedExpanding_) savedExpanding_(node, allow);
}

void TDirTree::Change(ui::TreeNode node) {
  // Deleting the selected node can leave no selection; the path stays.
  if (!node) return;
  CurrentDir = NodePath(node);
  CurrentDir.pop_back();
  if (DirList) {
    DirList->TreeLink = this;
    ui::WaitCursor wait;
    repaint();
    DirList->SetDirectory(CurrentDir);
  }
  if (savedChange_) savedChange_(node);
}

void TDirTree::MouseDown(ui::MouseButton button, int x, int y) {
  if (button == ui::MouseButton::Right) {
    if (ui::TreeNode node = nodeAt(x, y)) select(node);
  }
  if (savedMouseDown_) savedMouseDown_(button, x, y);
}

ui::TreeNode TDirTree::FindChild(ui::TreeNode node, const std::string& upperName) {
  ui::TreeNode found = nullptr;
  if (!node) {
    for (ui::TreeNode n : allNodes()) {
      if (UpperAscii(text(n)).find(upperName) != std::string::npos) {
        found = n;
        break;
      }
    }
  } else {
    for (ui::TreeNode n : children(node)) {
      if (UpperAscii(text(n)) == upperName) {
        found = n;
        break;
      }
    }
  }
  if (found) expand(found);
  return found;
}

void TDirTree::SelectPath(const std::string& path) {
  ui::WaitCursor wait;
  repaint();
  ui::TreeNode node = nullptr;
  for (const std::string& part : PathParts(path)) node = FindChild(node, part);
  if (node) select(node);
}

void TDirTree::Refresh() {
  std::string kept = CurrentDir;
  clear();
  FillDrives();
  SelectPath(kept);
}

void TDirTree::MakeDirectory() {
  ui::TreeNode parent = selected();
  if (!parent || CurrentDir.empty()) {
    ui::ErrorBox("Unable to create Directory !");
    return;
  }
  std::string name;
  if (!AskNewFolderName(name) || name.empty()) return;
  if (!CreateFolderIn(CurrentDir, name)) {
    ui::ErrorBox("Unable to create Directory !");
    return;
  }
  // A folder not read yet lists the new one when it is read; a node added
  // now would then show twice.
  std::vector<ui::TreeNode> kids = children(parent);
  if (!kids.empty() && text(kids.front()) == kPlaceholder) {
    expand(parent);
  } else {
    add(parent, name, kFolderImage, kFolderImage);
  }
  Change(parent);
}

void TDirTree::RemoveDirectory1Click() {
  ui::TreeNode node = selected();
  // A drive node's path is only its designator: the shell would empty the
  // whole drive.
  if (!node || !parentOf(node) || CurrentDir.size() <= 2) {
    ui::ErrorBox("Unable to remove Directory !");
    return;
  }
  if (ui::MessageDlg("Delete " + CurrentDir + " ?", ui::MsgKind::Confirm, ui::mbYes | ui::mbNo) !=
      ui::ModalResult::Yes) {
    return;
  }
  if (RecyclePaths(handle(), {CurrentDir})) {
    Refresh();
  } else {
    remove(node);
  }
}
