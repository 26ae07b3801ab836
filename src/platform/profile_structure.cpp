#include "platform/profile_structure.h"

namespace brimsel::platform::profile_structure {

bool ChangesStructure(std::string_view section, std::string_view key, std::string_view value) {
  auto hasLineBreak = [](std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; };
  const std::string_view trimmedKey = Trim(key);
  return hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value) ||
         section.find(']') != std::string_view::npos || Trim(section).empty() ||
         key.find('=') != std::string_view::npos || trimmedKey.empty() || trimmedKey.front() == '[' ||
         trimmedKey.front() == ';';
}

}  // namespace brimsel::platform::profile_structure
