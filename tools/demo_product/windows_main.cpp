// demo_product.exe TITLE: shows a window captioned TITLE (in the system code page) until
// it is asked to close, as the Brimsel product does when the updater sends it WM_CLOSE.
#include <windows.h>

#include <string>

namespace {

LRESULT CALLBACK ProductProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  const std::string title = commandLine != nullptr && *commandLine != '\0' ? commandLine : "Brimsel";
  WNDCLASSA product = {};
  product.lpfnWndProc = ProductProc;
  product.hInstance = instance;
  product.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  product.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  product.lpszClassName = "BrimselDemoProduct";
  ::RegisterClassA(&product);
  HWND window = ::CreateWindowExA(0, product.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40, 320, 160,
                                  nullptr, nullptr, instance, nullptr);
  ::ShowWindow(window, SW_SHOW);
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return 0;
}
