// "updtool ini set" and "updtool ini get": making and checking Update.ini. The configuration
// values are stored enciphered under the settings key string, LastUpdate plain. Values are
// given and printed in UTF-8 and stored in GBK, as the updater reads them.
#include <filesystem>
#include <iostream>
#include <optional>

#include "platform/codepage.h"
#include "platform/command_line.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "settings/settings_cipher.h"
#include "settings/settings_file.h"
#include "updtool/command.h"
#include "updtool/gbk_text.h"

namespace brimsel::updtool {
namespace {

constexpr const char* kKnownKeys[] = {kKeyTitle, kKeyVersion, kKeyHomepage, kKeyPackageName, kKeyLastUpdate};

// The key as the updater spells it; nothing for a key the updater does not read.
std::optional<std::string> CanonicalKey(const std::string& key) {
  for (const char* known : kKnownKeys)
    if (platform::SameTextIgnoringCase(key, known)) return std::string(known);
  return std::nullopt;
}

struct IniArguments {
  bool plain = false;  // store or show the value as it is, not enciphered
  std::string file;    // as given, for messages
  std::string settingsPath;
  std::string key;
  std::string value;
};

// Parses "[--plain] FILE KEY [VALUE]"; on a usage error returns the exit code in `exitCode`.
std::optional<IniArguments> ParseArguments(const Arguments& args, bool withValue, int& exitCode) {
  IniArguments parsed;
  std::vector<std::string> words;
  for (const std::string& arg : args) {
    if (arg == "--plain") {
      parsed.plain = true;
    } else if (arg.starts_with("--")) {
      exitCode = UsageError("unknown option '" + arg + "'");
      return std::nullopt;
    } else {
      words.push_back(arg);
    }
  }
  const std::size_t wanted = withValue ? 3 : 2;
  if (words.size() != wanted) {
    exitCode = UsageError(withValue ? "ini set takes FILE KEY VALUE" : "ini get takes FILE KEY");
    return std::nullopt;
  }
  const std::optional<std::string> key = CanonicalKey(words[1]);
  if (!key) {
    exitCode = UsageError("unknown key '" + words[1] + "' (known: title, version, homepage, FSoftName, LastUpdate)");
    return std::nullopt;
  }
  if (words[0].empty()) {
    exitCode = UsageError("FILE is empty");
    return std::nullopt;
  }
  if (auto refused = RefuseFolder(words[0])) {
    exitCode = *refused;
    return std::nullopt;
  }
  const std::filesystem::path native = std::filesystem::absolute(platform::PathFromUtf8(words[0]));
  if (!ToGbk(platform::Utf8OfPath(native))) {
    exitCode = Failure("the path '" + words[0] + "' has characters the system code page cannot hold");
    return std::nullopt;
  }
  parsed.file = words[0];
  parsed.settingsPath = platform::WindowsPath(native);
  parsed.key = *key;
  if (withValue) {
    const std::optional<std::string> value = ToGbk(words[2]);
    if (!value) {
      exitCode = Failure("the value has characters the system code page (GBK) cannot hold");
      return std::nullopt;
    }
    parsed.value = *value;
  }
  return parsed;
}

bool IsPlainKey(const IniArguments& args) { return args.plain || args.key == kKeyLastUpdate; }

int RunSet(const Arguments& args) {
  int exitCode = 0;
  const std::optional<IniArguments> parsed = ParseArguments(args, true, exitCode);
  if (!parsed) return exitCode;
  // The updater would read such a value as 2005-1-1 and offer every release again.
  if (parsed->key == kKeyLastUpdate && !platform::TryStrToDate(parsed->value))
    return Failure("'" + args.back() + "' is not a date like 2005-1-1; nothing written");
  const std::string stored = IsPlainKey(*parsed) ? parsed->value : EncryptToHexText(parsed->value, kSettingsKeyString);
  try {
    WriteSetting(parsed->settingsPath, kSettingsSection, parsed->key, stored);
  } catch (const Exception&) {
    return Failure("unable to write to " + parsed->file + " (missing folder or read-only file?)");
  }
  return 0;
}

int RunGet(const Arguments& args) {
  int exitCode = 0;
  const std::optional<IniArguments> parsed = ParseArguments(args, false, exitCode);
  if (!parsed) return exitCode;
  if (!platform::FileExists(parsed->settingsPath)) return Failure("no such file: " + parsed->file);
  try {
    const std::string stored = ReadSetting(parsed->settingsPath, kSettingsSection, parsed->key, "");
    const std::string value = IsPlainKey(*parsed) ? stored : DecryptHexText(stored, kSettingsKeyString);
    std::cout << platform::GbkToUtf8(value) << "\n";
  } catch (const Exception& e) {
    return Failure(parsed->key + ": " + platform::GbkToUtf8(e.Message()));
  }
  return 0;
}

const Command iniSet("ini set",
                     "  ini set [--plain] FILE KEY VALUE\n"
                     "      store VALUE (UTF-8) under KEY in section main of FILE, enciphered with the\n"
                     "      settings key; LastUpdate, and every key with --plain, is stored as given",
                     RunSet);
const Command iniGet("ini get",
                     "  ini get [--plain] FILE KEY\n"
                     "      print the deciphered value of KEY (LastUpdate, and --plain, as stored)",
                     RunGet);

}  // namespace
}  // namespace brimsel::updtool
