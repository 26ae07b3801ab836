#pragma once
// A set of byte values: the engine's characters are bytes, so a class, a case-folded
// letter and "any character" all become one of these.

#include <array>
#include <cstdint>
#include <string_view>

namespace brimsel::pattern {

class CharSet {
 public:
  static CharSet All() {
    CharSet set;
    set.words_.fill(~std::uint64_t{0});
    return set;
  }
  static CharSet Of(std::string_view bytes) {
    CharSet set;
    for (char c : bytes) set.Add(static_cast<unsigned char>(c));
    return set;
  }

  bool Contains(unsigned char byte) const { return (words_[byte >> 6] >> (byte & 63)) & 1; }
  void Add(unsigned char byte) { words_[byte >> 6] |= std::uint64_t{1} << (byte & 63); }
  void AddRange(unsigned char low, unsigned char high) {
    for (unsigned value = low; value <= high; ++value) Add(static_cast<unsigned char>(value));
  }
  void Add(const CharSet& other) {
    for (std::size_t i = 0; i < words_.size(); ++i) words_[i] |= other.words_[i];
  }
  void Remove(const CharSet& other) {
    for (std::size_t i = 0; i < words_.size(); ++i) words_[i] &= ~other.words_[i];
  }
  CharSet Complement() const {
    CharSet set;
    for (std::size_t i = 0; i < words_.size(); ++i) set.words_[i] = ~words_[i];
    return set;
  }
  // Adds the other letter case of every ASCII letter in the set.
  void AddOtherLetterCase() {
    for (unsigned char c = 'a'; c <= 'z'; ++c) {
      const auto upper = static_cast<unsigned char>(c - 'a' + 'A');
      if (Contains(c) || Contains(upper)) {
        Add(c);
        Add(upper);
      }
    }
  }
  bool Disjoint(const CharSet& other) const {
    for (std::size_t i = 0; i < words_.size(); ++i) {
      if ((words_[i] & other.words_[i]) != 0) return false;
    }
    return true;
  }
  bool Empty() const { return words_ == std::array<std::uint64_t, 4>{}; }
  int Count() const {
    int count = 0;
    for (auto word : words_) count += __builtin_popcountll(word);
    return count;
  }
  // The lowest byte of the set; only meaningful when the set is not empty.
  unsigned char First() const {
    for (unsigned value = 0; value < 256; ++value) {
      if (Contains(static_cast<unsigned char>(value))) return static_cast<unsigned char>(value);
    }
    return 0;
  }
  bool operator==(const CharSet&) const = default;

 private:
  std::array<std::uint64_t, 4> words_{};
};

// Letter case for the i modifier. The system code page is GBK: its bytes from 0x80 up are
// lead and trail bytes of double-byte characters, which have no case, so only the ASCII
// letters change case (the single-byte mapping of the ANSI code page does the same).
inline bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline unsigned char FoldCase(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace brimsel::pattern
