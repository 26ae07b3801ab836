#pragma once
// Starting a program that lives on by itself: the way ShellExecuteA starts things.

#include <filesystem>
#include <string>
#include <vector>

namespace brimsel::platform {

// Runs `program` with `arguments` (argv[1] on) in `workingFolder`, in a session of its own,
// with standard input, output and error on /dev/null and no other descriptor of the
// caller; the program is a grandchild that the caller never has to wait for. Returns
// true once the program has been executed, false when it could not be.
bool StartDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder);

}  // namespace brimsel::platform
