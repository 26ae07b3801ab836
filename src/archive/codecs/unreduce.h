#pragma once
// Reduce (methods 2 to 5): bytes coded against per-byte follower sets, then expanded from
// DLE-escaped (length, distance) pairs. The compression factor 1 to 4 is method - 1.

#include "archive/codecs/decoder_io.h"

namespace brimsel {

// Decodes until `out` holds the entry's uncompressed size.
DecodeStatus Unreduce(ByteSource& in, ByteSink& out, int compressionFactor);

}  // namespace brimsel
