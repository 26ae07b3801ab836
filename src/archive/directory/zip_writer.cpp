#include "archive/directory/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace brimsel {
namespace {

constexpr std::uint16_t kVersion = 20;  // 2.0, made on MS-DOS: names are read in the system code page
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;

void Put16(std::string& out, std::uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

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

std::uint32_t DosDateTimeOf(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1980) return (1 << 21) | (1 << 16);  // 1980-1-1 0:00
  const auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const auto time = static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return (date << 16) | time;
}

void ZipWriter::Add(const std::string& storedName, const std::string& data, std::uint32_t dosDateTime) {
  constexpr auto kLimit = std::numeric_limits<std::uint32_t>::max();
  if (data.size() >= kLimit || archive_.size() >= kLimit || count_ == 0xFFFF) {
    throw std::runtime_error("the package would be too large for a plain zip archive");
  }
  const auto crc = static_cast<std::uint32_t>(
      crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  std::string deflated = Deflate(data);
  const bool store = deflated.size() >= data.size();
  const std::string& body = store ? data : deflated;
  const std::uint16_t method = store ? kStored : kDeflated;
  const auto offset = static_cast<std::uint32_t>(archive_.size());
  const auto nameLength = static_cast<std::uint32_t>(storedName.size());

  Put32(archive_, 0x04034B50);
  Put16(archive_, kVersion);
  Put16(archive_, 0);  // flags: no encryption, sizes in the header, names not UTF-8
  Put16(archive_, method);
  Put32(archive_, dosDateTime);
  Put32(archive_, crc);
  Put32(archive_, static_cast<std::uint32_t>(body.size()));
  Put32(archive_, static_cast<std::uint32_t>(data.size()));
  Put16(archive_, nameLength);
  Put16(archive_, 0);
  archive_ += storedName;
  archive_ += body;

  Put32(directory_, 0x02014B50);
  Put16(directory_, kVersion);
  Put16(directory_, kVersion);
  Put16(directory_, 0);
  Put16(directory_, method);
  Put32(directory_, dosDateTime);
  Put32(directory_, crc);
  Put32(directory_, static_cast<std::uint32_t>(body.size()));
  Put32(directory_, static_cast<std::uint32_t>(data.size()));
  Put16(directory_, nameLength);
  Put16(directory_, 0);  // extra
  Put16(directory_, 0);  // comment
  Put16(directory_, 0);  // disk
  Put16(directory_, 0);  // internal attributes
  Put32(directory_, 0x20);  // external: the archive bit
  Put32(directory_, offset);
  directory_ += storedName;
  ++count_;
}

std::string ZipWriter::Finish() {
  const auto directoryOffset = static_cast<std::uint32_t>(archive_.size());
  std::string out = std::move(archive_);
  out += directory_;
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, count_);
  Put16(out, count_);
  Put32(out, static_cast<std::uint32_t>(directory_.size()));
  Put32(out, directoryOffset);
  Put16(out, 0);
  return out;
}

}  // namespace brimsel
