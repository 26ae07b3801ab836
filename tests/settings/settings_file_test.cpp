// Update.ini as the updater uses it: the show-time reads, LastUpdate, and write failures.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/exception.h"
#include "platform/files.h"
#include "settings/settings_cipher.h"
#include "settings/settings_file_fixture.h"
#include "support/temp_dir.h"

namespace brimsel {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

// The values read and deciphered at show time, and a value that is not hex text, are
// checked in the window (tests/app/qt/window_show_test.cpp).
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

}  // namespace
}  // namespace brimsel
