// The Windows build against the system itself: the user's short date format, a copy onto
// a running program and the reason it is refused, update.bat carried out (and killed) by the
// system's command interpreter, the temporary files of copies, and the lock of an
// installation folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/self_replacement.h"
#include "app/update_log.h"
#include "platform/copy_file.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "platform/free_space.h"
#include "platform/locale.h"
#include "platform/shell_execute.h"
#include "platform/temporary_files.h"
#include "platform/windows/windows_text.h"
#include "support/temp_dir.h"
#include "support/whole_file_watch.h"
#include "windows_test_support.h"

#include <tlhelp32.h>

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

// An installation folder with a running update.exe (a copy of test_helper), a new one
// staged, and what the updater makes of them: update.exe.new beside the old one and update.bat.
struct Installation {
  explicit Installation(const std::string& folderName) : folder(dir.WinPath() + folderName + "\\") {
    EXPECT_TRUE(platform::ForceDirectories(folder + "update"));
    EXPECT_TRUE(::CopyFileA(test::HelperPath().c_str(), (folder + "update.exe").c_str(), FALSE));
    oldUpdater = ReadAll(folder + "update.exe");
    WriteAll(folder + "update\\update.exe", "the new updater");
    PrepareSelfReplacement(folder);
  }
  std::string Read(const std::string& name) const { return ReadAll(folder + name); }
  bool Done() const { return !platform::FileExists(folder + "update.bat") && Read("update.exe") == "the new updater"; }

  TempDir dir;
  std::string folder;
  std::string oldUpdater;
};

bool WaitUntil(const std::function<bool()>& condition, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// The command interpreters this process started (the scripts it ran), ended as a kill
// would end them.
int KillCommandInterpreters() {
  int killed = 0;
  platform::windows::Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID != ::GetCurrentProcessId() || ::lstrcmpiA(entry.szExeFile, "cmd.exe") != 0) continue;
    platform::windows::Handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (process.valid() && ::TerminateProcess(process.get(), 1)) {
      ::WaitForSingleObject(process.get(), 5000);
      ++killed;
    }
  }
  return killed;
}

// The folder of a Chinese installation: "升级 测试" holds a space and double-byte characters.
TEST(SelfReplacement, TheScriptWaitsForTheUpdaterThenRenamesTheNewOneInPlaceAndDeletesItself) {
  Installation inst("\xC9\xFD\xBC\xB6 \xB2\xE2\xCA\xD4");
  test::WholeFileWatch watch(inst.folder + "update.exe", {inst.oldUpdater, "the new updater"});
  {
    HelperProcess running("--sleep", "3000", inst.folder + "update.exe");
    ASSERT_TRUE(running.Running());
    ASSERT_TRUE(StartSelfReplacement(inst.folder));
    EXPECT_TRUE(running.WaitForEnd(10000));
  }
  EXPECT_TRUE(WaitUntil([&] { return inst.Done(); }, std::chrono::seconds(60)));
  EXPECT_FALSE(platform::FileExists(inst.folder + "update.exe.new"));
  EXPECT_EQ(watch.Stop(), 0) << "a look found no whole update.exe";
}

// cmd.exe reads "%" in a batch line, inside quotes as well, and on its own command line.
// Beside each installation lies the folder that its name would become if "%" were read
// in place: that one stays as it is.
TEST(SelfReplacement, FoldersWithPercentSignsAreReplacedInAndNoOther) {
  const std::pair<const char*, const char*> folders[] = {
      {"a%b", "ab"}, {"v%x%w", "vw"}, {"a%%b", "a%b"}, {"p%PATH%q", "pq"}, {"x%0y", "xy"}};
  std::vector<std::unique_ptr<Installation>> installations;
  for (const auto& [name, decoy] : folders) {
    installations.push_back(std::make_unique<Installation>(name));
    Installation& inst = *installations.back();
    const std::string other = inst.dir.WinPath() + decoy + "\\";
    ASSERT_TRUE(platform::ForceDirectories(other + "update"));
    for (const char* file : {"update.exe", "update.exe.new", "update\\update.exe", "update.bat"})
      WriteAll(other + file, "the decoy's");
    ASSERT_TRUE(StartSelfReplacement(inst.folder)) << name;  // nothing runs its update.exe
  }
  for (std::size_t i = 0; i < installations.size(); ++i) {
    const Installation& inst = *installations[i];
    SCOPED_TRACE(folders[i].first);
    EXPECT_TRUE(WaitUntil([&] { return inst.Done(); }, std::chrono::seconds(60)));
    const std::string other = inst.dir.WinPath() + folders[i].second + "\\";
    for (const char* file : {"update.exe", "update.exe.new", "update\\update.exe", "update.bat"})
      EXPECT_EQ(ReadAll(other + file), "the decoy's") << file;
  }
}

