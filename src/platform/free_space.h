#pragma once
// The room left on a volume, so that work that would fill the disk can be refused before
// it starts.

#include <cstdint>
#include <optional>
#include <string_view>

namespace brimsel::platform {

// The bytes that the calling user may still write on the volume that holds `folder` (a
// Windows path of an existing folder); nothing when the system cannot tell.
std::optional<std::uint64_t> FreeSpaceOf(std::string_view folder);

}  // namespace brimsel::platform
