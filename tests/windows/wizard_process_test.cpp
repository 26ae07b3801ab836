// The real update.exe under Wine, with a vendor site that takes the version query and
// never answers: once Close is pressed (Alt+C posted through the wizard's own message loop)
// and the question answered Yes, the process ends within seconds, not when the fetch would
// give up.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "app/win32/control_ids.h"
#include "platform/message_box.h"
#include "support/silent_site.h"
#include "support/temp_dir.h"
#include "windows_test_support.h"

namespace brimsel::test {
namespace {

constexpr char kCaption[] = "\xD4\xDA\xCF\xDF\xC9\xFD\xBC\xB6";  // 在线升级

// Asks `condition` every 20 ms for at most `limit`; its last answer.
bool Within(std::chrono::milliseconds limit, const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK CheckControl(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ControlSearch*>(data);
  if (::GetDlgCtrlID(child) != search->id) return TRUE;
  search->found = child;
  return FALSE;
}

// The control `id` anywhere below the form.
HWND ControlOf(HWND form, int id) {
  ControlSearch search{id, nullptr};
  ::EnumChildWindows(form, CheckControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST(CloseDuringFetch, ConfirmedCloseEndsTheProcessWhileTheVersionPageNeverComes) {
  SilentVendorSite site;
  BRIMSEL_SKIP_UNLESS_LISTENING(site);
  TempDir installation;
  const std::string updater = installation.WinPath() + "update.exe";
  ASSERT_TRUE(::CopyFileA(BRIMSEL_UPDATER, updater.c_str(), TRUE));
  WriteBrimselSettings(installation.WinPath());
  HelperProcess wizard("", "", updater);
  ASSERT_TRUE(wizard.Started());

  // The window with its buttons (it is found as soon as it is made, before its controls).
  HWND next = nullptr;
  HWND close = nullptr;
  ASSERT_TRUE(Within(std::chrono::seconds(30), [&] {
    HWND form = ::FindWindowA(win32::kFormClass, kCaption);
    next = form ? ControlOf(form, win32::kNextId) : nullptr;
    close = form ? ControlOf(form, win32::kCloseId) : nullptr;
    return next != nullptr && close != nullptr;
  }));
  // Alt+N until the version query has come.
  for (int press = 0; press < 10 && !site.Asked(); ++press) {
    ::PostMessageA(next, WM_SYSCHAR, 'n', 0);
    Within(std::chrono::seconds(2), [&] { return site.Asked(); });
  }
  ASSERT_TRUE(site.Asked()) << "the wizard never asked for the version page";
  ::PostMessageA(close, WM_SYSCHAR, 'c', 0);
  HWND box = nullptr;
  ASSERT_TRUE(Within(std::chrono::seconds(20), [&] { return (box = ::FindWindowA("#32770", kCaption)); }))
      << "the exit question did not appear";
  ::PostMessageA(box, WM_COMMAND, platform::IDYES, 0);
  EXPECT_TRUE(wizard.WaitForEnd(5000)) << "update.exe still runs after a confirmed Close";
  EXPECT_TRUE(Within(std::chrono::seconds(5), [&] { return site.ClientLeft(); }));
}

}  // namespace
}  // namespace brimsel::test
