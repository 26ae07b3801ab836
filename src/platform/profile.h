#pragma once
// The Windows profile (INI file) functions, with the behaviour hand-edited files rely on:
// section and key names match without regard to ASCII letter case; blanks around the key
// and the value are dropped; a value in matching double or single quotes comes back
// without them; lines starting with ";" are comments; of two sections with the same name
// only the first is seen. The file is read anew on every call.

#include <cstddef>
#include <string>
#include <string_view>

namespace brimsel::platform {

// The size of the caller's buffer, terminating NUL included, that the settings reads use.
inline constexpr std::size_t kProfileBufferSize = 2048;
// A larger file is no settings file: it reads as absent and is not written.
inline constexpr std::size_t kMaxProfileSize = 1024 * 1024;

// The value of `key` in `section` of the file at `path`, cut to bufferSize - 1 bytes;
// `defaultValue` (cut alike) when the file, the section or the key is absent, or the file
// is larger than kMaxProfileSize.
std::string GetPrivateProfileStringA(std::string_view section, std::string_view key, std::string_view defaultValue,
                                     std::string_view path, std::size_t bufferSize = kProfileBufferSize);

// Sets `key` in `section` to `value`, creating the file, the section or the key where
// missing. Only that key's value changes; every other byte of the file stays as it was,
// and a new line takes the file's own line end (CR LF for a new file). (On Windows the
// system's own function writes the new file: every section, key and value stays, but
// hand-made lines are written anew, without their blanks and blank lines, with CR LF.)
// The file is replaced as a whole, so a failure leaves it untouched. False when the file
// is read-only, its folder is missing or cannot be written, or a name or the value holds a
// line break (or "=" in the key, "]" in the section) that would change the file's structure.
bool WritePrivateProfileStringA(std::string_view section, std::string_view key, std::string_view value,
                                std::string_view path);

}  // namespace brimsel::platform
