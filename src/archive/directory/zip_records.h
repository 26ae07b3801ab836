#pragma once
// The records of a zip archive as PKWARE's application note lays them out: their
// signatures, their sizes and the offset of every field the component reads (and the
// package writer writes), each named once. All integers in them are little-endian.

#include <cstddef>
#include <cstdint>

namespace brimsel {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kEndRecordSignature = 0x06054b50;
inline constexpr std::uint32_t kZip64EndRecordSignature = 0x06064b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
// The optional signature of a data descriptor.
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074b50;

// The tag of the Zip64 block of an extra field.
inline constexpr std::uint16_t kZip64ExtraTag = 0x0001;

inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndRecordSize = 22;
inline constexpr std::size_t kZip64LocatorSize = 20;
// The fixed part of the Zip64 end record; what follows it is not read.
inline constexpr std::size_t kZip64EndRecordReadSize = 56;
// A data descriptor with its signature: CRC-32 and the two 32-bit sizes.
inline constexpr std::size_t kDataDescriptorSize = 16;
// A local header's Zip64 block read whole: tag, size and all four values.
inline constexpr std::size_t kZip64LocalBlockSize = 32;

// Local file header; the name and the extra field follow it, then the entry's data.
namespace local_header {
inline constexpr std::size_t kSignature = 0;
inline constexpr std::size_t kVersionNeeded = 4;
inline constexpr std::size_t kFlags = 6;
inline constexpr std::size_t kMethod = 8;
inline constexpr std::size_t kDosDateTime = 10;  // time in the low word, date in the high word
inline constexpr std::size_t kCrc32 = 14;
inline constexpr std::size_t kCompressedSize = 18;
inline constexpr std::size_t kUncompressedSize = 22;
inline constexpr std::size_t kNameLength = 26;
inline constexpr std::size_t kExtraLength = 28;
}  // namespace local_header

// Central directory header; the name, the extra field and the comment follow it.
namespace central_header {
inline constexpr std::size_t kSignature = 0;
inline constexpr std::size_t kVersionMadeBy = 4;
inline constexpr std::size_t kVersionNeeded = 6;
inline constexpr std::size_t kFlags = 8;
inline constexpr std::size_t kMethod = 10;
inline constexpr std::size_t kDosDateTime = 12;
inline constexpr std::size_t kCrc32 = 16;
inline constexpr std::size_t kCompressedSize = 20;
inline constexpr std::size_t kUncompressedSize = 24;
inline constexpr std::size_t kNameLength = 28;
inline constexpr std::size_t kExtraLength = 30;
inline constexpr std::size_t kCommentLength = 32;
inline constexpr std::size_t kDiskNumberStart = 34;
inline constexpr std::size_t kInternalAttributes = 36;
inline constexpr std::size_t kExternalAttributes = 38;
inline constexpr std::size_t kLocalHeaderOffset = 42;
}  // namespace central_header

// End of central directory record; the archive comment follows it.
namespace end_record {
inline constexpr std::size_t kSignature = 0;
inline constexpr std::size_t kThisDisk = 4;
inline constexpr std::size_t kStartDisk = 6;
inline constexpr std::size_t kEntriesThisDisk = 8;
inline constexpr std::size_t kTotalEntries = 10;
inline constexpr std::size_t kDirectorySize = 12;
inline constexpr std::size_t kDirectoryOffset = 16;
inline constexpr std::size_t kCommentLength = 20;
}  // namespace end_record

// Zip64 end of central directory locator, directly before the end record.
namespace zip64_locator {
inline constexpr std::size_t kSignature = 0;
inline constexpr std::size_t kEndRecordDisk = 4;
inline constexpr std::size_t kEndRecordOffset = 8;
inline constexpr std::size_t kNumberOfDisks = 16;
}  // namespace zip64_locator

// Zip64 end of central directory record.
namespace zip64_end_record {
inline constexpr std::size_t kSignature = 0;
inline constexpr std::size_t kRecordSize = 4;
inline constexpr std::size_t kVersionMadeBy = 12;
inline constexpr std::size_t kVersionNeeded = 14;
inline constexpr std::size_t kThisDisk = 16;
inline constexpr std::size_t kStartDisk = 20;
inline constexpr std::size_t kEntriesThisDisk = 24;
inline constexpr std::size_t kTotalEntries = 32;
inline constexpr std::size_t kDirectorySize = 40;
inline constexpr std::size_t kDirectoryOffset = 48;
}  // namespace zip64_end_record

// One block of an extra field: its header, then its data.
namespace extra_block {
inline constexpr std::size_t kTag = 0;
inline constexpr std::size_t kDataSize = 2;
inline constexpr std::size_t kHeaderSize = 4;
}  // namespace extra_block

// The Zip64 block of a local header, all four values present.
namespace zip64_local_block {
inline constexpr std::size_t kUncompressedSize = 4;
inline constexpr std::size_t kCompressedSize = 12;
inline constexpr std::size_t kLocalHeaderOffset = 20;
inline constexpr std::size_t kDiskNumberStart = 28;
}  // namespace zip64_local_block

}  // namespace brimsel
