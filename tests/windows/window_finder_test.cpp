// FindWindowA and SendMessageA(WM_CLOSE) on a window of another program, found by its
// Chinese caption. Runs on the X display that with_xvfb.sh starts for it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/window_finder.h"
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
  platform::SendMessageA(window, WM_CLOSE, 0, 0);  // the system's WM_CLOSE macro
  EXPECT_TRUE(product.WaitForEnd(10000));
  EXPECT_EQ(platform::FindWindowA(nullptr, kCaption), 0u);
}

}  // namespace
}  // namespace brimsel
