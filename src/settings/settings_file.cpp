#include "settings/settings_file.h"

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "settings/settings_cipher.h"

namespace brimsel {

std::string SettingsPath() { return platform::InstallationFolder() + kSettingsFileName; }

std::string ReadSetting(const std::string& settingsPath, std::string_view section, std::string_view key,
                        std::string_view defaultValue) {
  return platform::GetPrivateProfileStringA(section, key, defaultValue, settingsPath, platform::kProfileBufferSize);
}

void WriteSetting(const std::string& settingsPath, std::string_view section, std::string_view key,
                  std::string_view value) {
  if (!platform::WritePrivateProfileStringA(section, key, value, settingsPath))
    throw Exception("Unable to write to " + settingsPath);
}

namespace {

SettingReader ReaderOf(const std::string& settingsPath) {
  return [&settingsPath](std::string_view key, std::string_view defaultValue) {
    return ReadSetting(settingsPath, kSettingsSection, key, defaultValue);
  };
}

}  // namespace

void ReadShowTimeSettings(const std::string& settingsPath, ShowTimeSettings& values) {
  ReadShowTimeSettings(ReaderOf(settingsPath), values);
}

platform::DateTime ReadLastUpdate(const std::string& settingsPath) { return ReadLastUpdate(ReaderOf(settingsPath)); }

void ReadShowTimeSettings(const SettingReader& read, ShowTimeSettings& values) {
  auto readDeciphered = [&](const char* key) { return DecryptHexText(read(key, ""), kSettingsKeyString); };
  values.title = readDeciphered(kKeyTitle);
  values.version = readDeciphered(kKeyVersion);
  values.homepage = readDeciphered(kKeyHomepage);
  // The package name becomes a file name in the staging folder and a part of the package
  // URL; a package may ship its own Update.ini, so a server can choose the next run's value.
  std::string packageName = readDeciphered(kKeyPackageName);
  if (!packageName.empty()) {
    platform::NameFault fault = platform::JudgeFileName(packageName);
    // DEL may stand in a file name, but not in a URL.
    if (fault == platform::NameFault::kNone && packageName.find('\x7F') != std::string::npos)
      fault = platform::NameFault::kControlCharacter;
    if (fault != platform::NameFault::kNone)
      throw Exception(std::string(kBadPackageName) + platform::NameFaultTextGbk(fault));
  }
  values.packageName = std::move(packageName);
  if (values.homepage.empty() || values.homepage.back() != '/') values.homepage += '/';
}

platform::DateTime ReadLastUpdate(const SettingReader& read) {
  const std::string text = read(kKeyLastUpdate, kDefaultLastUpdate);
  if (std::optional<platform::DateTime> date = platform::TryStrToDate(text)) return *date;
  return platform::StrToDate(kDefaultLastUpdate);
}

void WriteLastUpdate(const std::string& settingsPath, platform::DateTime releaseDate) {
  WriteSetting(settingsPath, kSettingsSection, kKeyLastUpdate, platform::DateTimeToStr(releaseDate));
}

}  // namespace brimsel
