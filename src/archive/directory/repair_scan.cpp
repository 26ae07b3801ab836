#include "archive/directory/repair_scan.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "archive/directory/central_directory.h"
#include "archive/directory/dos_datetime.h"
#include "archive/directory/little_endian.h"
#include "archive/zip_exceptions.h"

namespace brimsel {
namespace {

constexpr std::array<int, 4> kLocalSignatureBytes = {0x50, 0x4B, 0x03, 0x04};

// Moves the stream to the first local header signature whose version-needed high byte is
// below 10; false at the end of the file.
bool FindFirstLocalHeader(TArchiveStream& stream, const RepairScanOptions& options) {
  std::size_t matched = 0;
  std::uint64_t sinceLastPump = 0;
  for (;;) {
    const int byte = stream.ReadByte();
    if (byte < 0) return false;
    if (matched == 0 && options.pump && ++sinceLastPump >= kScanPumpInterval) {
      sinceLastPump = 0;
      options.pump();
    }
    if (byte == kLocalSignatureBytes[matched]) {
      if (++matched < kLocalSignatureBytes.size()) continue;
      std::uint8_t version[2];
      if (!stream.ReadExact(version, 2)) return false;
      matched = 0;
      if (version[1] >= 10) continue;
      stream.Seek(stream.Position() - 6);
      return true;
    }
    // A byte that breaks the sequence may begin a new one.
    matched = byte == kLocalSignatureBytes[0] ? 1 : 0;
  }
}

// Reads the local header at the current position into a new record; nullptr when it
// cannot be read. The stream then stands after the name.
std::unique_ptr<TZipEntryInfo> ReadLocalHeader(TArchiveStream& stream, TOEMConvert oem) {
  const std::uint64_t position = stream.Position();
  std::uint8_t h[kLocalHeaderSize];
  namespace f = local_header;
  if (!stream.ReadExact(h, sizeof h) || LoadLe32(h + f::kSignature) != kLocalHeaderSignature) return nullptr;
  std::string name(LoadLe16(h + f::kNameLength), '\0');
  if (!stream.ReadExact(name.data(), name.size())) return nullptr;

  auto entry = std::make_unique<TZipEntryInfo>();
  entry->OEMConvert = oem;
  entry->VersionNeeded = LoadLe16(h + f::kVersionNeeded);
  entry->Flags = LoadLe16(h + f::kFlags);
  entry->CompressionMethod = LoadLe16(h + f::kMethod);
  entry->DateTime = ValidateDosDateTime(LoadLe32(h + f::kDosDateTime));
  entry->CRC32 = LoadLe32(h + f::kCrc32);
  entry->CompressedSize = LoadLe32(h + f::kCompressedSize);
  entry->UncompressedSize = LoadLe32(h + f::kUncompressedSize);
  entry->LocalExtraFieldLength = LoadLe16(h + f::kExtraLength);
  PrepareStoredName(name, oem == TOEMConvert::oemAlways);
  SplitStoredName(name, *entry);

  if (entry->LocalExtraFieldLength > 0) {
    // The Zip64 block of a local header, read as a whole: tag, size, then the sizes.
    std::array<std::uint8_t, kZip64LocalBlockSize> block{};
    const std::size_t want = std::min<std::size_t>(kZip64LocalBlockSize, entry->LocalExtraFieldLength);
    const std::size_t got = stream.Read(block.data(), want);
    const std::uint8_t* b = block.data();
    if (got >= 2 && LoadLe16(b + extra_block::kTag) == kZip64ExtraTag) {
      namespace z64 = zip64_local_block;
      TZip64Block& z = entry->EnsureZip64();
      z.Tag = kZip64ExtraTag;
      z.Size = LoadLe16(b + extra_block::kDataSize);
      z.UncompressedSize = LoadLe64(b + z64::kUncompressedSize);
      z.CompressedSize = LoadLe64(b + z64::kCompressedSize);
      z.RelativeOffset = LoadLe64(b + z64::kLocalHeaderOffset);
      z.DiskNumberStart = LoadLe32(b + z64::kDiskNumberStart);
    }
    stream.Skip(entry->LocalExtraFieldLength - got);
  }
  if (position < kMarker32) {
    entry->RelativeOffset = static_cast<std::uint32_t>(position);
  } else {
    entry->RelativeOffset = kMarker32;
    entry->EnsureZip64().RelativeOffset = position;
  }
  return entry;
}

}  // namespace

bool RepairScan(TArchiveStream& stream, const RepairScanOptions& options, TSortedEntries& entries) {
  entries.Clear();
  stream.Seek(options.selfExtracting ? kExeScanStart : 0);
  if (!FindFirstLocalHeader(stream, options)) return false;

  for (;;) {
    const std::uint64_t start = stream.Position();
    std::unique_ptr<TZipEntryInfo> entry = ReadLocalHeader(stream, options.oem);
    if (!entry) {
      stream.Seek(start);
      break;
    }
    if (options.pump) options.pump();
    std::uint64_t skip = entry->EffectiveCompressedSize();
    if (entry->HasDataDescriptor()) skip = skip > UINT64_MAX - kDataDescriptorSize ? UINT64_MAX : skip + kDataDescriptorSize;
    try {
      entries.Add(std::move(entry));
    } catch (const EListError&) {
      // Cannot happen (positions only grow), but never loop on it.
      stream.Seek(start);
      break;
    }
    stream.Skip(skip);
  }
  return true;
}

}  // namespace brimsel
