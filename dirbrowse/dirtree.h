// The directory tree: the machine's drives at the top, their folders below,
// each folder read when it is first opened. Keeps the selected folder's path
// in CurrentDir and shows that folder in a linked directory list.
#pragma once

#include <string>

#include "dirbrowse/folders.h"
#include "ui/commonctl.h"
#include "ui/menus.h"
#include "ui/treeview.h"

class TdirList;

class TDirTree : public ui::TreeView {
 public:
  // Handlers in args' events stay and run after the tree's own handling.
  TDirTree(ui::Window& parent, const ui::TreeView::Args& args);

  // The selected node's path without a trailing backslash (C:\PGP), only the
  // drive designator for a drive (C:); empty until a node has been selected.
  std::string CurrentDir;
  // The list that shows the selected folder's content; not owned.
  TdirList* DirList = nullptr;
  // Every folder read goes through here.
  FolderReader readFolder = ReadFolder;

  // Rebuilds the drive level.
  void FillDrives();
  // A drive's label in lower case with a capital first letter; empty when it
  // cannot be read. Critical-error boxes are off meanwhile.
  static std::string VolumeLabel(char letter);
  // The remote name of a network drive in lower case, else its VolumeLabel.
  static std::string NetworkName(char letter);
  // The node's full path, ending in a backslash.
  std::string NodePath(ui::TreeNode node) const;
  // Adds the node's subfolders, each with a placeholder child ".".
  void FillFolder(ui::TreeNode node);
  // One step of a path search for an upper-case name: among all nodes by
  // substring (node null), else among the node's children by equality. Opens
  // what it finds.
  ui::TreeNode FindChild(ui::TreeNode node, const std::string& upperName);
  // Opens the tree along the path and selects the node of its last part.
  void SelectPath(const std::string& path);

  // The pop-up menu's commands. The one of RemoveDirectory1 goes by its
  // entry's name: the platform headers #define RemoveDirectory.
  void Refresh();
  void MakeDirectory();
  void RemoveDirectory1Click();

  ui::MenuBar PopupMenu{true};

 private:
  void Expanding(ui::TreeNode node, bool& allow);
  void Change(ui::TreeNode node);
  void MouseDown(ui::MouseButton button, int x, int y);

  std::function<void(ui::TreeNode, bool&)> savedExpanding_;
  std::function<void(ui::TreeNode)> savedChange_;
  std::function<void(ui::MouseButton, int, int)> savedMouseDown_;
  ui::ImageList images_;
};
