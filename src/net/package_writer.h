#pragma once
// The local package file as the body loop writes it: the body received straight into a
// block of the writer's, and a size that counts every byte handed over so far, kept by the
// writer itself (asked of the file system once, when the writer starts) so that no receive
// costs a query. A block goes to the disk when it is full: one large write costs the file
// system far less than many small ones, and the download keeps up with the network. What
// is gathered reaches the disk at Flush(), which the download calls before it reports the
// package complete, and on every other way out when the writer goes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace brimsel {
namespace platform {
class File;
}

class PackageWriter {
 public:
  static constexpr std::size_t kBlockSize = 1024 * 1024;

  // `file` is open for writing and positioned at its end; raises when its size cannot be had.
  explicit PackageWriter(platform::File& file);
  // Writes what is still gathered; a failure here can no longer be reported.
  ~PackageWriter();
  PackageWriter(const PackageWriter&) = delete;
  PackageWriter& operator=(const PackageWriter&) = delete;

  // The size of the file with every byte appended so far.
  std::int64_t Size() const { return size_; }
  // Room for the next bytes of the package: at most `wanted` (above 0), at least one.
  std::span<char> Room(std::size_t wanted);
  // The first `count` bytes of the last Room belong to the package now; a block that is
  // full goes to the disk (raising as Flush does).
  void Commit(std::size_t count);
  // Raises brimsel::Exception when the disk refuses the bytes.
  void Flush();

 private:
  platform::File& file_;
  std::unique_ptr<char[]> block_;
  std::size_t gathered_ = 0;
  std::int64_t size_;
};

}  // namespace brimsel
