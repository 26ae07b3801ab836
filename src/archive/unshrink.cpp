#include "archive/unshrink.h"

#include <memory>
#include <vector>

namespace brimsel {
namespace {

constexpr unsigned kInitialCodeSize = 9;
constexpr unsigned kMaxCodeSize = 13;
constexpr unsigned kTableSize = 1u << kMaxCodeSize;  // 8192 codes
constexpr unsigned kControlCode = 256;  // followed by 1 (wider codes) or 2 (partial clear)
constexpr unsigned kFirstDynamicCode = 257;
constexpr std::uint16_t kUnused = 0xFFFF;  // prefix of a code not in the table

// The code table: each dynamic code is a prefix code plus one final byte. Strings are
// spelled backwards by following the prefixes; `first_` keeps each code's first byte,
// which every new code needs, to spare that walk.
class CodeTable {
 public:
  CodeTable() {
    for (unsigned c = 0; c < kTableSize; ++c) prefix_[c] = kUnused;
    for (unsigned c = 0; c < 256; ++c) {
      last_[c] = first_[c] = static_cast<std::uint8_t>(c);
    }
  }

  bool Defined(unsigned code) const { return code < 256 || (code >= kFirstDynamicCode && prefix_[code] != kUnused); }
  std::uint8_t First(unsigned code) const { return first_[code]; }
  // The lowest free dynamic code, or kTableSize when the table is full.
  unsigned NextFree() const { return nextFree_; }

  void Add(unsigned prefix, std::uint8_t byte) {
    const unsigned code = nextFree_;
    prefix_[code] = static_cast<std::uint16_t>(prefix);
    last_[code] = byte;
    first_[code] = first_[prefix];
    do {
      ++nextFree_;
    } while (nextFree_ < kTableSize && prefix_[nextFree_] != kUnused);
  }

  // Frees every dynamic code that no other code uses as its prefix.
  void ClearLeaves() {
    std::vector<bool> isPrefix(kTableSize, false);
    for (unsigned c = kFirstDynamicCode; c < kTableSize; ++c)
      if (prefix_[c] != kUnused) isPrefix[prefix_[c]] = true;
    for (unsigned c = kFirstDynamicCode; c < kTableSize; ++c)
      if (prefix_[c] != kUnused && !isPrefix[c]) prefix_[c] = kUnused;
    nextFree_ = kFirstDynamicCode;
    while (nextFree_ < kTableSize && prefix_[nextFree_] != kUnused) ++nextFree_;
  }

  // Writes the string of a defined code. False when its prefix chain is broken (a chain
  // through a freed code, or a loop, which only corrupt data can build).
  bool Emit(unsigned code, ByteSink& out) {
    std::uint8_t* const begin = spell_.get();
    std::uint8_t* const end = begin + kTableSize;
    std::uint8_t* p = end;
    while (code >= 256) {
      if (prefix_[code] == kUnused || p == begin + 1) return false;
      *--p = last_[code];
      code = prefix_[code];
    }
    *--p = static_cast<std::uint8_t>(code);
    out.Write(p, static_cast<std::size_t>(end - p));
    return true;
  }

 private:
  std::uint16_t prefix_[kTableSize];
  std::uint8_t last_[kTableSize] = {};
  std::uint8_t first_[kTableSize] = {};
  unsigned nextFree_ = kFirstDynamicCode;
  std::unique_ptr<std::uint8_t[]> spell_{new std::uint8_t[kTableSize]};
};

}  // namespace

DecodeStatus Unshrink(ByteSource& in, ByteSink& out) {
  BitReader bits(in);
  auto table = std::make_unique<CodeTable>();
  unsigned codeSize = kInitialCodeSize;
  int previous = -1;  // the code read before, none at the start

  while (out.Produced() < out.UncompressedSize()) {
    const unsigned code = bits.Get(codeSize);
    if (bits.Exhausted()) return DecodeStatus::Truncated;

    if (code == kControlCode) {
      const unsigned command = bits.Get(codeSize);
      if (bits.Exhausted()) return DecodeStatus::Truncated;
      if (command == 1 && codeSize < kMaxCodeSize) {
        ++codeSize;
      } else if (command == 2) {
        table->ClearLeaves();
      } else {
        return DecodeStatus::Corrupt;
      }
      continue;
    }

    if (previous < 0) {
      // The first code stands for a single byte.
      if (code >= 256) return DecodeStatus::Corrupt;
      out.Put(static_cast<std::uint8_t>(code));
      previous = static_cast<int>(code);
      continue;
    }

    // The new code is the previous string plus the first byte of this one. A code that
    // is not yet defined can only be that very new code: then its first byte is the
    // previous string's first byte.
    std::uint8_t firstByte;
    if (table->Defined(code)) {
      firstByte = table->First(code);
    } else if (code == table->NextFree()) {
      firstByte = table->First(static_cast<unsigned>(previous));
    } else {
      return DecodeStatus::Corrupt;
    }
    if (table->NextFree() < kTableSize) table->Add(static_cast<unsigned>(previous), firstByte);
    if (!table->Defined(code) || !table->Emit(code, out)) return DecodeStatus::Corrupt;
    previous = static_cast<int>(code);
  }
  return DecodeStatus::Complete;
}

}  // namespace brimsel
