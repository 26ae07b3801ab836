#pragma once
// A small volume of its own for a piece of a test: a tmpfs of a given size mounted on a
// folder in a mount namespace that only a forked child sees. The child runs the piece and
// reports back in a text; the volume goes with it, whatever happens. Needs root (or
// CAP_SYS_ADMIN); without it the test is skipped.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace brimsel::test {

// What `piece` returned in a child that sees a tmpfs of `bytes` on `folder`; nothing, with
// `why` set, when the volume could not be made or the child did not finish within 60 s.
std::optional<std::string> RunOnPrivateVolume(const std::filesystem::path& folder, std::size_t bytes,
                                              const std::function<std::string()>& piece, std::string& why);

}  // namespace brimsel::test
