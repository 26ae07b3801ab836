#include "support/zip_builder.h"

#include <array>

#include "archive/directory/little_endian.h"
#include "archive/directory/zip_records.h"

namespace brimsel::test {
namespace {

std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

}  // namespace

// Packed here rather than by PackDosDateTime: the tests check the component's packing
// against this one.
std::uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
  const auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const auto time = static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return (date << 16) | time;
}

std::uint32_t Crc32(std::string_view data) {
  static const std::array<std::uint32_t, 256> table = MakeCrcTable();
  std::uint32_t c = 0xFFFFFFFFu;
  for (unsigned char byte : data) c = table[(c ^ byte) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string Le16(std::uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string Le32(std::uint32_t v) { return Le16(static_cast<std::uint16_t>(v)) + Le16(static_cast<std::uint16_t>(v >> 16)); }
std::string Le64(std::uint64_t v) { return Le32(static_cast<std::uint32_t>(v)) + Le32(static_cast<std::uint32_t>(v >> 32)); }

std::string Zip64Extra(std::optional<std::uint64_t> uncompressed, std::optional<std::uint64_t> compressed,
                       std::optional<std::uint64_t> offset, std::optional<std::uint32_t> disk) {
  std::string data;
  if (uncompressed) data += Le64(*uncompressed);
  if (compressed) data += Le64(*compressed);
  if (offset) data += Le64(*offset);
  if (disk) data += Le32(*disk);
  return Le16(kZip64ExtraTag) + Le16(static_cast<std::uint16_t>(data.size())) + data;
}

ZipEntrySpec& ZipBuilder::Add(std::string name, std::string data) {
  ZipEntrySpec& entry = entries.emplace_back();
  entry.name = std::move(name);
  entry.data = std::move(data);
  return entry;
}

namespace {

std::string LocalHeader(const ZipEntrySpec& e, std::uint32_t crc, std::uint32_t size) {
  namespace f = local_header;
  std::string h(kLocalHeaderSize, '\0');
  StoreLe32(h, f::kSignature, kLocalHeaderSignature);
  StoreLe16(h, f::kVersionNeeded, e.versionNeeded);
  StoreLe16(h, f::kFlags, e.flags);
  StoreLe16(h, f::kMethod, e.method);
  StoreLe32(h, f::kDosDateTime, e.dosDateTime);
  if (!e.writeDataDescriptor || !e.zeroLocalSizes) {
    StoreLe32(h, f::kCrc32, crc);
    StoreLe32(h, f::kCompressedSize, size);
    StoreLe32(h, f::kUncompressedSize, size);
  }
  StoreLe16(h, f::kNameLength, static_cast<std::uint16_t>(e.name.size()));
  StoreLe16(h, f::kExtraLength, static_cast<std::uint16_t>(e.localExtra.size()));
  return h;
}

std::string CentralHeader(const ZipEntrySpec& e, std::uint32_t crc, std::uint32_t size, std::uint64_t offset) {
  namespace f = central_header;
  std::string h(kCentralHeaderSize, '\0');
  StoreLe32(h, f::kSignature, kCentralHeaderSignature);
  StoreLe16(h, f::kVersionMadeBy, e.versionMadeBy);
  StoreLe16(h, f::kVersionNeeded, e.versionNeeded);
  StoreLe16(h, f::kFlags, e.flags);
  StoreLe16(h, f::kMethod, e.method);
  StoreLe32(h, f::kDosDateTime, e.dosDateTime);
  StoreLe32(h, f::kCrc32, crc);
  StoreLe32(h, f::kCompressedSize, e.compressedSizeField.value_or(size));
  StoreLe32(h, f::kUncompressedSize, e.uncompressedSizeField.value_or(size));
  StoreLe16(h, f::kNameLength, static_cast<std::uint16_t>(e.name.size()));
  StoreLe16(h, f::kExtraLength, static_cast<std::uint16_t>(e.centralExtra.size()));
  StoreLe16(h, f::kCommentLength, static_cast<std::uint16_t>(e.comment.size()));
  StoreLe16(h, f::kDiskNumberStart, e.diskNumberStart);
  StoreLe32(h, f::kExternalAttributes, e.externalAttributes);
  StoreLe32(h, f::kLocalHeaderOffset, e.offsetField.value_or(static_cast<std::uint32_t>(offset)));
  return h;
}

}  // namespace

std::string ZipBuilder::Build(ZipLayout* layout) const {
  ZipLayout local;
  std::string out = prefix;
  for (const ZipEntrySpec& e : entries) {
    const std::uint32_t crc = e.crc.value_or(Crc32(e.data));
    const auto size = static_cast<std::uint32_t>(e.data.size());
    local.localOffsets.push_back(out.size());
    out += LocalHeader(e, crc, size) + e.name + e.localExtra + e.data;
    if (e.writeDataDescriptor) out += Le32(kDataDescriptorSignature) + Le32(crc) + Le32(size) + Le32(size);
  }

  std::vector<std::size_t> order = centralOrder;
  if (order.empty()) {
    for (std::size_t i = 0; i < entries.size(); ++i) order.push_back(i);
  }
  local.centralStart = out.size();
  local.centralOffsets.resize(entries.size());
  for (std::size_t index : order) {
    const ZipEntrySpec& e = entries[index];
    const std::uint32_t crc = e.crc.value_or(Crc32(e.data));
    const auto size = static_cast<std::uint32_t>(e.data.size());
    local.centralOffsets[index] = out.size();
    out += CentralHeader(e, crc, size, local.localOffsets[e.offsetOfEntry.value_or(index)]) + e.name;
    if (!e.omitCentralExtraBytes) out += e.centralExtra;
    out += e.comment;
  }
  const std::uint64_t centralSize = out.size() - local.centralStart;
  const auto count = static_cast<std::uint16_t>(entries.size());
  std::uint16_t total = totalEntriesField.value_or(count);
  std::uint32_t directoryOffset = static_cast<std::uint32_t>(local.centralStart);
  if (zip64EndRecord) {
    const std::uint64_t zip64End = out.size();
    std::string record(kZip64EndRecordReadSize, '\0');
    namespace r = zip64_end_record;
    StoreLe32(record, r::kSignature, kZip64EndRecordSignature);
    StoreLe64(record, r::kRecordSize, kZip64EndRecordReadSize - r::kVersionMadeBy);  // the bytes after this field
    StoreLe16(record, r::kVersionMadeBy, 45);
    StoreLe16(record, r::kVersionNeeded, 45);
    StoreLe32(record, r::kThisDisk, thisDisk);
    StoreLe32(record, r::kStartDisk, startDisk);
    StoreLe64(record, r::kEntriesThisDisk, entries.size());
    StoreLe64(record, r::kTotalEntries, entries.size());
    StoreLe64(record, r::kDirectorySize, centralSize);
    StoreLe64(record, r::kDirectoryOffset, local.centralStart);
    std::string locator(kZip64LocatorSize, '\0');
    namespace l = zip64_locator;
    StoreLe32(locator, l::kSignature, kZip64LocatorSignature);
    StoreLe32(locator, l::kEndRecordDisk, thisDisk);
    StoreLe64(locator, l::kEndRecordOffset, zip64End);
    StoreLe32(locator, l::kNumberOfDisks, thisDisk + 1u);
    out += record + locator;
    total = 0xFFFF;
    directoryOffset = 0xFFFFFFFF;
  }
  local.endRecordOffset = out.size();
  if (writeEndRecord) {
    std::string end(kEndRecordSize, '\0');
    namespace f = end_record;
    StoreLe32(end, f::kSignature, kEndRecordSignature);
    StoreLe16(end, f::kThisDisk, thisDisk);
    StoreLe16(end, f::kStartDisk, startDisk);
    StoreLe16(end, f::kEntriesThisDisk, total);
    StoreLe16(end, f::kTotalEntries, total);
    StoreLe32(end, f::kDirectorySize, static_cast<std::uint32_t>(centralSize));
    StoreLe32(end, f::kDirectoryOffset, directoryOffset);
    StoreLe16(end, f::kCommentLength, static_cast<std::uint16_t>(archiveComment.size()));
    out += end + archiveComment;
  }
  if (layout) *layout = local;
  return out;
}

}  // namespace brimsel::test
