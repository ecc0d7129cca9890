// The directory list: the entries of one folder with a picture for each kind
// of entry, several selectable at once. A directory tree whose DirList names
// it shows the selected folder here.
#pragma once

#include <string>
#include <vector>

#include "dirbrowse/folders.h"
#include "ui/commonctl.h"
#include "ui/listview.h"
#include "ui/menus.h"

class TDirTree;

class TdirList : public ui::ListView {
 public:
  TdirList(ui::Window& parent, const ui::ListView::Args& args);

  // The folder shown, without a trailing backslash (C:\PGP, or C: for a root).
  std::string Directory;
  // The tree that last showed a folder here; refreshed after the list changed
  // the disk. Not owned.
  TDirTree* TreeLink = nullptr;
  // Every folder read goes through here.
  FolderReader readFolder = ReadFolder;

  // Shows the folder `path`.
  void SetDirectory(const std::string& path);
  // Refills the items from Directory.
  void FillList();
  // Appends Directory\caption of every selected item, in item order.
  void SelectedPaths(std::vector<std::string>& list) const;

  // The pop-up menu's commands.
  void MakeDirectory();
  void DeleteSelected();

  ui::MenuBar PopupMenu{true};

 private:
  ui::ImageList small_;
  ui::ImageList large_;
};
