#include "archive/directory/zip_obj.h"

#include <algorithm>

#include "archive/zip_exceptions.h"

namespace brimsel {

namespace {

bool KeyLess(const std::unique_ptr<TZipEntryInfo>& a, const std::unique_ptr<TZipEntryInfo>& b) {
  return TSortedEntries::KeyOf(*a) < TSortedEntries::KeyOf(*b);
}

// Where `key` is or would go in a sorted run.
auto LowerBound(const std::vector<std::unique_ptr<TZipEntryInfo>>& run, const TSortedEntries::Key& key) {
  return std::lower_bound(run.begin(), run.end(), key, [](const std::unique_ptr<TZipEntryInfo>& e,
                                                          const TSortedEntries::Key& k) { return TSortedEntries::KeyOf(*e) < k; });
}

// The two sorted runs as one, `b` emptied.
void MergeInto(std::vector<std::unique_ptr<TZipEntryInfo>>& a, std::vector<std::unique_ptr<TZipEntryInfo>>& b) {
  std::vector<std::unique_ptr<TZipEntryInfo>> merged;
  merged.reserve(a.size() + b.size());
  std::merge(std::make_move_iterator(a.begin()), std::make_move_iterator(a.end()), std::make_move_iterator(b.begin()),
             std::make_move_iterator(b.end()), std::back_inserter(merged), KeyLess);
  a = std::move(merged);
  b.clear();
  b.shrink_to_fit();
}

}  // namespace

TZipEntryInfo& TSortedEntries::Items(int index) {
  return const_cast<TZipEntryInfo&>(static_cast<const TSortedEntries&>(*this).Items(index));
}

const TZipEntryInfo& TSortedEntries::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError::IndexOutOfRange(index);
  MergeAll();
  return *runs_.front()[static_cast<std::size_t>(index)];
}

TZipEntryInfo& TSortedEntries::Add(std::unique_ptr<TZipEntryInfo> entry) {
  const Key key = KeyOf(*entry);
  if (runs_.empty()) runs_.emplace_back();
  for (const Run& run : runs_) {
    const auto at = LowerBound(run, key);
    if (at != run.end() && KeyOf(**at) == key) throw EListError(kDuplicateObjectIndex);
  }
  TZipEntryInfo& added = *entry;
  ++count_;
  // The usual order is ascending: a key beyond the last of the first run goes in at once.
  if (runs_.size() == 1 && (runs_.front().empty() || KeyOf(*runs_.front().back()) < key)) {
    runs_.front().push_back(std::move(entry));
    return added;
  }
  runs_.emplace_back();
  runs_.back().push_back(std::move(entry));
  // Later runs are merged while the one before is no longer than the last.
  while (runs_.size() > 2 && runs_[runs_.size() - 2].size() <= runs_.back().size()) {
    MergeInto(runs_[runs_.size() - 2], runs_.back());
    runs_.pop_back();
  }
  return added;
}

TZipEntryInfo* TSortedEntries::Find(std::uint32_t disk, std::uint64_t offset) {
  const Key key{disk, offset};
  for (const Run& run : runs_) {
    const auto at = LowerBound(run, key);
    if (at != run.end() && KeyOf(**at) == key) return at->get();
  }
  return nullptr;
}

void TSortedEntries::Clear() {
  runs_.clear();
  count_ = 0;
}

void TSortedEntries::MergeAll() const {
  while (runs_.size() > 1) {
    MergeInto(runs_[runs_.size() - 2], runs_.back());
    runs_.pop_back();
  }
}

namespace {

// Compression rate in per mille; 0 for an empty entry.
std::uint64_t RateOf(const TZipEntryInfo& e) {
  const std::uint64_t size = e.EffectiveUncompressedSize();
  if (size == 0) return 0;
  return static_cast<std::uint64_t>(static_cast<long double>(e.EffectiveCompressedSize()) * 1000 / size);
}

}  // namespace

std::vector<TZipEntryInfo*> BuildEntryView(TSortedEntries& entries, TZipSortMode mode) {
  std::vector<TZipEntryInfo*> view;
  view.reserve(static_cast<std::size_t>(entries.Count()));
  for (int i = 0; i < entries.Count(); ++i) view.push_back(&entries.Items(i));
  auto by = [&view](auto less) { std::stable_sort(view.begin(), view.end(), less); };
  using E = const TZipEntryInfo*;
  switch (mode) {
    case TZipSortMode::ByNone:
      break;
    case TZipSortMode::ByName:
      by([](E a, E b) { return a->StoredName() < b->StoredName(); });
      break;
    case TZipSortMode::ByFileName:
      by([](E a, E b) { return a->FileName < b->FileName; });
      break;
    case TZipSortMode::ByDirectoryName:
      by([](E a, E b) { return a->Directory < b->Directory; });
      break;
    case TZipSortMode::ByDate:
      // Date in the high word, so the whole value orders by date, then time.
      by([](E a, E b) { return a->DateTime < b->DateTime; });
      break;
    case TZipSortMode::ByCompressedSize:
      by([](E a, E b) { return a->EffectiveCompressedSize() < b->EffectiveCompressedSize(); });
      break;
    case TZipSortMode::ByUnCompressedSize:
      by([](E a, E b) { return a->EffectiveUncompressedSize() < b->EffectiveUncompressedSize(); });
      break;
    case TZipSortMode::ByRate:
      by([](E a, E b) { return RateOf(*a) < RateOf(*b); });
      break;
  }
  return view;
}

}  // namespace brimsel
