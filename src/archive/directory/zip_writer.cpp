#include "archive/directory/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "archive/codecs/crc32.h"
#include "archive/directory/little_endian.h"
#include "archive/directory/zip_records.h"

namespace brimsel {
namespace {

constexpr std::uint16_t kVersion = 20;  // 2.0, made on MS-DOS: names are read in the system code page
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint32_t kArchiveAttribute = 0x20;

// Raw deflate (no zlib header), as entries of method 8 hold it.
std::string Deflate(const std::string& data) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("cannot start the compression");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (rc != Z_STREAM_END) throw std::runtime_error("cannot compress an entry");
  return out;
}

}  // namespace

void ZipWriter::Add(const std::string& storedName, const std::string& data, std::uint32_t dosDateTime) {
  constexpr auto kLimit = std::numeric_limits<std::uint32_t>::max();
  if (data.size() >= kLimit || archive_.size() >= kLimit || count_ == 0xFFFF) {
    throw std::runtime_error("the package would be too large for a plain zip archive");
  }
  const std::uint32_t crc = Crc32(data.data(), data.size());
  std::string deflated = Deflate(data);
  const bool store = deflated.size() >= data.size();
  const std::string& body = store ? data : deflated;
  const std::uint16_t method = store ? kStored : kDeflated;
  const auto offset = static_cast<std::uint32_t>(archive_.size());
  const auto nameLength = static_cast<std::uint16_t>(storedName.size());

  // Flags 0: no encryption, sizes in the header, names not UTF-8. No extra fields.
  std::string local(kLocalHeaderSize, '\0');
  StoreLe32(local, local_header::kSignature, kLocalHeaderSignature);
  StoreLe16(local, local_header::kVersionNeeded, kVersion);
  StoreLe16(local, local_header::kMethod, method);
  StoreLe32(local, local_header::kDosDateTime, dosDateTime);
  StoreLe32(local, local_header::kCrc32, crc);
  StoreLe32(local, local_header::kCompressedSize, static_cast<std::uint32_t>(body.size()));
  StoreLe32(local, local_header::kUncompressedSize, static_cast<std::uint32_t>(data.size()));
  StoreLe16(local, local_header::kNameLength, nameLength);
  archive_ += local;
  archive_ += storedName;
  archive_ += body;

  std::string central(kCentralHeaderSize, '\0');
  StoreLe32(central, central_header::kSignature, kCentralHeaderSignature);
  StoreLe16(central, central_header::kVersionMadeBy, kVersion);
  StoreLe16(central, central_header::kVersionNeeded, kVersion);
  StoreLe16(central, central_header::kMethod, method);
  StoreLe32(central, central_header::kDosDateTime, dosDateTime);
  StoreLe32(central, central_header::kCrc32, crc);
  StoreLe32(central, central_header::kCompressedSize, static_cast<std::uint32_t>(body.size()));
  StoreLe32(central, central_header::kUncompressedSize, static_cast<std::uint32_t>(data.size()));
  StoreLe16(central, central_header::kNameLength, nameLength);
  StoreLe32(central, central_header::kExternalAttributes, kArchiveAttribute);
  StoreLe32(central, central_header::kLocalHeaderOffset, offset);
  directory_ += central;
  directory_ += storedName;
  ++count_;
}

std::string ZipWriter::Finish() {
  std::string end(kEndRecordSize, '\0');
  StoreLe32(end, end_record::kSignature, kEndRecordSignature);
  StoreLe16(end, end_record::kEntriesThisDisk, count_);
  StoreLe16(end, end_record::kTotalEntries, count_);
  StoreLe32(end, end_record::kDirectorySize, static_cast<std::uint32_t>(directory_.size()));
  StoreLe32(end, end_record::kDirectoryOffset, static_cast<std::uint32_t>(archive_.size()));
  std::string out = std::move(archive_);
  out += directory_;
  out += end;
  return out;
}

}  // namespace brimsel