// The script killed while it waits, as the updater that started it goes on running: the
// next start of the updater (its repair at start) finishes the replacement.
TEST(SelfReplacement, TheNextStartFinishesWhatAKilledScriptLeft) {
  Installation inst("\xC9\xFD\xBC\xB6");
  HelperProcess running("--sleep", "60000", inst.folder + "update.exe");
  ASSERT_TRUE(running.Running());
  ASSERT_TRUE(StartSelfReplacement(inst.folder));
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the moment of the kill: while it waits
  EXPECT_GE(KillCommandInterpreters(), 1);
  EXPECT_EQ(inst.Read("update.exe"), inst.oldUpdater);
  ASSERT_TRUE(platform::FileExists(inst.folder + "update.bat"));

  UpdateLog log;
  log.Start(inst.folder + "update", "test");
  FinishInterruptedSelfReplacement(inst.folder, log);
  EXPECT_NE(ReadAll(log.Path()).find("started"), std::string::npos) << ReadAll(log.Path());
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_EQ(inst.Read("update.exe"), inst.oldUpdater) << "replaced while it runs";
  ::TerminateProcess(running.Process(), 1);
  EXPECT_TRUE(WaitUntil([&] { return inst.Done(); }, std::chrono::seconds(60)));
}

// The temporary file of a copy is the system's own (GetTempFileNameA): a copy killed half
// way leaves one, and the next run removes it, and no other file.
TEST(TemporaryFiles, ThoseOfKilledCopiesAreRemovedAndNoOthers) {
  TempDir dir;
  char made[MAX_PATH + 16];
  ASSERT_NE(::GetTempFileNameA(dir.WinPath().c_str(), "~up", 0, made), 0u);
  for (const char* other : {"~upxyz.tmp", "a~up1.tmp", "~up12345.tmp", "~up1.txt", "other.tmp"}) WriteAll(dir.WinPath() + other, "kept");
  const std::vector<std::string> removed = platform::RemoveLeftoverTemporaryFiles(dir.WinPath());
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(dir.WinPath() + removed[0], made);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 5);
}

// The lock is a named mutex of the folder, whatever way the folder is spelt, and it goes
// with the process that holds it.
TEST(FolderLock, IsHeldByOneProcessPerFolderUntilItEnds) {
  TempDir dir;
  const std::string folder = dir.WinPath() + "\xB2\xE2\xCA\xD4 folder\\";
  ASSERT_TRUE(platform::ForceDirectories(folder + "update"));
  {
    HelperProcess holder("--lock", folder);
    ASSERT_TRUE(WaitUntil([&] { return platform::FileExists(folder + "update\\locked"); }, std::chrono::seconds(20)));
    std::string upper = folder;
    ::CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    for (const std::string& spelling : {folder, upper, folder.substr(0, folder.size() - 1)})
      EXPECT_EQ(platform::FolderLock(spelling, folder + "update").outcome(), platform::FolderLock::Outcome::kHeldElsewhere)
          << spelling;
    EXPECT_EQ(platform::FolderLock(dir.WinPath(), dir.WinPath() + "update").outcome(), platform::FolderLock::Outcome::kTaken);
    ::TerminateProcess(holder.Process(), 1);
    ASSERT_TRUE(holder.WaitForEnd(10000));
  }
  EXPECT_EQ(platform::FolderLock(folder, folder + "update").outcome(), platform::FolderLock::Outcome::kTaken);
}

}  // namespace
}  // namespace brimsel
