#pragma once
// The records of a zip directory as the component keeps them: one TZipEntryInfo per
// central record, the end record, and the entry list that orders them by where their local
// headers lie. All sizes and offsets are unsigned 64-bit values; the 32-bit stored fields
// are kept as stored, and the Effective...() accessors give the Zip64 value where a stored
// field holds its all-ones marker.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/directory/on_demand.h"
#include "archive/directory/zip_records.h"

namespace brimsel {

// Code-page conversion of stored names. Values in this order.
enum class TOEMConvert : std::uint8_t { oemAlways, oemNever, oemFlexible };

// Order of the indexed entry view. Values in this order.
enum class TZipSortMode {
  ByName,
  ByFileName,
  ByDirectoryName,
  ByDate,
  ByCompressedSize,
  ByUnCompressedSize,
  ByRate,
  ByNone
};

inline constexpr std::uint16_t kMarker16 = 0xFFFF;
inline constexpr std::uint32_t kMarker32 = 0xFFFFFFFF;
// The host system of "version made by" whose external attributes carry a Unix mode.
inline constexpr std::uint8_t kHostUnix = 3;

inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagUtf8Name = 0x0800;  // the name (and comment) is UTF-8

// The Zip64 extended information of one entry (extra block tag 0x0001).
struct TZip64Block {
  std::uint16_t Tag = kZip64ExtraTag;
  std::uint16_t Size = 0;
  std::uint64_t UncompressedSize = 0;
  std::uint64_t CompressedSize = 0;
  std::uint64_t RelativeOffset = 0;  // local header offset
  std::uint32_t DiskNumberStart = 0;
};

// One entry of the central directory.
class TZipEntryInfo {
 public:
  std::uint16_t VersionMadeBy = 0;  // high byte: host system, 0 = MS-DOS
  std::uint16_t VersionNeeded = 0;
  std::uint16_t Flags = 0;
  std::uint16_t CompressionMethod = 0;
  std::uint32_t DateTime = 0;  // DOS time in the low word, date in the high word; validated
  std::uint32_t CRC32 = 0;
  std::uint32_t CompressedSize = 0;    // includes an encrypted entry's 12-byte header
  std::uint32_t UncompressedSize = 0;
  std::uint16_t FileNameLength = 0;    // byte length of Directory + FileName
  std::uint16_t ExtraFieldLength = 0;  // of the central record
  std::uint16_t LocalExtraFieldLength = 0;  // filled only by the repair scan
  std::uint16_t FileCommentLength = 0;
  std::uint16_t DiskNumberStart = 0;
  std::uint16_t InternalAttributes = 0;
  std::uint32_t ExternalAttributes = 0;  // low byte: MS-DOS attribute bits
  std::uint32_t RelativeOffset = 0;      // local header offset
  bool Selected = false;
  TOEMConvert OEMConvert = TOEMConvert::oemAlways;
  std::uint64_t CentralPosition = 0;     // where the central record begins
  std::string FileName;                  // after the last "\" or ":"; empty for a directory
  std::string Directory;                 // empty, or ending in "\"
  OnDemand<TZip64Block> Zip64;           // created on demand
  OnDemand<std::string> FileComment;     // loaded on demand

