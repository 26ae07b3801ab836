#pragma once
// The repair scan: rebuilds the entry list of a damaged archive from its local headers.

#include <cstdint>
#include <functional>

#include "archive/archive_stream.h"
#include "archive/directory/zip_obj.h"

namespace brimsel {

// Where the local headers of a self-extracting ".EXE" archive are searched from.
inline constexpr std::uint64_t kExeScanStart = 14000;
// The pump runs after every so many bytes while the scan looks for the first signature.
inline constexpr std::uint64_t kScanPumpInterval = 10240;

struct RepairScanOptions {
  bool selfExtracting = false;  // the archive's extension is ".EXE"
  TOEMConvert oem = TOEMConvert::oemAlways;
  std::function<void()> pump;   // may be empty
};

// Looks for the first local header (whose version-needed high byte is below 10), then reads
// local headers one after another into `entries` (cleared first) until one cannot be read.
// False when no usable local header signature is found. On success the stream stands
// where the scan ended: at the first byte that is not a readable local header, normally
// the start of the central directory.
bool RepairScan(TArchiveStream& stream, const RepairScanOptions& options, TSortedEntries& entries);

}  // namespace brimsel
