#pragma once
// Reading the records of a zip directory: the end record (with the Zip64 locator and end
// record) and one central record at a time. Every read is checked against the bytes the
// file really has; nothing is trusted that would lead outside a buffer.

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/archive_stream.h"
#include "archive/directory/zip_obj.h"
#include "archive/directory/zip_records.h"

namespace brimsel {

// The largest comment (65535 bytes) plus the end record.
inline constexpr std::size_t kEndRecordSearchSize = 65535 + kEndRecordSize;

// Finds the end record with one read of at most kEndRecordSearchSize bytes from the end of
// the archive and fills `end` (reset first). The signature nearest the end wins. An empty
// file counts as found (no entries); 1 to 21 bytes, a short read or no signature do not.
bool LocateEndRecord(TArchiveStream& stream, TEndRecord& end);

// Turns a stored name into the system's form: "/" becomes "\" and, when `oem` is set, the
// name is converted from the OEM code page.
void PrepareStoredName(std::string& name, bool oem);
// Splits a prepared name into FileName (after the last "\" or ":", stepping over
// double-byte characters) and Directory (up to and including it, ending in "\").
void SplitStoredName(const std::string& name, TZipEntryInfo& entry);

// Takes the Zip64 values out of an extra field: in a block with tag 0x0001 the
// uncompressed size, compressed size, local header offset and disk number start, each only
// when its stored field holds the all-ones marker. Other blocks are stepped over.
void ApplyZip64Extra(const std::uint8_t* extra, std::size_t length, TZipEntryInfo& entry);

// Reads the central record at the current position into `entry`. On success the stream
// stands after the name and the extra field that were read; `afterName` is the position
// just after the name. On failure (short read, wrong signature) the stream is back where
// it was and false is returned.
bool ReadCentralRecord(TArchiveStream& stream, TZipEntryInfo& entry, std::uint64_t& afterName);

}  // namespace brimsel
