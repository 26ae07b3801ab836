#pragma once
// Inflating a deflate stream held whole in memory, by a decoder made for that: it reads
// the input and writes the output in place, several times as fast as a streaming decoder
// on the files of a package. Where the build has no such decoder, none is taken and the
// streaming one does all the work.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace brimsel {

// Whether InflateWhole can decode anything here.
bool CanInflateWhole();

// The count of bytes the raw deflate stream in `compressed` decodes to, written to the
// start of `out`, when it decodes to its end without error and fits in `out`; nothing
// otherwise (or when there is no such decoder).
std::optional<std::size_t> InflateWhole(std::span<const std::uint8_t> compressed, std::span<std::uint8_t> out);

}  // namespace brimsel
