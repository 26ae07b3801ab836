#pragma once
// Helpers of the directory tests: a component that shows its entries, archives written to
// temporary folders, and the fields of a listing line.

#include <string>
#include <string_view>
#include <vector>

#include "archive/unzipper.h"
#include "support/temp_dir.h"

namespace brimsel::test {

// TUnzipper with the entry access that extraction uses made visible.
class InspectableUnzipper : public TUnzipper {
 public:
  using TUnzipper::ArchiveIsOpen;
  using TUnzipper::EntryAt;
  using TUnzipper::ViewCount;
};

// Writes `bytes` as `name` into the folder and returns its Windows-style path.
inline std::string WriteArchive(const TempDir& dir, std::string_view name, std::string_view bytes) {
  dir.Write(name, bytes);
  return dir.WinPath() + std::string(name);
}

inline std::vector<std::string> Listing(const TUnzipper& unzipper) {
  std::vector<std::string> lines;
  unzipper.ListEntries(lines);
  return lines;
}

// The TAB-separated fields of a listing line.
inline std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.emplace_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace brimsel::test
