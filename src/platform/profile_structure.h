#pragma once
// What a settings line is made of, as both profile implementations read it: the Linux one
// that parses the file itself and the Windows one that checks in front of the system's own
// functions. Kept in one place so that both refuse the same writes.

#include <string_view>

namespace brimsel::platform::profile_structure {

// Blanks around names and values do not count.
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// True when writing `value` under `key` in `section` would add a line, a section or a
// comment, or make a key that reads back differently: such a write is refused.
bool ChangesStructure(std::string_view section, std::string_view key, std::string_view value);

}  // namespace brimsel::platform::profile_structure
