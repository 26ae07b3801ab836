#include "platform/free_space.h"

#include <string>

#include "platform/windows/windows_api.h"

namespace brimsel::platform {

std::optional<std::uint64_t> FreeSpaceOf(std::string_view folder) {
  ULARGE_INTEGER availableToCaller{};
  const std::string text(folder);
  if (folder.empty() || !::GetDiskFreeSpaceExA(text.c_str(), &availableToCaller, nullptr, nullptr)) return std::nullopt;
  return availableToCaller.QuadPart;
}

}  // namespace brimsel::platform
