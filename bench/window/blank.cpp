// The least a window program does before its window is on the screen: one
// window shown and painted; then its child's text says so, which is how the
// start-up bench sees a window painted. Closes on WM_CLOSE.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "BenchBlank";
  RegisterClassA(&wc);
  HWND main = CreateWindowA("BenchBlank", "bench blank", WS_OVERLAPPEDWINDOW, 50, 50, 500, 400, nullptr, nullptr,
                            instance, nullptr);
  HWND status = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 350, 500, 19, main, nullptr, instance, nullptr);
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
