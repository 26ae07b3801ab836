#pragma once
// Update.ini in a temporary folder, and values enciphered as the updater reads them.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "settings/settings_cipher.h"
#include "support/temp_dir.h"

namespace brimsel {

inline std::string Enciphered(std::string_view plain) { return EncryptToHexText(plain, kSettingsKeyString); }

class SettingsFileTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir.WinPath() + "Update.ini"; }
  void Make(std::string_view content) const { dir.Write("Update.ini", content); }
  std::string Content() const { return test::TempDir::Read(dir.path() / "Update.ini"); }

  test::TempDir dir;
};

}  // namespace brimsel
