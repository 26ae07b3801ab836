#pragma once
// The text of a profile (INI) file as the profile functions read and write it (profile.h
// says how), apart from the file that holds it.

#include <cstddef>
#include <string>
#include <string_view>

namespace brimsel::platform {

// The value of `key` in `section` of the text, cut to bufferSize - 1 bytes; `defaultValue`
// (cut alike) when the section or the key is absent.
std::string ProfileString(std::string_view file, std::string_view section, std::string_view key,
                          std::string_view defaultValue, std::size_t bufferSize);

// The text with `key` of `section` set to `value`: only that value changes, or the key or
// the section is added. Whether the write would change the file's structure is the
// caller's to check first (profile_structure.h).
std::string ProfileWithValue(const std::string& file, std::string_view section, std::string_view key,
                             std::string_view value);

}  // namespace brimsel::platform
