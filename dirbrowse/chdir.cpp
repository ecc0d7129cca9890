#include "dirbrowse/chdir.h"

#include "dirbrowse/definput.h"

// A one-line folder prompt stands in for the directory tree until that
// control exists; the contract is the same.
std::string ChooseDirectory(const std::string& initial, const std::string& caption) {
  TDefInputFrm form;
  form.setText(caption);
  form.Label1.setCaption("Folder :");
  form.Edit1.setText(initial);
  if (form.showModal() != ui::ModalResult::Ok) return initial;
  std::string folder = form.Edit1.text();
  while (folder.size() > 2 && folder.back() == '\\') folder.pop_back();
  return folder;
}
