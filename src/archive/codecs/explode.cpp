#include "archive/codecs/explode.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace brimsel {
namespace {

constexpr std::uint16_t kFlagBigDictionary = 0x0002;
constexpr std::uint16_t kFlagLiteralTree = 0x0004;
constexpr unsigned kWindowSize = 8192;
constexpr unsigned kWindowMask = kWindowSize - 1;
constexpr unsigned kShortRun = 16;

std::uint16_t Reverse16(std::uint16_t v) {
  std::uint16_t r = 0;
  for (int i = 0; i < 16; ++i) {
    r = static_cast<std::uint16_t>((r << 1) | (v & 1));
    v >>= 1;
  }
  return r;
}

// Why stored bit lengths make no tree.
enum class TreeFault { None, TooManyLengths, TooFewLengths, Oversubscribed, Ambiguous };

// A Shannon-Fano tree as a look-up table indexed by the next bits of the stream (each
// entry holds the symbol and the length of its code). Codes longer than the table's index
// continue in a second table for their first bits, indexed by the bits that follow.
class ShannonFanoTree {
 public:
  // Reads the stored bit lengths (a byte count, then bytes of "count of values - 1" and
  // "bit length - 1" nibbles) and builds the codes.
  TreeFault Read(BitReader& bits, unsigned symbolCount) {
    std::vector<std::uint8_t> lengths;
    lengths.reserve(symbolCount);
    const unsigned byteCount = bits.Get(8) + 1;
    for (unsigned i = 0; i < byteCount; ++i) {
      const unsigned b = bits.Get(8);
      const unsigned count = (b >> 4) + 1;
      const unsigned length = (b & 0x0F) + 1;
      if (lengths.size() + count > symbolCount) return TreeFault::TooManyLengths;
      lengths.insert(lengths.end(), count, static_cast<std::uint8_t>(length));
    }
    if (lengths.size() != symbolCount) return TreeFault::TooFewLengths;
    return Build(lengths);
  }

  // The next symbol, or -1 where no code matches the bits.
  int Decode(BitReader& bits) const {
    Entry e = table_[bits.Peek(primaryBits_)];
    if (e.length == 0) {
      if (e.symbol == kNoCode) return -1;
      e = second_[(static_cast<std::size_t>(e.symbol) << secondBits_) + (bits.Peek(maxLength_) >> primaryBits_)];
      if (e.length == 0) return -1;
    }
    bits.Drop(e.length);
    return e.symbol;
  }

 private:
  static constexpr std::uint16_t kNoCode = 0xFFFF;
  struct Entry {
    // The symbol; in the first table, an entry of length 0 holds the number of its second
    // table instead, or kNoCode.
    std::uint16_t symbol = kNoCode;
    std::uint8_t length = 0;  // of the whole code; 0: no code ends here
  };
  // Codes up to this length are found with one look-up.
  static constexpr unsigned kPrimaryBits = 9;
  static constexpr unsigned kMaxLength = 16;

  // The codes: symbols in ascending order of bit length (stable), counted upwards from
  // the longest; the codes are left-aligned in 16 bits and go to the stream bit-reversed.
  TreeFault Build(const std::vector<std::uint8_t>& lengths) {
    const unsigned n = static_cast<unsigned>(lengths.size());
    std::array<unsigned, kMaxLength + 2> start{};
    for (const std::uint8_t length : lengths) ++start[length + 1u];
    for (unsigned length = 1; length <= kMaxLength + 1; ++length) start[length] += start[length - 1];
    std::vector<unsigned> order(n);
    for (unsigned symbol = 0; symbol < n; ++symbol) order[start[lengths[symbol]]++] = symbol;

    std::vector<std::uint16_t> codes(n);
    std::uint32_t code = 0;
    std::uint32_t increment = 0;
    unsigned lastLength = 0;
    for (int i = static_cast<int>(n) - 1; i >= 0; --i) {
      code += increment;
      if (code > 0xFFFF) return TreeFault::Oversubscribed;  // more codes than the lengths allow
      const unsigned symbol = order[static_cast<unsigned>(i)];
      if (lengths[symbol] != lastLength) {
        lastLength = lengths[symbol];
        increment = 1u << (16 - lastLength);
      }
      codes[symbol] = static_cast<std::uint16_t>(code);
    }

    maxLength_ = *std::max_element(lengths.begin(), lengths.end());
    primaryBits_ = std::min(maxLength_, kPrimaryBits);
    secondBits_ = maxLength_ - primaryBits_;
    table_.assign(std::size_t{1} << primaryBits_, Entry{});
    second_.clear();
    std::uint16_t secondTables = 0;
    for (unsigned symbol = 0; symbol < n; ++symbol) {
      const unsigned length = lengths[symbol];
      const unsigned reversed = Reverse16(codes[symbol]) & ((1u << length) - 1);
      const Entry entry{static_cast<std::uint16_t>(symbol), static_cast<std::uint8_t>(length)};
      if (length <= primaryBits_) {
        for (unsigned fill = reversed; fill < table_.size(); fill += 1u << length) {
          if (table_[fill].symbol != kNoCode) return TreeFault::Ambiguous;  // two codes share a prefix
          table_[fill] = entry;
        }
        continue;
      }
      Entry& head = table_[reversed & ((1u << primaryBits_) - 1)];
      if (head.length != 0) return TreeFault::Ambiguous;
      if (head.symbol == kNoCode) {
        head.symbol = secondTables++;
        second_.resize(std::size_t{secondTables} << secondBits_);
      }
      const std::size_t base = static_cast<std::size_t>(head.symbol) << secondBits_;
      for (unsigned fill = reversed >> primaryBits_; fill < (1u << secondBits_); fill += 1u << (length - primaryBits_)) {
        if (second_[base + fill].length != 0) return TreeFault::Ambiguous;
        second_[base + fill] = entry;
      }
    }
    return TreeFault::None;
  }

