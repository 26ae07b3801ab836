// Another program for the Windows suite to find, close and replace:
//   test_helper --window CAPTION   a top-level window captioned CAPTION (hex of its GBK
//                                  bytes), until the window is closed;
//   test_helper --sleep MS         nothing for MS milliseconds;
//   test_helper --lock FOLDER      holds the lock of the installation folder FOLDER (hex of
//                                  its GBK bytes, ending in "\\"), and says so by making
//                                  the file "locked" in its staging folder.
// Each way the program ends by itself after a minute, so a failed test leaves nothing.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/folder_lock.h"

namespace {

constexpr UINT kLifetimeMs = 60000;

std::string FromHex(const char* hex) {
  std::string bytes;
  for (const char* p = hex; p[0] != '\0' && p[1] != '\0'; p += 2) {
    const char pair[3] = {p[0], p[1], '\0'};
    bytes.push_back(static_cast<char>(std::strtoul(pair, nullptr, 16)));
  }
  return bytes;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int ShowWindowUntilClosed(const std::string& caption) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "BrimselTestHelper";
  if (!RegisterClassA(&windowClass)) return 3;
  HWND window = CreateWindowExA(0, windowClass.lpszClassName, caption.c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return 4;
  ShowWindow(window, SW_SHOW);
  SetTimer(window, 1, kLifetimeMs, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER) DestroyWindow(window);
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string mode = argv[1];
  if (mode == "--window") return ShowWindowUntilClosed(FromHex(argv[2]));
  if (mode == "--lock") {
    const std::string folder = FromHex(argv[2]);
    const brimsel::platform::FolderLock lock(folder, folder + "update");
    if (lock.outcome() != brimsel::platform::FolderLock::Outcome::kTaken) return 3;
    CloseHandle(CreateFileA((folder + "update\\locked").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Sleep(kLifetimeMs);
    return 0;
  }
  if (mode == "--sleep") {
    Sleep(std::min<DWORD>(std::strtoul(argv[2], nullptr, 10), kLifetimeMs));
    return 0;
  }
  return 2;
}
