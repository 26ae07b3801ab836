#pragma once
// Update.ini: the settings file beside the executable. Its configuration values are
// enciphered (see settings_cipher.h) and only ever read; LastUpdate is plain and is the one
// value the updater writes. Every read and write opens the file anew; nothing is cached.

#include <functional>
#include <string>
#include <string_view>

#include "platform/locale.h"

namespace brimsel {

inline constexpr char kSettingsFileName[] = "Update.ini";
inline constexpr char kSettingsSection[] = "main";
inline constexpr char kKeyTitle[] = "title";
inline constexpr char kKeyVersion[] = "version";
inline constexpr char kKeyHomepage[] = "homepage";
inline constexpr char kKeyPackageName[] = "FSoftName";
inline constexpr char kKeyLastUpdate[] = "LastUpdate";
inline constexpr char kDefaultLastUpdate[] = "2005-1-1";

// The installation folder + "Update.ini"; never depends on the working directory.
std::string SettingsPath();

// The value of `key` in `section`, cut to 2047 bytes; `defaultValue` when the file, the
// section or the key is absent.
std::string ReadSetting(const std::string& settingsPath, std::string_view section, std::string_view key,
                        std::string_view defaultValue);
// Creates the file, section or key where missing and replaces only that key's value.
// Raises brimsel::Exception "Unable to write to <settingsPath>" on failure.
void WriteSetting(const std::string& settingsPath, std::string_view section, std::string_view key,
                  std::string_view value);

// The four configuration values, deciphered, as the window holds them.
struct ShowTimeSettings {
  std::string title;
  std::string version;
  std::string homepage;     // ends in "/" once every value has been read
  std::string packageName;  // FSoftName
};

// The start of the error's message; the reason in words follows. 错误：升级包名称（FSoftName）不是有效的文件名：
inline constexpr char kBadPackageName[] =
    "\xB4\xED\xCE\xF3\xA3\xBA\xC9\xFD\xBC\xB6\xB0\xFC\xC3\xFB\xB3\xC6\xA3\xA8" "FSoftName\xA3\xA9\xB2\xBB\xCA\xC7"
    "\xD3\xD0\xD0\xA7\xB5\xC4\xCE\xC4\xBC\xFE\xC3\xFB\xA3\xBA";

// Reads and deciphers title, version, homepage and FSoftName in that order into `values`,
// one field at a time, then makes the homepage end in "/". A value that is not hex text
// raises "Error: not a Hex String", and a package name that is not a plain file name by
// the file name rule (or holds DEL, which no URL may) raises kBadPackageName: the fields read
// before it keep their values, it and the later ones are left as they were, and the "/"
// rule is skipped. No other value of the file reaches a path.
void ReadShowTimeSettings(const std::string& settingsPath, ShowTimeSettings& values);

// LastUpdate as a date; 1 January 2005 when it is absent or not a date.
platform::DateTime ReadLastUpdate(const std::string& settingsPath);

// The same two over any source of the values of section "main": `read` gives the value of
// a key, or the default it is given, as ReadSetting does.
using SettingReader = std::function<std::string(std::string_view key, std::string_view defaultValue)>;
void ReadShowTimeSettings(const SettingReader& read, ShowTimeSettings& values);
platform::DateTime ReadLastUpdate(const SettingReader& read);
// Writes the release date of the installed update, plain, as LastUpdate: the date the
// vendor published, with its time of day when it has one, never the client's own clock,
// so that the next check compares release with release. Raises as WriteSetting does.
void WriteLastUpdate(const std::string& settingsPath, platform::DateTime releaseDate);

}  // namespace brimsel
