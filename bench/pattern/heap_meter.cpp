#include "heap_meter.h"

#include <cstdlib>
#include <new>

namespace heap_meter {
namespace {

// Each block starts with its size, kept in a header that holds the largest alignment.
constexpr std::size_t kHeader = alignof(std::max_align_t);
std::size_t held = 0;
std::size_t baseline = 0;
std::size_t peak = 0;

}  // namespace

void Reset() {
  baseline = held;
  peak = held;
}

std::size_t PeakSinceReset() { return peak - baseline; }

void* Allocate(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) return nullptr;
  *reinterpret_cast<std::size_t*>(block) = size;
  held += size;
  if (held > peak) peak = held;
  return block + kHeader;
}

void Release(void* pointer) {
  if (pointer == nullptr) return;
  auto* block = static_cast<unsigned char*>(pointer) - kHeader;
  held -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}

}  // namespace heap_meter

void* operator new(std::size_t size) {
  void* block = heap_meter::Allocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { heap_meter::Release(block); }
void operator delete[](void* block) noexcept { heap_meter::Release(block); }
void operator delete(void* block, std::size_t) noexcept { heap_meter::Release(block); }
void operator delete[](void* block, std::size_t) noexcept { heap_meter::Release(block); }
