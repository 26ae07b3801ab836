#pragma once
// A Shrink compressor for the tests, behaving as the original DOS archiver does: LZW codes
// raised from 9 to 13 bits as they are needed and, once the table is full, a partial clear
// of the leaves just before the next code is added. The code sent last may be freed by
// that clear and still become the prefix of the code added next.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brimsel::test {

// Packs codes least significant bit first, as Shrink does.
class CodeWriter {
 public:
  void Put(unsigned code, unsigned size) {
    bits_ |= static_cast<std::uint64_t>(code) << count_;
    count_ += size;
    for (; count_ >= 8; count_ -= 8, bits_ >>= 8) out_ += static_cast<char>(bits_ & 0xFF);
  }
  std::string Finish() {
    if (count_ > 0) out_ += static_cast<char>(bits_ & 0xFF);
    return out_;
  }

 private:
  std::string out_;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
};

class TestShrinker {
 public:
  std::string Shrink(std::string_view data) {
    int w = -1;
    for (const char ch : data) {
      const auto c = static_cast<std::uint8_t>(ch);
      if (w >= 0) {
        if (const auto child = children_.find(Key(static_cast<unsigned>(w), c)); child != children_.end()) {
          w = static_cast<int>(child->second);
          continue;
        }
        Send(static_cast<unsigned>(w));
        const std::uint8_t first = FirstByte(static_cast<unsigned>(w));
        if (w >= 257 && first != firstWhenAdded_[static_cast<unsigned>(w)]) ++staleFirstBytes_;
        AddCode(static_cast<unsigned>(w), c, first);
      }
      w = c;
    }
    if (w >= 0) Send(static_cast<unsigned>(w));
    return writer_.Finish();
  }
  int Clears() const { return clears_; }
  // Codes sent whose string no longer begins with the byte it began with when the code was
  // added: a freed prefix was given to a new string in between.
  int StaleFirstBytes() const { return staleFirstBytes_; }

 private:
  static constexpr unsigned kTableSize = 8192;
  static constexpr unsigned kFree = 0xFFFF;
  static unsigned Key(unsigned prefix, std::uint8_t byte) { return prefix << 8 | byte; }

  std::uint8_t FirstByte(unsigned code) const {
    while (code >= 257) code = prefix_[code];
    return static_cast<std::uint8_t>(code);
  }

  void Send(unsigned code) {
    while (code >= (1u << codeSize_)) {
      writer_.Put(256, codeSize_);
      writer_.Put(1, codeSize_);
      ++codeSize_;
    }
    writer_.Put(code, codeSize_);
  }

  void AddCode(unsigned prefix, std::uint8_t byte, std::uint8_t first) {
    if (nextFree_ == kTableSize) {
      writer_.Put(256, codeSize_);
      writer_.Put(2, codeSize_);
      ++clears_;
      std::vector<bool> isPrefix(kTableSize, false);
      for (unsigned c = 257; c < kTableSize; ++c)
        if (prefix_[c] != kFree) isPrefix[prefix_[c]] = true;
      for (unsigned c = 257; c < kTableSize; ++c) {
        if (prefix_[c] == kFree || isPrefix[c]) continue;
        children_.erase(Key(prefix_[c], last_[c]));
        prefix_[c] = kFree;
      }
      for (nextFree_ = 257; nextFree_ < kTableSize && prefix_[nextFree_] != kFree;) ++nextFree_;
      if (nextFree_ == kTableSize) return;
    }
    prefix_[nextFree_] = prefix;
    last_[nextFree_] = byte;
    firstWhenAdded_[nextFree_] = first;
    children_[Key(prefix, byte)] = nextFree_;
    while (nextFree_ < kTableSize && prefix_[nextFree_] != kFree) ++nextFree_;
  }

  CodeWriter writer_;
  std::vector<unsigned> prefix_ = std::vector<unsigned>(kTableSize, kFree);
  std::vector<std::uint8_t> last_ = std::vector<std::uint8_t>(kTableSize, 0);
  std::vector<std::uint8_t> firstWhenAdded_ = std::vector<std::uint8_t>(kTableSize, 0);
  std::unordered_map<unsigned, unsigned> children_;
  unsigned nextFree_ = 257;
  unsigned codeSize_ = 9;
  int clears_ = 0;
  int staleFirstBytes_ = 0;
};

}  // namespace brimsel::test
