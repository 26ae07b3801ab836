#pragma once
// The local package file as the body loop writes it: chunks appended in order, and a size
// that counts every byte handed over so far, kept by the writer itself (asked of the file
// system once, when the writer starts) so that each chunk costs no query. The chunks are gathered into blocks before
// they go to the disk: one 64 KiB write costs the file system far less than sixteen 4 KiB
// ones, and the download keeps up with the network. What is gathered reaches the disk at
// Flush(), which the download calls before it reports the package complete, and on every
// other way out when the writer goes.

#include <cstddef>
#include <cstdint>
#include <string>

namespace brimsel {
namespace platform {
class File;
}

class PackageWriter {
 public:
  static constexpr std::size_t kBlockSize = 64 * 1024;

  // `file` is open for writing and positioned at its end; raises when its size cannot be had.
  explicit PackageWriter(platform::File& file);
  // Writes what is still gathered; a failure here can no longer be reported.
  ~PackageWriter();
  PackageWriter(const PackageWriter&) = delete;
  PackageWriter& operator=(const PackageWriter&) = delete;

  // The size of the file with every byte appended so far.
  std::int64_t Size() const { return size_; }
  // Raises brimsel::Exception when the disk refuses the bytes.
  void Append(const char* data, std::size_t count);
  void Flush();

 private:
  platform::File& file_;
  std::string gathered_;
  std::int64_t size_;
};

}  // namespace brimsel
