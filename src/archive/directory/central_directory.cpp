#include "archive/directory/central_directory.h"

#include <algorithm>
#include <vector>

#include "archive/directory/dos_datetime.h"
#include "archive/directory/little_endian.h"
#include "archive/directory/oem_codepage.h"
#include "platform/codepage.h"

namespace brimsel {
namespace {

void ReadZip64EndRecord(TArchiveStream& stream, TEndRecord& end) {
  stream.Seek(end.Zip64Locator->Zip64EndOffset);
  std::uint8_t record[kZip64EndRecordReadSize];
  // A locator that points at anything but a Zip64 end record is not trusted.
  if (!stream.ReadExact(record, sizeof record) || LoadLe32(record + zip64_end_record::kSignature) != kZip64EndRecordSignature)
    return;
  TZip64EndRecord& z = end.Zip64EndRecord.emplace();
  namespace f = zip64_end_record;
  z.Signature = LoadLe32(record + f::kSignature);
  z.RecordSize = LoadLe64(record + f::kRecordSize);
  z.VersionMadeBy = LoadLe16(record + f::kVersionMadeBy);
  z.VersionNeeded = LoadLe16(record + f::kVersionNeeded);
  z.ThisDisk = LoadLe32(record + f::kThisDisk);
  z.StartDisk = LoadLe32(record + f::kStartDisk);
  z.EntriesThisDisk = LoadLe64(record + f::kEntriesThisDisk);
  z.TotalEntries = LoadLe64(record + f::kTotalEntries);
  z.DirectorySize = LoadLe64(record + f::kDirectorySize);
  z.DirectoryOffset = LoadLe64(record + f::kDirectoryOffset);
}

}  // namespace

bool LocateEndRecord(TArchiveStream& stream, TEndRecord& end) {
  end.Reset();
  const std::uint64_t n = stream.Size();
  if (n < kEndRecordSize) return n == 0;
  const auto t = static_cast<std::size_t>(std::min<std::uint64_t>(kEndRecordSearchSize, n));
  std::vector<std::uint8_t> tail(t);
  stream.Seek(n - t);
  if (!stream.ReadExact(tail.data(), t)) return false;

  std::size_t p = t - kEndRecordSize;
  for (;; --p) {
    if (tail[p] == 0x50 && LoadLe32(&tail[p]) == kEndRecordSignature) break;
    if (p == 0) return false;
  }
  const std::uint8_t* r = &tail[p];
  end.Signature = LoadLe32(r + end_record::kSignature);
  end.ThisDisk = LoadLe16(r + end_record::kThisDisk);
  end.StartDisk = LoadLe16(r + end_record::kStartDisk);
  end.EntriesThisDisk = LoadLe16(r + end_record::kEntriesThisDisk);
  end.TotalEntries = LoadLe16(r + end_record::kTotalEntries);
  end.DirectorySize = LoadLe32(r + end_record::kDirectorySize);
  end.DirectoryOffset = LoadLe32(r + end_record::kDirectoryOffset);
  end.CommentLength = LoadLe16(r + end_record::kCommentLength);
  end.CommentPosition = (n - t) + p + kEndRecordSize;

  if (p >= kZip64LocatorSize && LoadLe32(r - kZip64LocatorSize) == kZip64LocatorSignature) {
    const std::uint8_t* l = r - kZip64LocatorSize;
    TZip64Locator& locator = end.Zip64Locator.emplace();
    locator.Signature = LoadLe32(l + zip64_locator::kSignature);
    locator.Zip64EndDisk = LoadLe32(l + zip64_locator::kEndRecordDisk);
    locator.Zip64EndOffset = LoadLe64(l + zip64_locator::kEndRecordOffset);
    locator.NumberOfDisks = LoadLe32(l + zip64_locator::kNumberOfDisks);
    ReadZip64EndRecord(stream, end);
  }
  return true;
}

void PrepareStoredName(std::string& name, bool oem) {
  std::replace(name.begin(), name.end(), '/', '\\');
  if (oem) OemToAnsiInPlace(name);
}

void SplitStoredName(const std::string& name, TZipEntryInfo& entry) {
  const std::size_t last = platform::LastDelimiter(name, "\\:");
  if (last == std::string::npos) {
    entry.Directory.clear();
    entry.FileName = name;
  } else {
    entry.Directory = name.substr(0, last + 1);
    entry.FileName = name.substr(last + 1);
    if (entry.Directory.back() != '\\') entry.Directory += '\\';
  }
  const std::size_t length = entry.Directory.size() + entry.FileName.size();
  entry.FileNameLength = static_cast<std::uint16_t>(std::min<std::size_t>(length, 0xFFFF));
}

void ApplyZip64Extra(const std::uint8_t* extra, std::size_t length, TZipEntryInfo& entry) {
  std::size_t pos = 0;
  while (length - pos >= extra_block::kHeaderSize) {
    const std::uint8_t* block = extra + pos;
    const std::uint16_t tag = LoadLe16(block + extra_block::kTag);
    const std::size_t size =
        std::min<std::size_t>(LoadLe16(block + extra_block::kDataSize), length - pos - extra_block::kHeaderSize);
    const std::uint8_t* data = block + extra_block::kHeaderSize;
    if (tag == kZip64ExtraTag) {
      TZip64Block& z = entry.EnsureZip64();
      z.Tag = tag;
      z.Size = static_cast<std::uint16_t>(size);
      std::size_t at = 0;
      auto take64 = [&](std::uint64_t& field) {
        if (size - at < 8) return false;
        field = LoadLe64(data + at);
        at += 8;
        return true;
      };
      bool more = true;
      if (more && entry.UncompressedSize == kMarker32) more = take64(z.UncompressedSize);
      if (more && entry.CompressedSize == kMarker32) more = take64(z.CompressedSize);
      if (more && entry.RelativeOffset == kMarker32) more = take64(z.RelativeOffset);
      if (more && entry.DiskNumberStart == kMarker16 && size - at >= 4) z.DiskNumberStart = LoadLe32(data + at);
    }
    pos += extra_block::kHeaderSize + size;
  }
}

bool ReadCentralRecord(TArchiveStream& stream, TZipEntryInfo& entry, std::uint64_t& afterName) {
  const std::uint64_t q = stream.Position();
  std::uint8_t h[kCentralHeaderSize];
  namespace f = central_header;
  if (!stream.ReadExact(h, sizeof h) || LoadLe32(h + f::kSignature) != kCentralHeaderSignature) {
    stream.Seek(q);
    return false;
  }
  std::string name(LoadLe16(h + f::kNameLength), '\0');
  if (!stream.ReadExact(name.data(), name.size())) {
    stream.Seek(q);
    return false;
  }
  entry.VersionMadeBy = LoadLe16(h + f::kVersionMadeBy);
  entry.VersionNeeded = LoadLe16(h + f::kVersionNeeded);
  entry.Flags = LoadLe16(h + f::kFlags);
  entry.CompressionMethod = LoadLe16(h + f::kMethod);
  entry.DateTime = ValidateDosDateTime(LoadLe32(h + f::kDosDateTime));
  entry.CRC32 = LoadLe32(h + f::kCrc32);
  entry.CompressedSize = LoadLe32(h + f::kCompressedSize);
  entry.UncompressedSize = LoadLe32(h + f::kUncompressedSize);
  entry.ExtraFieldLength = LoadLe16(h + f::kExtraLength);
  entry.FileCommentLength = LoadLe16(h + f::kCommentLength);
  entry.DiskNumberStart = LoadLe16(h + f::kDiskNumberStart);
  entry.InternalAttributes = LoadLe16(h + f::kInternalAttributes);
  entry.ExternalAttributes = LoadLe32(h + f::kExternalAttributes);
  entry.RelativeOffset = LoadLe32(h + f::kLocalHeaderOffset);
  entry.CentralPosition = q;
  entry.FileComment.reset();
  entry.Zip64.reset();

  PrepareStoredName(name, entry.HostSystem() == 0 && entry.OEMConvert == TOEMConvert::oemAlways);
  SplitStoredName(name, entry);
  afterName = stream.Position();

  if (entry.ExtraFieldLength > 0) {
    std::vector<std::uint8_t> extra(entry.ExtraFieldLength);
    // A short extra field is walked as far as it goes.
    const std::size_t got = stream.Read(extra.data(), extra.size());
    ApplyZip64Extra(extra.data(), got, entry);
  }
  return true;
}

}  // namespace brimsel
