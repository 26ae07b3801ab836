#pragma once
// Picks the decoder of an entry's compression method.

#include <cstdint>

#include "archive/codecs/decoder_io.h"

namespace brimsel {

enum : std::uint16_t {
  kMethodStored = 0,
  kMethodShrunk = 1,
  kMethodReducedFactor1 = 2,
  kMethodReducedFactor4 = 5,
  kMethodImploded = 6,
  kMethodDeflated = 8,
};

bool IsKnownMethod(std::uint16_t method);

// Decodes the data of an entry with a known method from `in` into `out`; the output is
// not flushed yet.
DecodeStatus DecodeEntryData(std::uint16_t method, std::uint16_t flags, ByteSource& in, ByteSink& out);

}  // namespace brimsel
