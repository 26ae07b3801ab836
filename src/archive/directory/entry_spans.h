#pragma once
// The room each entry's data takes in the archive. In a sound archive every entry has its
// own local header and data, one after the other; entries whose data overlap share bytes,
// which is how a small archive declares far more output than it holds (a zip bomb).

#include <cstdint>
#include <vector>

#include "archive/directory/zip_obj.h"

namespace brimsel {

// True when two file entries' local header and data overlap. Each span is taken at its
// smallest (the 30-byte local header without its name and extra field, then the
// compressed data), so a sound archive never counts as overlapping.
bool EntriesOverlap(const std::vector<const TZipEntryInfo*>& entries);

}  // namespace brimsel
