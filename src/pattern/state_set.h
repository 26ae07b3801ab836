#pragma once
// A set of fixed-width keys (a few 64-bit words each) in one flat table with linear
// probing: the remembered states that do not fit the matcher's bitmap. No allocation per
// key, which matters when a search remembers millions of states.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brimsel::pattern {

class StateSet {
 public:
  // Empties the set; every key from now on has `width` words, and its first word is not 0.
  void Reset(std::size_t width);
  // True when the key was not in the set yet (it is now).
  bool Insert(const std::uint64_t* key);

 private:
  std::size_t Slot(const std::uint64_t* key) const;
  void Grow();

  std::size_t width_ = 1;
  std::size_t capacity_ = 0;  // slots, a power of two
  std::size_t size_ = 0;
  std::vector<std::uint64_t> words_;  // capacity_ * width_; a first word of 0 marks a free slot
};

}  // namespace brimsel::pattern
