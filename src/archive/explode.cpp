#include "archive/explode.h"

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>
#include <vector>

namespace brimsel {
namespace {

constexpr std::uint16_t kFlagBigDictionary = 0x0002;
constexpr std::uint16_t kFlagLiteralTree = 0x0004;
constexpr unsigned kWindowSize = 8192;
constexpr unsigned kWindowMask = kWindowSize - 1;

std::uint16_t Reverse16(std::uint16_t v) {
  std::uint16_t r = 0;
  for (int i = 0; i < 16; ++i) {
    r = static_cast<std::uint16_t>((r << 1) | (v & 1));
    v >>= 1;
  }
  return r;
}

// A Shannon-Fano tree as a look-up table indexed by the next bits of the stream (each
// entry holds the symbol and the length of its code), with the rare longer codes beside it.
class ShannonFanoTree {
 public:
  // Reads the stored bit lengths (a byte count, then bytes of "count of values - 1" and
  // "bit length - 1" nibbles) and builds the codes; false when they do not form a tree.
  bool Read(BitReader& bits, unsigned symbolCount) {
    std::vector<std::uint8_t> lengths;
    lengths.reserve(symbolCount);
    const unsigned byteCount = bits.Get(8) + 1;
    for (unsigned i = 0; i < byteCount; ++i) {
      const unsigned b = bits.Get(8);
      const unsigned count = (b >> 4) + 1;
      const unsigned length = (b & 0x0F) + 1;
      if (lengths.size() + count > symbolCount) return false;
      lengths.insert(lengths.end(), count, static_cast<std::uint8_t>(length));
    }
    return lengths.size() == symbolCount && Build(lengths);
  }

  // The next symbol, or -1 where no code matches the bits.
  int Decode(BitReader& bits) const {
    const Entry e = table_[bits.Peek(primaryBits_)];
    if (e.length != 0) {
      bits.Drop(e.length);
      return e.symbol;
    }
    // Codes longer than the table's index are rare by the nature of the trees; they are
    // compared one by one.
    const std::uint32_t next = bits.Peek(maxLength_);
    for (const LongCode& code : longCodes_) {
      if ((next & ((1u << code.length) - 1)) == code.reversed) {
        bits.Drop(code.length);
        return code.symbol;
      }
    }
    return -1;
  }

 private:
  struct Entry {
    std::uint16_t symbol = 0;
    std::uint8_t length = 0;  // 0: no code of at most primaryBits_ bits starts here
  };
  struct LongCode {
    std::uint32_t reversed;
    unsigned length;
    int symbol;
  };
  // Codes up to this length are found with one look-up.
  static constexpr unsigned kPrimaryBits = 9;

  // The codes: symbols in ascending order of bit length (stable), counted upwards from
  // the longest; the codes are left-aligned in 16 bits and go to the stream bit-reversed.
  bool Build(const std::vector<std::uint8_t>& lengths) {
    const unsigned n = static_cast<unsigned>(lengths.size());
    std::vector<unsigned> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return lengths[a] < lengths[b]; });

    std::vector<std::uint16_t> codes(n);
    std::uint32_t code = 0;
    std::uint32_t increment = 0;
    unsigned lastLength = 0;
    for (int i = static_cast<int>(n) - 1; i >= 0; --i) {
      code += increment;
      if (code > 0xFFFF) return false;  // more codes than the lengths allow
      const unsigned symbol = order[static_cast<unsigned>(i)];
      if (lengths[symbol] != lastLength) {
        lastLength = lengths[symbol];
        increment = 1u << (16 - lastLength);
      }
      codes[symbol] = static_cast<std::uint16_t>(code);
    }

    maxLength_ = *std::max_element(lengths.begin(), lengths.end());
    primaryBits_ = std::min(maxLength_, kPrimaryBits);
    table_.assign(std::size_t{1} << primaryBits_, Entry{});
    longCodes_.clear();
    for (unsigned symbol = 0; symbol < n; ++symbol) {
      const unsigned length = lengths[symbol];
      const unsigned reversed = Reverse16(codes[symbol]) & ((1u << length) - 1);
      if (length > primaryBits_) {
        longCodes_.push_back(LongCode{reversed, length, static_cast<int>(symbol)});
        continue;
      }
      for (unsigned fill = reversed; fill < table_.size(); fill += 1u << length) {
        if (table_[fill].length != 0) return false;  // two codes share a prefix
        table_[fill] = Entry{static_cast<std::uint16_t>(symbol), static_cast<std::uint8_t>(length)};
      }
    }
    std::stable_sort(longCodes_.begin(), longCodes_.end(),
                     [](const LongCode& a, const LongCode& b) { return a.length < b.length; });
    return true;
  }

  unsigned maxLength_ = 1;
  unsigned primaryBits_ = 1;
  std::vector<Entry> table_;
  std::vector<LongCode> longCodes_;
};

}  // namespace

DecodeStatus Explode(ByteSource& in, ByteSink& out, std::uint16_t flags) {
  const bool bigDictionary = (flags & kFlagBigDictionary) != 0;
  const bool literalTree = (flags & kFlagLiteralTree) != 0;
  const unsigned minMatch = literalTree ? 3 : 2;
  const unsigned lowDistanceBits = bigDictionary ? 7 : 6;

  BitReader bits(in);
  ShannonFanoTree literals, lengths, distances;
  if (literalTree && !literals.Read(bits, 256)) return bits.Exhausted() ? DecodeStatus::Truncated : DecodeStatus::Corrupt;
  if (!lengths.Read(bits, 64) || !distances.Read(bits, 64))
    return bits.Exhausted() ? DecodeStatus::Truncated : DecodeStatus::Corrupt;
  if (bits.Exhausted()) return DecodeStatus::Truncated;

  std::unique_ptr<std::uint8_t[]> window(new std::uint8_t[kWindowSize]());
  unsigned pos = 0;
  while (out.Produced() < out.UncompressedSize()) {
    if (bits.Get(1) != 0) {
      int literal = literalTree ? literals.Decode(bits) : static_cast<int>(bits.Get(8));
      if (literal < 0) return DecodeStatus::Corrupt;
      window[pos++ & kWindowMask] = static_cast<std::uint8_t>(literal);
      out.Put(static_cast<std::uint8_t>(literal));
    } else {
      const unsigned low = bits.Get(lowDistanceBits);
      const int high = distances.Decode(bits);
      int length = lengths.Decode(bits);
      if (high < 0 || length < 0) return DecodeStatus::Corrupt;
      if (length == 63) length += static_cast<int>(bits.Get(8));
      length += static_cast<int>(minMatch);
      const unsigned distance = ((static_cast<unsigned>(high) << lowDistanceBits) | low) + 1;
      for (int i = 0; i < length; ++i) {
        const std::uint8_t byte = window[(pos - distance) & kWindowMask];
        window[pos++ & kWindowMask] = byte;
        out.Put(byte);
      }
    }
    if (bits.Exhausted()) return DecodeStatus::Truncated;
  }
  return DecodeStatus::Complete;
}

}  // namespace brimsel
