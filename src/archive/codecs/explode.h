#pragma once
// Implode (method 6): a 4 KB or 8 KB sliding dictionary whose literals, lengths and
// distances are coded with Shannon-Fano trees stored at the start of the data. Flag bit 1
// selects the 8 KB dictionary, flag bit 2 the third tree (for literals).

#include <cstdint>

#include "archive/codecs/decoder_io.h"

namespace brimsel {

// Decodes until `out` holds the entry's uncompressed size.
DecodeStatus Explode(ByteSource& in, ByteSink& out, std::uint16_t flags);

}  // namespace brimsel
