// libFuzzer target: any bytes as Update.ini, read in memory as the window's show handler and
// the update check read it (profile lines, the DES-hex values deciphered, the package name
// rule, the homepage rule, LastUpdate as a date), then changed as the installation step
// changes it (LastUpdate written) and as `updtool ini set` does (an enciphered value).
//
// Faults besides the sanitizers': an error other than the two a bad value may raise; a
// written value that does not read back as written; a write that changes another value of
// the section.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/exception.h"
#include "platform/locale.h"
#include "platform/posix/profile_text.h"
#include "platform/profile.h"
#include "platform/profile_structure.h"
#include "settings/settings_cipher.h"
#include "settings/settings_file.h"

namespace {

using brimsel::platform::ProfileString;

constexpr const char* kKeys[] = {brimsel::kKeyTitle, brimsel::kKeyVersion, brimsel::kKeyHomepage,
                                 brimsel::kKeyPackageName, brimsel::kKeyLastUpdate};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::abort();
}

brimsel::SettingReader ReaderOf(const std::string& file) {
  return [&file](std::string_view key, std::string_view defaultValue) {
    return ProfileString(file, brimsel::kSettingsSection, key, defaultValue, brimsel::platform::kProfileBufferSize);
  };
}

// Every key of the section as the reads see it, "\x01" standing for an absent one.
std::string Snapshot(const std::string& file, std::string_view except) {
  std::string values;
  for (const char* key : kKeys) {
    if (key != except) values += ProfileString(file, brimsel::kSettingsSection, key, "\x01", 4096) + '\n';
  }
  return values;
}

// Writes `value` under `key` as the profile function would and checks what reads back.
std::string Write(const std::string& file, const char* key, const std::string& value) {
  if (brimsel::platform::profile_structure::ChangesStructure(brimsel::kSettingsSection, key, value)) return file;
  const std::string written = brimsel::platform::ProfileWithValue(file, brimsel::kSettingsSection, key, value);
  if (ProfileString(written, brimsel::kSettingsSection, key, "\x01", 4096) != value)
    Fail(std::string("the value written under ") + key + " does not read back");
  if (Snapshot(written, key) != Snapshot(file, key)) Fail(std::string("writing ") + key + " changed another value");
  return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  brimsel::ShowTimeSettings values;
  try {
    brimsel::ReadShowTimeSettings(ReaderOf(file), values);
    if (values.homepage.empty() || values.homepage.back() != '/') Fail("a homepage without its final /");
  } catch (const brimsel::Exception& error) {
    const std::string_view message = error.what();
    if (message != brimsel::kNotHexStringError && !message.starts_with(brimsel::kBadPackageName))
      Fail("an unexpected error: " + std::string(message));
  }
  const brimsel::platform::DateTime lastUpdate = brimsel::ReadLastUpdate(ReaderOf(file));

  // The installation records a release date; the next check must read that very date.
  const brimsel::platform::DateTime release{lastUpdate.days + 1, lastUpdate.seconds};
  const std::string recorded = Write(file, brimsel::kKeyLastUpdate, brimsel::platform::DateTimeToStr(release));
  if (brimsel::ReadLastUpdate(ReaderOf(recorded)) != release) Fail("LastUpdate does not read back as written");

  // An enciphered value, as the vendor's tool sets it, deciphers to what was enciphered.
  const std::string title = values.title.empty() ? "Brimsel" : values.title.substr(0, 64);
  const std::string retitled = Write(recorded, brimsel::kKeyTitle, brimsel::EncryptToHexText(title, brimsel::kSettingsKeyString));
  const std::string deciphered = brimsel::DecryptHexText(ReaderOf(retitled)(brimsel::kKeyTitle, ""), brimsel::kSettingsKeyString);
  std::string expected = title;  // the cipher pads with NUL bytes and takes them off again
  while (!expected.empty() && expected.back() == '\0') expected.pop_back();
  if (deciphered != expected) Fail("the title does not decipher to what was written");
  return 0;
}
