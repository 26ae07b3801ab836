#include "archive/central_directory.h"

#include <algorithm>
#include <vector>

#include "archive/dos_datetime.h"
#include "archive/little_endian.h"
#include "archive/oem_codepage.h"
#include "platform/codepage.h"

namespace brimsel {
namespace {

void ReadZip64EndRecord(TArchiveStream& stream, TEndRecord& end) {
  stream.Seek(end.Zip64Locator->Zip64EndOffset);
  std::uint8_t record[kZip64EndRecordReadSize];
  // A locator that points at anything but a Zip64 end record is not trusted.
  if (!stream.ReadExact(record, sizeof record) || LoadLe32(record) != kZip64EndRecordSignature) return;
  TZip64EndRecord& z = end.Zip64EndRecord.emplace();
  z.Signature = LoadLe32(record);
  z.RecordSize = LoadLe64(record + 4);
  z.VersionMadeBy = LoadLe16(record + 12);
  z.VersionNeeded = LoadLe16(record + 14);
  z.ThisDisk = LoadLe32(record + 16);
  z.StartDisk = LoadLe32(record + 20);
  z.EntriesThisDisk = LoadLe64(record + 24);
  z.TotalEntries = LoadLe64(record + 32);
  z.DirectorySize = LoadLe64(record + 40);
  z.DirectoryOffset = LoadLe64(record + 48);
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
  end.Signature = LoadLe32(r);
  end.ThisDisk = LoadLe16(r + 4);
  end.StartDisk = LoadLe16(r + 6);
  end.EntriesThisDisk = LoadLe16(r + 8);
  end.TotalEntries = LoadLe16(r + 10);
  end.DirectorySize = LoadLe32(r + 12);
  end.DirectoryOffset = LoadLe32(r + 16);
  end.CommentLength = LoadLe16(r + 20);
  end.CommentPosition = (n - t) + p + kEndRecordSize;

  if (p >= kZip64LocatorSize && LoadLe32(r - kZip64LocatorSize) == kZip64LocatorSignature) {
    const std::uint8_t* l = r - kZip64LocatorSize;
    TZip64Locator& locator = end.Zip64Locator.emplace();
    locator.Signature = LoadLe32(l);
    locator.Zip64EndDisk = LoadLe32(l + 4);
    locator.Zip64EndOffset = LoadLe64(l + 8);
    locator.NumberOfDisks = LoadLe32(l + 16);
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
  while (length - pos >= 4) {
    const std::uint16_t tag = LoadLe16(extra + pos);
    const std::size_t size = std::min<std::size_t>(LoadLe16(extra + pos + 2), length - pos - 4);
    const std::uint8_t* data = extra + pos + 4;
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
    pos += 4 + size;
  }
}

bool ReadCentralRecord(TArchiveStream& stream, TZipEntryInfo& entry, std::uint64_t& afterName) {
  const std::uint64_t q = stream.Position();
  std::uint8_t h[kCentralHeaderSize];
  if (!stream.ReadExact(h, sizeof h) || LoadLe32(h) != kCentralHeaderSignature) {
    stream.Seek(q);
    return false;
  }
  std::string name(LoadLe16(h + 28), '\0');
  if (!stream.ReadExact(name.data(), name.size())) {
    stream.Seek(q);
    return false;
  }
  entry.VersionMadeBy = LoadLe16(h + 4);
  entry.VersionNeeded = LoadLe16(h + 6);
  entry.Flags = LoadLe16(h + 8);
  entry.CompressionMethod = LoadLe16(h + 10);
  entry.DateTime = ValidateDosDateTime(LoadLe32(h + 12));
  entry.CRC32 = LoadLe32(h + 16);
  entry.CompressedSize = LoadLe32(h + 20);
  entry.UncompressedSize = LoadLe32(h + 24);
  entry.ExtraFieldLength = LoadLe16(h + 30);
  entry.FileCommentLength = LoadLe16(h + 32);
  entry.DiskNumberStart = LoadLe16(h + 34);
  entry.InternalAttributes = LoadLe16(h + 36);
  entry.ExternalAttributes = LoadLe32(h + 38);
  entry.RelativeOffset = LoadLe32(h + 42);
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
