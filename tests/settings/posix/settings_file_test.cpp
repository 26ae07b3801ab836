// What the Linux stand-ins do on their own: the settings file beside the executable that
// /proc names, and a write that keeps every other byte of a hand-made file.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "settings/settings_file_fixture.h"
#include "support/temp_dir.h"

namespace brimsel {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

TEST_F(SettingsFileTest, WritingLastUpdateAddsOneLineThenReplacesItsValue) {
  const std::string original =
      "; made by hand\r\n[main]\r\ntitle=" + Enciphered("Brimsel") + "\r\n\r\n[extra]\r\nk=v\r\n";
  Make(original);
  WriteLastUpdate(Path());
  const std::string today = platform::DateToStr(platform::Today());
  std::string expected = original;
  expected.insert(expected.find("\r\n\r\n[extra]") + 2, "LastUpdate=" + today + "\r\n");
  EXPECT_EQ(Content(), expected);
  EXPECT_EQ(ReadLastUpdate(Path()), platform::Today());

  WriteSetting(Path(), kSettingsSection, kKeyLastUpdate, "2005-1-1");
  expected.replace(expected.find("LastUpdate=") + 11, today.size(), "2005-1-1");
  EXPECT_EQ(Content(), expected);
}

TEST(SettingsPath, IsBesideTheExecutableWhateverTheWorkingFolder) {
  const std::string path = SettingsPath();
  EXPECT_EQ(path, platform::InstallationFolder() + "Update.ini");
  EXPECT_EQ(platform::NativePath(path), fs::read_symlink("/proc/self/exe").parent_path() / "Update.ini");
  TempDir elsewhere;
  const fs::path before = fs::current_path();
  fs::current_path(elsewhere.path());
  EXPECT_EQ(SettingsPath(), path);
  fs::current_path(before);
}

}  // namespace
}  // namespace brimsel
