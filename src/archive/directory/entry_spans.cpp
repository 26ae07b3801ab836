#include "archive/directory/entry_spans.h"

#include <algorithm>
#include <tuple>

#include "archive/directory/zip_records.h"

namespace brimsel {
namespace {

struct Span {
  std::uint32_t disk;
  std::uint64_t begin;
  std::uint64_t end;  // saturated: declared sizes near 2^64 must not wrap round
};

}  // namespace

bool EntriesOverlap(const std::vector<const TZipEntryInfo*>& entries) {
  std::vector<Span> spans;
  spans.reserve(entries.size());
  for (const TZipEntryInfo* entry : entries) {
    const std::uint64_t begin = entry->EffectiveRelativeOffset();
    const std::uint64_t length = kLocalHeaderSize + std::min(entry->EffectiveCompressedSize(), UINT64_MAX - 64);
    const std::uint64_t end = begin > UINT64_MAX - length ? UINT64_MAX : begin + length;
    spans.push_back({entry->EffectiveDiskNumberStart(), begin, end});
  }
  std::sort(spans.begin(), spans.end(),
            [](const Span& a, const Span& b) { return std::tie(a.disk, a.begin) < std::tie(b.disk, b.begin); });
  for (std::size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].disk == spans[i - 1].disk && spans[i].begin < spans[i - 1].end) return true;
  }
  return false;
}

}  // namespace brimsel
