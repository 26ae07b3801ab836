// A directory kept open while another archive is renamed over it, which a Windows file
// system does not allow.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "archive/unzipper_load_fixture.h"

namespace brimsel::test {
namespace {

TEST_F(UnzipperLoadTest, ArchiveKeptOpenIsReopenedWhenReplaced) {
  const std::string path = Write(TwoEntries().Build());
  unzipper_.KeepZipOpen = true;
  unzipper_.SetZipName(path);
  unzipper_.LoadDirectory();
  EXPECT_TRUE(unzipper_.ArchiveIsOpen());
  const auto loadedAt = *platform::LastWriteTime(path);

  ZipBuilder replacement;
  for (int i = 0; i < 50; ++i) replacement.Add("entry" + std::to_string(i), std::string(100, 'x'));
  const std::string other = Write(replacement.Build(), "replacement.zip");
  std::filesystem::rename(platform::NativePath(other), platform::NativePath(path));
  platform::SetLastWriteTime(path, loadedAt + std::chrono::seconds(10));
  unzipper_.LoadDirectory();
  EXPECT_EQ(50, unzipper_.EntryCount());
}

}  // namespace
}  // namespace brimsel::test
