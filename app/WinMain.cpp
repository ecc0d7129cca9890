// Program entry: the application title and help file, the main window, the
// message loop.
#include <windows.h>

#include "app/Main.h"
#include "ui/window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  ui::Application application("Sealwright 32", "sealwr32.hlp");
  try {
    TMainForm form;
    form.FormCreate();
    return application.run();
  } catch (...) {
    application.handleException(std::current_exception());
    return 1;
  }
}
