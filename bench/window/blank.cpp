// The least a window program does before its window is on the screen: one
// window shown and painted; then its child's text says so, which is how the
// start-up bench sees a window painted. Closes on WM_CLOSE. With "richedit"
// on its command line the window also holds an empty rich edit control: the
// least a program whose window shows one does (the platform's library for it
// loads a good part of the system's object libraries).
#include <windows.h>

#include <richedit.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "BenchBlank";
  RegisterClassA(&wc);
  HWND main = CreateWindowA("BenchBlank", "bench blank", WS_OVERLAPPEDWINDOW, 50, 50, 500, 400, nullptr, nullptr,
                            instance, nullptr);
  HWND status = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 350, 500, 19, main, nullptr, instance, nullptr);
  if (std::strstr(commandLine, "richedit") && LoadLibraryA("riched20.dll"))
    CreateWindowExA(WS_EX_CLIENTEDGE, RICHEDIT_CLASSA, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE, 0, 40,
                    500, 300, main, nullptr, instance, nullptr);
  ShowWindow(main, SW_SHOWNORMAL);
  UpdateWindow(main);
  SetWindowTextA(status, "painted");
  MSG msg;
  // WM_CLOSE reaches DefWindowProc, which destroys the window.
  while (IsWindow(main) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
