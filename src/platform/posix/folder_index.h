#pragma once
// Finding a name in a folder without regard to letter case, as Windows does, at a constant
// cost per look-up. Each folder looked in gets an index of its names by their lowered
// form: built by one read of the folder, kept current by the files this program creates,
// and built anew when the folder has changed in any other way (its identity, time or size
// is not what the index last saw). A change by another program within the same tick of
// the file system's clock as this program's last creation there can go unseen.

#include <filesystem>
#include <optional>
#include <string>

struct stat;

namespace brimsel::platform {

// The entry of `folder` (native; empty for the current folder) whose name equals `name`
// without regard to ASCII letter case, as it is spelt in the folder; nothing when none.
// Of two such entries either may be taken. `folderStatus`, when given, is what stat said
// of the folder a moment ago, and spares the index looking at it again.
std::optional<std::string> FindNameIgnoringCase(const std::filesystem::path& folder, const std::string& name,
                                                const struct stat* folderStatus = nullptr);

// Tell the index that this program has just created or removed the file at `path` (native).
void NoteNameAdded(const std::filesystem::path& path);
void NoteNameRemoved(const std::filesystem::path& path);

}  // namespace brimsel::platform
