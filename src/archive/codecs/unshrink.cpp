#include "archive/codecs/unshrink.h"

#include <memory>
#include <span>
#include <vector>

namespace brimsel {
namespace {

constexpr unsigned kInitialCodeSize = 9;
constexpr unsigned kMaxCodeSize = 13;
constexpr unsigned kTableSize = 1u << kMaxCodeSize;  // 8192 codes
constexpr unsigned kControlCode = 256;  // followed by 1 (wider codes) or 2 (partial clear)
constexpr unsigned kFirstDynamicCode = 257;
constexpr std::uint16_t kUnused = 0xFFFF;  // prefix of a code not in the table

// The code table: each dynamic code is a prefix code plus one final byte, and its string
// is spelled backwards by following the prefixes. A partial clear may free the previous
// code while a new code still names it as its prefix; once the freed code is given to a
// new string, the older code's string changes with it. So a string, its first byte
// included, is only ever read through the table as it is now.
class CodeTable {
 public:
  CodeTable() {
    for (unsigned c = 0; c < kTableSize; ++c) prefix_[c] = kUnused;
    for (unsigned c = 0; c < 256; ++c) last_[c] = static_cast<std::uint8_t>(c);
  }

  bool Defined(unsigned code) const { return code < 256 || (code >= kFirstDynamicCode && prefix_[code] != kUnused); }
  // The lowest free dynamic code, or kTableSize when the table is full.
  unsigned NextFree() const { return nextFree_; }

  void Add(unsigned prefix, std::uint8_t byte) {
    const unsigned code = nextFree_;
    prefix_[code] = static_cast<std::uint16_t>(prefix);
    last_[code] = byte;
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

  // The string of a code as the table holds it now; empty when its prefix chain is broken
  // (a chain through a freed code, or a loop, which only corrupt data can build). The view
  // stays valid until the next Spell.
  std::span<const std::uint8_t> Spell(unsigned code) {
    std::uint8_t* const begin = spell_.get();
    std::uint8_t* const end = begin + kTableSize;
    std::uint8_t* p = end;
    while (code >= 256) {
      if (prefix_[code] == kUnused || p == begin + 1) return {};
      *--p = last_[code];
      code = prefix_[code];
    }
    *--p = static_cast<std::uint8_t>(code);
    return {p, end};
  }

 private:
  std::uint16_t prefix_[kTableSize];
  std::uint8_t last_[kTableSize] = {};
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
        return DecodeStatus::Broken(command == 1 ? "code size beyond 13 bits" : "invalid control code");
      }
      continue;
    }

    if (previous < 0) {
      // The first code stands for a single byte.
      if (code >= 256) return DecodeStatus::Broken("first code not a literal");
      out.Put(static_cast<std::uint8_t>(code));
      previous = static_cast<int>(code);
      continue;
    }

    // The new code is the previous string plus the first byte of this one. A code that
    // is not yet defined can only be that very new code: then its string is the previous
    // string plus that string's own first byte.
    std::span<const std::uint8_t> text;
    bool selfReference = false;
    if (table->Defined(code)) {
      text = table->Spell(code);
    } else if (code == table->NextFree()) {
      text = table->Spell(static_cast<unsigned>(previous));
      selfReference = true;
    } else {
      return DecodeStatus::Broken("undefined code");
    }
    if (text.empty()) return DecodeStatus::Broken("code through a freed code");
    // Adding takes a free slot, which no spelled chain runs through: `text` stays whole.
    if (table->NextFree() < kTableSize) table->Add(static_cast<unsigned>(previous), text.front());
    out.Write(text.data(), text.size());
    if (selfReference) out.Put(text.front());
    previous = static_cast<int>(code);
  }
  return DecodeStatus::Complete;
}

}  // namespace brimsel
