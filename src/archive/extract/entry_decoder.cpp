#include "archive/extract/entry_decoder.h"

#include "archive/codecs/explode.h"
#include "archive/codecs/inflate.h"
#include "archive/codecs/unreduce.h"
#include "archive/codecs/unshrink.h"

namespace brimsel {
namespace {

DecodeStatus CopyStored(ByteSource& in, ByteSink& out) {
  for (std::span<std::uint8_t> chunk = in.NextChunk(); !chunk.empty(); chunk = in.NextChunk())
    out.WriteInPlace(chunk.data(), chunk.size());
  return DecodeStatus::Complete;
}

}  // namespace

bool IsKnownMethod(std::uint16_t method) {
  return method == kMethodStored || method == kMethodShrunk ||
         (method >= kMethodReducedFactor1 && method <= kMethodReducedFactor4) || method == kMethodImploded ||
         method == kMethodDeflated;
}

DecodeStatus DecodeEntryData(std::uint16_t method, std::uint16_t flags, ByteSource& in, ByteSink& out) {
  // Some tools store an empty file with no compressed bytes at all, whatever the method.
  if (out.UncompressedSize() == 0 && in.Remaining() == 0 && IsKnownMethod(method)) return DecodeStatus::Complete;
  switch (method) {
    case kMethodStored: return CopyStored(in, out);
    case kMethodShrunk: return Unshrink(in, out);
    case kMethodImploded: return Explode(in, out, flags);
    case kMethodDeflated: return Inflate(in, out);
    default:
      if (method >= kMethodReducedFactor1 && method <= kMethodReducedFactor4)
        return Unreduce(in, out, method - kMethodReducedFactor1 + 1);
      return DecodeStatus::Broken("unknown compression method");
  }
}

}  // namespace brimsel
