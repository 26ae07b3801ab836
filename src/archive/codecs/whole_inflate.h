#pragma once
// Inflating a deflate stream held whole in memory, by a decoder made for that: it reads
// the input and writes the output in place, several times as fast as a streaming decoder
// on the files of a package. Where the build has no such decoder, none is taken and the
// streaming one does all the work.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/files.h"

namespace brimsel {

// Whether InflateWhole can decode anything here.
bool CanInflateWhole();

// The count of bytes the raw deflate stream in `compressed` decodes to, written to the
// start of `out`, when it decodes to its end without error and fits in `out`; nothing
// otherwise (or when there is no such decoder).
std::optional<std::size_t> InflateWhole(std::span<const std::uint8_t> compressed, std::span<std::uint8_t> out);

// What InflateFileIntoFile decoded: the count of bytes and their running (uncomplemented)
// CRC-32 from the start value.
struct FileInflation {
  std::size_t produced = 0;
  std::uint32_t runningCrc = 0;
};

// The same decoder on an entry of any size, with no buffer of its size: the `compressed`
// bytes of `archive` from `offset` are decoded in place straight into `target`, which gets
// `size` bytes. Nothing when they do not all lie in the archive, when the data do not
// decode to their end within `size` bytes, or when this build cannot do it; the target's
// content is then undefined up to `size` bytes, and its size may be `size` already.
std::optional<FileInflation> InflateFileIntoFile(const platform::File& archive, std::uint64_t offset,
                                                 std::uint64_t compressed, platform::File& target,
                                                 std::uint64_t size);

}  // namespace brimsel
