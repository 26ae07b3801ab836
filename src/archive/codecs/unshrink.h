#pragma once
// Shrink (method 1): dynamic LZW with 9- to 13-bit codes whose size the compressor
// raises explicitly, and partial clearing of the leaves of the code tree.

#include <cstdint>

#include "archive/codecs/decoder_io.h"

namespace brimsel {

// Decodes until `out` holds the entry's uncompressed size.
DecodeStatus Unshrink(ByteSource& in, ByteSink& out);

}  // namespace brimsel
