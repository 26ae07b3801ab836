// Update.ini as the updater uses it: the show-time reads, LastUpdate, and write failures.
#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "settings/settings_cipher.h"
#include "support/temp_dir.h"

namespace brimsel {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

std::string Enciphered(std::string_view plain) { return EncryptToHexText(plain, kSettingsKeyString); }

class SettingsFileTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir.WinPath() + "Update.ini"; }
  void Make(std::string_view content) const { dir.Write("Update.ini", content); }
  std::string Content() const { return TempDir::Read(dir.path() / "Update.ini"); }

  TempDir dir;
};

TEST_F(SettingsFileTest, ShowTimeValuesAreDecipheredAndTheHomepageEndsInASlash) {
  ShowTimeSettings values;
  ReadShowTimeSettings(Path(), values);
  EXPECT_EQ(values.title, "");
  EXPECT_EQ(values.version, "");
  EXPECT_EQ(values.homepage, "/");
  EXPECT_EQ(values.packageName, "");
  EXPECT_FALSE(fs::exists(dir.path() / "Update.ini"));  // reading never creates it

  const std::string title = platform::Utf8ToGbk("在线升级 Brimsel");
  Make("[main]\r\ntitle=" + Enciphered(title) + "\r\nversion=" + Enciphered("3.1") +
       "\r\nhomepage=" + Enciphered("http://www.example.com") + "\r\nFSoftName=" + Enciphered("brimsel31") + "\r\n");
  ReadShowTimeSettings(Path(), values);
  EXPECT_EQ(values.title, title);
  EXPECT_EQ(values.version, "3.1");
  EXPECT_EQ(values.homepage, "http://www.example.com/");
  EXPECT_EQ(values.packageName, "brimsel31");

  Make("[main]\nhomepage=" + Enciphered("http://www.example.com/") + "\n");
  ReadShowTimeSettings(Path(), values);
  EXPECT_EQ(values.homepage, "http://www.example.com/");
}

TEST_F(SettingsFileTest, AValueThatIsNotHexStopsTheReadsWhereItIs) {
  Make("[main]\ntitle=" + Enciphered("Brimsel") + "\nversion=not hex\nhomepage=" + Enciphered("http://h") +
       "\nFSoftName=" + Enciphered("pkg") + "\n");
  ShowTimeSettings values;
  try {
    ReadShowTimeSettings(Path(), values);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Error: not a Hex String");
  }
  EXPECT_EQ(values.title, "Brimsel");
  EXPECT_EQ(values.version, "");
  EXPECT_EQ(values.homepage, "");  // no "/" either
  EXPECT_EQ(values.packageName, "");
}

TEST_F(SettingsFileTest, AValueLongerThan2047CharactersIsCutBeforeDeciphering) {
  std::string plain;
  for (int i = 0; i < 1100; ++i) plain.push_back(static_cast<char>('a' + i % 26));
  Make("[main]\ntitle=" + Enciphered(plain) + "\n");
  ShowTimeSettings values;
  ReadShowTimeSettings(Path(), values);
  EXPECT_EQ(values.title, plain.substr(0, 1016));  // 2047 digits: 127 whole blocks
}

// Read afresh each time; anything but a date in the short format falls back to 2005-1-1.
TEST_F(SettingsFileTest, LastUpdateIsReadPlainAndDefaultsTo2005) {
  const platform::DateTime first = *platform::TryStrToDate("2005-1-1");
  EXPECT_EQ(ReadLastUpdate(Path()), first);
  const struct {
    const char* value;
    platform::DateTime expected;
  } rows[] = {{"2026-12-7", *platform::TryStrToDate("2026-12-7")},
              {"yesterday", first},
              {"2026-12-7 13:05", *platform::TryStrToDate("2026-12-7 13:05")},
              {"2005/6/1", first},
              {"", first}};
  for (const auto& row : rows) {
    Make(std::string("[main]\nLastUpdate=") + row.value + "\n");
    EXPECT_EQ(ReadLastUpdate(Path()), row.expected) << row.value;
  }
}

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

TEST_F(SettingsFileTest, AFailedWriteRaisesWithTheSettingsPath) {
  const std::string missing = dir.WinPath() + "missing\\Update.ini";
  try {
    WriteLastUpdate(missing);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unable to write to " + missing);
  }

  Make("[main]\nLastUpdate=2005-1-1\n");
  ASSERT_TRUE(platform::SetFileAttributes(Path(), platform::kAttributeReadOnly));
  EXPECT_THROW(WriteSetting(Path(), "main", "LastUpdate", "2026-12-7"), Exception);
  EXPECT_EQ(Content(), "[main]\nLastUpdate=2005-1-1\n");
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
