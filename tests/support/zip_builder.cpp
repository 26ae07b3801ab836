#include "support/zip_builder.h"

#include <array>

namespace brimsel::test {
namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kDescriptorSignature = 0x08074b50;

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
  return Le16(1) + Le16(static_cast<std::uint16_t>(data.size())) + data;
}

ZipEntrySpec& ZipBuilder::Add(std::string name, std::string data) {
  ZipEntrySpec& entry = entries.emplace_back();
  entry.name = std::move(name);
  entry.data = std::move(data);
  return entry;
}

std::string ZipBuilder::Build(ZipLayout* layout) const {
  ZipLayout local;
  std::string out = prefix;
  for (const ZipEntrySpec& e : entries) {
    const std::uint32_t crc = e.crc.value_or(Crc32(e.data));
    const auto size = static_cast<std::uint32_t>(e.data.size());
    local.localOffsets.push_back(out.size());
    out += Le32(kLocalSignature) + Le16(e.versionNeeded) + Le16(e.flags) + Le16(e.method) + Le32(e.dosDateTime);
    if (e.writeDataDescriptor && e.zeroLocalSizes) {
      out += Le32(0) + Le32(0) + Le32(0);
    } else {
      out += Le32(crc) + Le32(size) + Le32(size);
    }
    out += Le16(static_cast<std::uint16_t>(e.name.size())) + Le16(static_cast<std::uint16_t>(e.localExtra.size()));
    out += e.name + e.localExtra + e.data;
    if (e.writeDataDescriptor) out += Le32(kDescriptorSignature) + Le32(crc) + Le32(size) + Le32(size);
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
    const std::uint64_t offset = local.localOffsets[e.offsetOfEntry.value_or(index)];
    local.centralOffsets[index] = out.size();
    out += Le32(kCentralSignature) + Le16(e.versionMadeBy) + Le16(e.versionNeeded) + Le16(e.flags) +
           Le16(e.method) + Le32(e.dosDateTime) + Le32(crc) + Le32(e.compressedSizeField.value_or(size)) +
           Le32(e.uncompressedSizeField.value_or(size)) + Le16(static_cast<std::uint16_t>(e.name.size())) +
           Le16(static_cast<std::uint16_t>(e.centralExtra.size())) +
           Le16(static_cast<std::uint16_t>(e.comment.size())) + Le16(e.diskNumberStart) + Le16(0) +
           Le32(e.externalAttributes) + Le32(e.offsetField.value_or(static_cast<std::uint32_t>(offset)));
    out += e.name;
    if (!e.omitCentralExtraBytes) out += e.centralExtra;
    out += e.comment;
  }
  const std::uint64_t centralSize = out.size() - local.centralStart;
  const auto count = static_cast<std::uint16_t>(entries.size());
  std::uint16_t total = totalEntriesField.value_or(count);
  std::uint32_t directoryOffset = static_cast<std::uint32_t>(local.centralStart);
  if (zip64EndRecord) {
    const std::uint64_t zip64End = out.size();
    out += Le32(kZip64EndSignature) + Le64(44) + Le16(45) + Le16(45) + Le32(thisDisk) + Le32(startDisk) +
           Le64(entries.size()) + Le64(entries.size()) + Le64(centralSize) + Le64(local.centralStart);
    out += Le32(kZip64LocatorSignature) + Le32(thisDisk) + Le64(zip64End) + Le32(thisDisk + 1u);
    total = 0xFFFF;
    directoryOffset = 0xFFFFFFFF;
  }
  local.endRecordOffset = out.size();
  if (writeEndRecord) {
    out += Le32(kEndSignature) + Le16(thisDisk) + Le16(startDisk) + Le16(total) + Le16(total) +
           Le32(static_cast<std::uint32_t>(centralSize)) + Le32(directoryOffset) +
           Le16(static_cast<std::uint16_t>(archiveComment.size())) + archiveComment;
  }
  if (layout) *layout = local;
  return out;
}

}  // namespace brimsel::test
