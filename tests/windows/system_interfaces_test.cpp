// The Windows build against the system itself: the user's short date format, a copy onto
// a running program and the reason it is refused, and update.bat carried out by the system's command interpreter.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/self_replace_script.h"
#include "platform/copy_file.h"
#include "platform/files.h"
#include "platform/free_space.h"
#include "platform/locale.h"
#include "platform/shell_execute.h"
#include "platform/windows/windows_text.h"
#include "support/temp_dir.h"
#include "windows_test_support.h"

namespace brimsel {
namespace {

using test::HelperProcess;
using test::TempDir;

std::string ReadAll(std::string_view path) {
  platform::File file(path, platform::File::Mode::Read);
  std::string bytes(file.IsOpen() ? static_cast<std::size_t>(file.Size()) : 0, '\0');
  bytes.resize(file.Read(bytes.data(), bytes.size()));
  return bytes;
}

void WriteAll(std::string_view path, std::string_view bytes) {
  platform::File file(path, platform::File::Mode::Create);
  ASSERT_EQ(file.Write(bytes.data(), bytes.size()), bytes.size()) << path;
}

// Sets the user's short date format for one test and puts the old one back after it.
class ShortDateFormat {
 public:
  explicit ShortDateFormat(const char* format) {
    char old[80] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, old, sizeof old);
    old_ = old;
    SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, format);
  }
  ~ShortDateFormat() { SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, old_.c_str()); }

 private:
  std::string old_;
};

// The updater's fallback "2005-1-1" must convert under every format the system may have,
// and what it writes must read back.
TEST(RegionalSettings, ShortDateFormatsOfTheSystem) {
  struct Case {
    const char* format;
    const char* written;  // 5 January 2026
    const char* refused;  // a text the updater's format does not accept
  };
  const Case cases[] = {
      {"yyyy/M/d", "2026-1-5", "2026/1/5"},     // a fresh Chinese Windows
      {"yyyy-M-d", "2026-1-5", "2026/1/5"},
      {"yyyy-MM-dd", "2026-01-05", "2026/01/05"},
      {"d.M.yyyy", "2026-1-5", "5.1.2026"},
  };
  const platform::DateTime day = *platform::EncodeDateTime({2026, 1, 5});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    ShortDateFormat format(c.format);
    EXPECT_EQ(platform::DateToStr(day), c.written);
    EXPECT_EQ(platform::TryStrToDate(platform::DateToStr(day)), day);
    EXPECT_EQ(platform::StrToDate("2005-1-1"), *platform::EncodeDateTime({2005, 1, 1}));
    EXPECT_FALSE(platform::TryStrToDate(c.refused).has_value());
    EXPECT_EQ(platform::DateSeparator(), '-');
  }
}

TEST(FreeSpace, OfAFolderThatExists) {
  TempDir dir;
  EXPECT_GT(platform::FreeSpaceOf(dir.WinPath()).value_or(0), 0u);
  EXPECT_FALSE(platform::FreeSpaceOf(dir.WinPath() + "missing\\").has_value());
}

TEST(CopyFileA, NeverReplacesARunningProgramAndLeavesNoStagedCopy) {
  TempDir dir;
  const std::string folder = dir.WinPath();
  const std::string program = folder + "product.exe";
  ASSERT_TRUE(::CopyFileA(test::HelperPath().c_str(), program.c_str(), FALSE));
  const std::string original = ReadAll(program);
  WriteAll(folder + "new.exe", "new program");
  {
    HelperProcess running("--sleep", "30000", program);
    ASSERT_TRUE(running.Running());
    // Refused as the system refuses it, and said so in the system's words.
    const platform::CopyResult refused = platform::CopyFileReporting(folder + "new.exe", program, false);
    EXPECT_FALSE(refused.copied);
    EXPECT_EQ(refused.reason, platform::windows::ErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(platform::DeleteFile(program));
    EXPECT_TRUE(platform::IsRunningExecutable(program));
  }
  EXPECT_EQ(ReadAll(program), original);
  EXPECT_FALSE(platform::IsRunningExecutable(program));
  EXPECT_TRUE(platform::CopyFileA(folder + "new.exe", program, false));
  EXPECT_EQ(ReadAll(program), "new program");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 2) << "a staged copy was left behind";
}

// The folder of a Chinese installation: "升级 测试" holds a space and double-byte characters.
TEST(ShellExecuteA, UpdateBatWaitsForTheUpdaterThenReplacesItAndDeletesItself) {
  TempDir dir;
  const std::string folder = dir.WinPath() + "\xC9\xFD\xBC\xB6 \xB2\xE2\xCA\xD4\\";
  ASSERT_TRUE(platform::ForceDirectories(folder + "update"));
  const std::string updater = folder + "update.exe";
  ASSERT_TRUE(::CopyFileA(test::HelperPath().c_str(), updater.c_str(), FALSE));
  const std::string old = ReadAll(updater);
  WriteAll(folder + "update\\update.exe", "the new updater");

  HelperProcess running("--sleep", "2000", updater);
  ASSERT_TRUE(running.Running());
  const std::string script = WriteSelfReplaceScript(folder);
  ASSERT_TRUE(platform::ShellExecuteA(0, "OPEN", script, "", "", platform::SW_HIDE));

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool replacedWhileRunning = false;
  while (std::chrono::steady_clock::now() < deadline &&
         (platform::FileExists(script) || ReadAll(updater) != "the new updater")) {
    if (running.Running() && platform::FileExists(updater) && ReadAll(updater) != old) replacedWhileRunning = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_FALSE(replacedWhileRunning);
  EXPECT_FALSE(running.Running());
  EXPECT_EQ(ReadAll(updater), "the new updater");
  EXPECT_FALSE(platform::FileExists(script));
}

}  // namespace
}  // namespace brimsel
