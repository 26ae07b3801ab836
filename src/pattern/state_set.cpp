#include "pattern/state_set.h"

#include <algorithm>

namespace brimsel::pattern {
namespace {

constexpr std::size_t kInitialCapacity = 1024;

std::uint64_t Mix(std::uint64_t value) {
  value ^= value >> 33;
  value *= 0xFF51AFD7ED558CCDull;
  value ^= value >> 33;
  value *= 0xC4CEB9FE1A85EC53ull;
  value ^= value >> 33;
  return value;
}

}  // namespace

void StateSet::Reset(std::size_t width) {
  width_ = width;
  capacity_ = 0;
  size_ = 0;
  words_.clear();
}

std::size_t StateSet::Slot(const std::uint64_t* key) const {
  std::uint64_t hash = 0;
  for (std::size_t i = 0; i < width_; ++i) hash = Mix(hash ^ key[i]);
  std::size_t slot = static_cast<std::size_t>(hash) & (capacity_ - 1);
  for (;;) {
    const std::uint64_t* stored = &words_[slot * width_];
    if (stored[0] == 0 || std::equal(key, key + width_, stored)) return slot;
    slot = (slot + 1) & (capacity_ - 1);
  }
}

bool StateSet::Insert(const std::uint64_t* key) {
  if (2 * (size_ + 1) > capacity_) Grow();
  std::uint64_t* stored = &words_[Slot(key) * width_];
  if (stored[0] != 0) return false;
  std::copy(key, key + width_, stored);
  ++size_;
  return true;
}

void StateSet::Grow() {
  std::vector<std::uint64_t> old = std::move(words_);
  const std::size_t old_capacity = capacity_;
  capacity_ = std::max(kInitialCapacity, 2 * capacity_);
  words_.assign(capacity_ * width_, 0);
  for (std::size_t slot = 0; slot < old_capacity; ++slot) {
    const std::uint64_t* key = &old[slot * width_];
    if (key[0] != 0) std::copy(key, key + width_, &words_[Slot(key) * width_]);
  }
}

}  // namespace brimsel::pattern
