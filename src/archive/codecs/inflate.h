#pragma once
// Deflate (method 8) through zlib's raw inflate: no zlib header, 32 KB window.

#include "archive/codecs/decoder_io.h"

namespace brimsel {

// Inflates until the end of the deflate stream. A negative zlib status raises
// EZCompressionError "error".
DecodeStatus Inflate(ByteSource& in, ByteSink& out);

}  // namespace brimsel
