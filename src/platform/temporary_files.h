#pragma once
// The temporary files that this system's writes leave when their process is killed: a copy
// (CopyFileA) and a settings write go to a new file beside their target first and rename
// it over the target once it is whole. Each has a name of its own making, which no other
// file in the folder can have by chance.

#include <string>
#include <string_view>
#include <vector>

namespace brimsel::platform {

// Removes such files from the folder `folder` (ending in "\"), not from its subfolders,
// and returns the names removed. Only a writer that still works on one of them could miss
// it: call it when no other writer of this system works on the folder.
std::vector<std::string> RemoveLeftoverTemporaryFiles(std::string_view folder);

}  // namespace brimsel::platform