  std::uint64_t EffectiveUncompressedSize() const {
    return UncompressedSize == kMarker32 && Zip64 ? Zip64->UncompressedSize : UncompressedSize;
  }
  std::uint64_t EffectiveCompressedSize() const {
    return CompressedSize == kMarker32 && Zip64 ? Zip64->CompressedSize : CompressedSize;
  }
  std::uint64_t EffectiveRelativeOffset() const {
    return RelativeOffset == kMarker32 && Zip64 ? Zip64->RelativeOffset : RelativeOffset;
  }
  std::uint32_t EffectiveDiskNumberStart() const {
    return DiskNumberStart == kMarker16 && Zip64 ? Zip64->DiskNumberStart : DiskNumberStart;
  }
  bool Encrypted() const { return (Flags & kFlagEncrypted) != 0; }
  bool HasDataDescriptor() const { return (Flags & kFlagDataDescriptor) != 0; }
  std::uint8_t HostSystem() const { return static_cast<std::uint8_t>(VersionMadeBy >> 8); }
  bool IsDirectory() const { return FileName.empty(); }
  std::string StoredName() const { return Directory + FileName; }
  TZip64Block& EnsureZip64() {
    if (!Zip64) Zip64.emplace();
    return *Zip64;
  }
};

// The Zip64 end of central directory record (its first 56 bytes).
struct TZip64EndRecord {
  std::uint32_t Signature = kZip64EndRecordSignature;
  std::uint64_t RecordSize = 0;
  std::uint16_t VersionMadeBy = 0;
  std::uint16_t VersionNeeded = 0;
  std::uint32_t ThisDisk = 0;
  std::uint32_t StartDisk = 0;
  std::uint64_t EntriesThisDisk = 0;
  std::uint64_t TotalEntries = 0;
  std::uint64_t DirectorySize = 0;
  std::uint64_t DirectoryOffset = 0;
};

// The Zip64 end of central directory locator (20 bytes before the end record).
struct TZip64Locator {
  std::uint32_t Signature = kZip64LocatorSignature;
  std::uint32_t Zip64EndDisk = 0;
  std::uint64_t Zip64EndOffset = 0;
  std::uint32_t NumberOfDisks = 0;
};

// The end of central directory record.
class TEndRecord {
 public:
  std::uint32_t Signature = kEndRecordSignature;
  std::uint16_t ThisDisk = 0;
  std::uint16_t StartDisk = 0;  // disk where the central directory starts
  std::uint16_t EntriesThisDisk = 0;
  std::uint16_t TotalEntries = 0;
  std::uint32_t DirectorySize = 0;
  std::uint32_t DirectoryOffset = 0;
  std::uint16_t CommentLength = 0;
  std::optional<std::string> Comment;  // loaded on demand
  std::uint64_t CommentPosition = 0;
  bool Modified = false;
  std::optional<TZip64EndRecord> Zip64EndRecord;  // created on demand
  std::optional<TZip64Locator> Zip64Locator;      // created on demand

  // Signature kept, everything else zero, no comment and no Zip64 records.
  void Reset() { *this = TEndRecord(); }

  std::uint32_t EffectiveThisDisk() const {
    return ThisDisk == kMarker16 && Zip64EndRecord ? Zip64EndRecord->ThisDisk : ThisDisk;
  }
  std::uint32_t EffectiveStartDisk() const {
    return StartDisk == kMarker16 && Zip64EndRecord ? Zip64EndRecord->StartDisk : StartDisk;
  }
  std::uint64_t EffectiveTotalEntries() const {
    return TotalEntries == kMarker16 && Zip64EndRecord ? Zip64EndRecord->TotalEntries : TotalEntries;
  }
  std::uint64_t EffectiveDirectoryOffset() const {
    return DirectoryOffset == kMarker32 && Zip64EndRecord ? Zip64EndRecord->DirectoryOffset
                                                           : DirectoryOffset;
  }
};

// The entry list: owns its records and keeps them in ascending order of (effective disk
// number start, effective local header offset), at one pointer per record. The records are
// held in sorted runs: a record following the last one (the usual order) joins the first
// run at once; any other starts a run of its own, and runs of equal length are merged as
// they come, so that there are at most log n of them and even a directory listed backwards
// loads in O(n log n). Lookup is by binary search in every run; index access first merges
// all runs into one.
class TSortedEntries {
 public:
  using Key = std::pair<std::uint32_t, std::uint64_t>;  // disk, offset
  static Key KeyOf(const TZipEntryInfo& entry) {
    return {entry.EffectiveDiskNumberStart(), entry.EffectiveRelativeOffset()};
  }

  int Count() const { return static_cast<int>(count_); }
  bool Empty() const { return count_ == 0; }
  // The record at `index` in list order; EListError "Index %d is out of range" outside.
  TZipEntryInfo& Items(int index);
  const TZipEntryInfo& Items(int index) const;

  // Takes the record into the list. A record with the same disk and offset as one already
  // in the list raises EListError "Duplicate Object index" (the record is then dropped).
  TZipEntryInfo& Add(std::unique_ptr<TZipEntryInfo> entry);
  // The record with that disk and offset, or nullptr.
  TZipEntryInfo* Find(std::uint32_t disk, std::uint64_t offset);
  void Clear();

 private:
  using Run = std::vector<std::unique_ptr<TZipEntryInfo>>;
  // Merges the runs into the first.
  void MergeAll() const;

  mutable std::vector<Run> runs_;  // the first holds the records that came in order
  std::size_t count_ = 0;
};

// The records in the order of a sort mode. With ByNone it is the list order itself.
std::vector<TZipEntryInfo*> BuildEntryView(TSortedEntries& entries, TZipSortMode mode);

}  // namespace brimsel