  unsigned maxLength_ = 1;
  unsigned primaryBits_ = 1;
  unsigned secondBits_ = 0;
  std::vector<Entry> table_;
  std::vector<Entry> second_;
};

// Copies `length` bytes from `distance` back in the window to its end, and out. The copy
// goes in runs that wrap neither the source nor the target. When a run's source overlaps
// its target (only a source just before it can), the bytes repeat with the period
// `distance`: each copy from the source's start then doubles what is made. Short runs,
// the most common, are cheaper copied byte by byte, forwards, which repeats alike.
void CopyMatch(std::uint8_t* window, unsigned& pos, unsigned distance, unsigned length, ByteSink& out) {
  while (length > 0) {
    const unsigned from = (pos - distance) & kWindowMask;
    const unsigned to = pos & kWindowMask;
    const unsigned run = std::min({length, kWindowSize - from, kWindowSize - to});
    if (run <= kShortRun) {
      for (unsigned i = 0; i < run; ++i) {
        window[to + i] = window[from + i];
        out.Put(window[to + i]);
      }
    } else {
      for (unsigned done = 0; done < run;) {
        const unsigned n = std::min(run - done, distance + done);
        std::memmove(window + to + done, window + from, n);
        done += n;
      }
      out.Write(window + to, run);
    }
    pos += run;
    length -= run;
  }
}

// The rule a tree's lengths broke, by tree (literal, length, distance) and fault.
const char* TreeRule(int tree, TreeFault fault) {
  static constexpr const char* kRules[3][4] = {
      {"too many literal code lengths", "too few literal code lengths", "oversubscribed literal code lengths",
       "ambiguous literal codes"},
      {"too many length code lengths", "too few length code lengths", "oversubscribed length code lengths",
       "ambiguous length codes"},
      {"too many distance code lengths", "too few distance code lengths", "oversubscribed distance code lengths",
       "ambiguous distance codes"}};
  return kRules[tree][static_cast<int>(fault) - 1];
}

}  // namespace

DecodeStatus Explode(ByteSource& in, ByteSink& out, std::uint16_t flags) {
  const bool bigDictionary = (flags & kFlagBigDictionary) != 0;
  const bool literalTree = (flags & kFlagLiteralTree) != 0;
  const unsigned minMatch = literalTree ? 3 : 2;
  const unsigned lowDistanceBits = bigDictionary ? 7 : 6;

  BitReader bits(in);
  ShannonFanoTree trees[3];  // literals, lengths, distances
  for (int tree = literalTree ? 0 : 1; tree < 3; ++tree) {
    const TreeFault fault = trees[tree].Read(bits, tree == 0 ? 256 : 64);
    if (bits.Exhausted()) return DecodeStatus::Truncated;
    if (fault != TreeFault::None) return DecodeStatus::Broken(TreeRule(tree, fault));
  }
  const ShannonFanoTree& literals = trees[0];
  const ShannonFanoTree& lengths = trees[1];
  const ShannonFanoTree& distances = trees[2];

  std::unique_ptr<std::uint8_t[]> window(new std::uint8_t[kWindowSize]());
  unsigned pos = 0;
  while (out.Produced() < out.UncompressedSize()) {
    if (bits.Get(1) != 0) {
      int literal = literalTree ? literals.Decode(bits) : static_cast<int>(bits.Get(8));
      if (literal < 0) return DecodeStatus::Broken("invalid literal code");
      window[pos++ & kWindowMask] = static_cast<std::uint8_t>(literal);
      out.Put(static_cast<std::uint8_t>(literal));
    } else {
      const unsigned low = bits.Get(lowDistanceBits);
      const int high = distances.Decode(bits);
      int length = lengths.Decode(bits);
      if (high < 0) return DecodeStatus::Broken("invalid distance code");
      if (length < 0) return DecodeStatus::Broken("invalid length code");
      if (length == 63) length += static_cast<int>(bits.Get(8));
      length += static_cast<int>(minMatch);
      const unsigned distance = ((static_cast<unsigned>(high) << lowDistanceBits) | low) + 1;
      CopyMatch(window.get(), pos, distance, static_cast<unsigned>(length), out);
    }
    if (bits.Exhausted()) return DecodeStatus::Truncated;
  }
  return DecodeStatus::Complete;
}

}  // namespace brimsel
