// The window functions on the X display that with_xvfb.sh starts: FindWindowA and
// SendMessageA(WM_CLOSE) on a window of another program, found by its Chinese caption;
// MessageBoxA and the message pump.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "platform/files.h"
#include "platform/pump.h"
#include "platform/windows/system_message_box.h"
#include "platform/windows/system_pump.h"
#include "windows_test_support.h"

namespace brimsel {
namespace {

// 布瑞姆产品 主窗口
constexpr char kCaption[] = "\xB2\xBC\xC8\xF0\xC4\xB7\xB2\xFA\xC6\xB7 \xD6\xF7\xB4\xB0\xBF\xDA";

platform::WindowHandle WaitForWindow(std::string_view caption) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  platform::WindowHandle found = 0;
  while (found == 0 && std::chrono::steady_clock::now() < deadline) {
    found = platform::FindWindowA(nullptr, caption);
    if (found == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return found;
}

TEST(WindowFinder, FindsAnotherProgramsWindowByItsCaptionAndClosesIt) {
  test::HelperProcess product("--window", kCaption);
  ASSERT_TRUE(product.Started());
  const platform::WindowHandle window = WaitForWindow(kCaption);
  ASSERT_NE(window, 0u);

  const std::string caption = kCaption;
  for (const std::string& other : {caption.substr(0, 10), caption + " ", std::string()}) {
    EXPECT_EQ(platform::FindWindowA(nullptr, other), 0u) << "found by \"" << other << "\"";
  }
  EXPECT_TRUE(product.Running());
  platform::SendMessageA(window, platform::WM_CLOSE, 0, 0);
  EXPECT_TRUE(product.WaitForEnd(10000));
  EXPECT_EQ(platform::FindWindowA(nullptr, kCaption), 0u);
}

// Each box is answered by its own button; the answer is what MessageBoxA returns.
constexpr char kBoxCaption[] = "\xD4\xDA\xCF\xDF\xC9\xFD\xBC\xB6";  // 在线升级

TEST(SystemMessageBox, ShowsTheBoxWithItsButtonsAndReturnsTheOnePressed) {
  const std::pair<unsigned, int> cases[] = {{platform::MB_OK | platform::MB_ICONINFORMATION, platform::IDOK},
                                            {platform::MB_YESNO | platform::MB_ICONQUESTION, platform::IDYES},
                                            {platform::MB_YESNO | platform::MB_ICONQUESTION, platform::IDNO}};
  for (const auto& [flags, button] : cases) {
    auto answer = std::async(std::launch::async, [flags = flags] {
      return platform::SystemMessageBox(0, "\xCE\xC4\xD7\xD6", kBoxCaption, flags);
    });
    HWND box = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (box == nullptr && std::chrono::steady_clock::now() < deadline) {
      box = ::FindWindowA("#32770", kBoxCaption);
      if (box == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_NE(box, nullptr);
    EXPECT_NE(::GetDlgItem(box, button), nullptr) << "no button " << button;
    ::PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(answer.get(), button);
  }
}

// A folder named outside code page 936 has no name for the "A" functions: update.exe says
// so in the error box, in Chinese, and ends with status 1 instead of an uncaught error.
TEST(UpdaterProgram, AFolderNamedOutsideGbkIsReportedInTheErrorBox) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"brimsel-k\uD55C\uAE00-" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring updater = folder + L"\\update.exe";
  ASSERT_TRUE(::CopyFileW(platform::NativePath(BRIMSEL_UPDATER).c_str(), updater.c_str(), FALSE));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  std::wstring commandLine = L"\"" + updater + L"\"";
  ASSERT_TRUE(::CreateProcessW(updater.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &started));
  ::CloseHandle(started.hThread);
  const platform::WindowHandle box = WaitForWindow("\xC9\xFD\xBC\xB6\xB3\xCC\xD0\xF2");  // 升级程序
  // The box's text: its first Static that has one. The box's caption may show before its
  // text is set, so the look is repeated for a while.
  const auto boxText = [box] {
    std::wstring text(512, L'\0');
    HWND label = ::FindWindowExW(reinterpret_cast<HWND>(box), nullptr, L"Static", nullptr);
    while (label != nullptr && ::GetWindowTextLengthW(label) == 0)
      label = ::FindWindowExW(reinterpret_cast<HWND>(box), label, L"Static", nullptr);
    text.resize(label ? static_cast<std::size_t>(::GetWindowTextW(label, text.data(), 512)) : 0);
    return text;
  };
  std::wstring text;
  if (box != 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((text = boxText()).empty() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::PostMessageA(reinterpret_cast<HWND>(box), WM_COMMAND, platform::IDOK, 0);
  }
  const bool ended = ::WaitForSingleObject(started.hProcess, 20000) == WAIT_OBJECT_0;
  DWORD status = 0;
  ::GetExitCodeProcess(started.hProcess, &status);
  if (!ended) ::TerminateProcess(started.hProcess, 9);
  ::CloseHandle(started.hProcess);
  ::DeleteFileW(updater.c_str());
  ::RemoveDirectoryW(folder.c_str());
  ASSERT_NE(box, 0u) << "no error box; exit status " << status;
  EXPECT_NE(text.find(L"\u8BF7\u628A\u7A0B\u5E8F\u79FB\u5230"), std::wstring::npos);  // 请把程序移到
  EXPECT_TRUE(ended);
  EXPECT_EQ(status, 1u);
}

// The pump hands waiting messages to their windows, and leaves a quit request for the
// main loop to see.
int pumpedMessages = 0;

LRESULT CALLBACK CountingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ++pumpedMessages;
  return ::DefWindowProcA(window, message, wParam, lParam);
}

TEST(PumpSystemMessages, DispatchesWaitingMessagesAndKeepsTheQuitRequest) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = CountingProcedure;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "BrimselPumpTest";
  ASSERT_NE(::RegisterClassA(&windowClass), 0);
  HWND window = ::CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ::PostMessageA(window, WM_APP, 0, 0);
  ::PostMessageA(window, WM_APP, 0, 0);
  ::PostQuitMessage(3);
  const platform::MessagePump previous = platform::SetMessagePump(platform::PumpSystemMessages);
  platform::ProcessMessages();
  platform::SetMessagePump(previous);
  EXPECT_EQ(pumpedMessages, 2);
  MSG message;
  ASSERT_TRUE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
  ::DestroyWindow(window);
}

}  // namespace
}  // namespace brimsel
