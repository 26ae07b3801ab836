#pragma once
// Builds zip archives byte by byte for tests: stored entries with chosen names, flags,
// dates, comments and extra fields, and the damage that real archives show (a central
// directory in another order, a declared extra field that is missing, two records naming
// one local header, Zip64 records, no end record at all).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brimsel::test {

// DOS date-time of the given parts (seconds stored halved); no validation.
std::uint32_t DosDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
// The APPNOTE CRC-32 of `data`.
std::uint32_t Crc32(std::string_view data);
// A Zip64 extended information block (tag 1) holding the given values in APPNOTE order.
std::string Zip64Extra(std::optional<std::uint64_t> uncompressed, std::optional<std::uint64_t> compressed,
                       std::optional<std::uint64_t> offset = std::nullopt,
                       std::optional<std::uint32_t> disk = std::nullopt);
// Little-endian bytes of a value.
std::string Le16(std::uint16_t value);
std::string Le32(std::uint32_t value);
std::string Le64(std::uint64_t value);

struct ZipEntrySpec {
  std::string name;  // the stored bytes, "/" as separator
  std::string data;  // written as it is (method 0 unless `method` says otherwise)
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  std::uint16_t versionMadeBy = 20;  // host 0: MS-DOS
  std::uint16_t versionNeeded = 20;
  std::uint32_t dosDateTime = DosDateTime(2020, 1, 1);
  std::optional<std::uint32_t> crc;  // default: CRC-32 of `data`
  std::string comment;
  std::string localExtra;
  std::string centralExtra;
  bool omitCentralExtraBytes = false;  // the extra length is declared, the bytes are not written
  std::uint32_t externalAttributes = 0x20;
  std::uint16_t diskNumberStart = 0;
  // Stored values of the central record instead of the true ones (e.g. 0xFFFFFFFF).
  std::optional<std::uint32_t> compressedSizeField;
  std::optional<std::uint32_t> uncompressedSizeField;
  std::optional<std::uint32_t> offsetField;
  // The central record names the local header of this earlier entry instead of its own.
  std::optional<std::size_t> offsetOfEntry;
  bool writeDataDescriptor = false;  // 16-byte signed descriptor after the data
  bool zeroLocalSizes = true;        // with a descriptor: CRC and sizes of the local header are 0
};

struct ZipLayout {
  std::vector<std::uint64_t> localOffsets;
  std::vector<std::uint64_t> centralOffsets;  // in entry order
  std::uint64_t centralStart = 0;
  std::uint64_t endRecordOffset = 0;
};

class ZipBuilder {
 public:
  ZipEntrySpec& Add(std::string name, std::string data = {});

  std::string archiveComment;
  // Central records in this order of entry indexes; empty: the order of the entries.
  std::vector<std::size_t> centralOrder;
  bool writeEndRecord = true;
  // Writes a Zip64 end record and locator, and puts the all-ones markers into the end record.
  bool zip64EndRecord = false;
  std::uint16_t thisDisk = 0;
  std::uint16_t startDisk = 0;
  // Stored total instead of the true count.
  std::optional<std::uint16_t> totalEntriesField;
  // Bytes before the first local header (a self-extractor's stub).
  std::string prefix;

  std::string Build(ZipLayout* layout = nullptr) const;

  std::vector<ZipEntrySpec> entries;
};

}  // namespace brimsel::test
