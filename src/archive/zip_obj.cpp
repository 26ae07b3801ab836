#include "archive/zip_obj.h"

#include <algorithm>

#include "archive/zip_exceptions.h"

namespace brimsel {

TZipEntryInfo& TSortedEntries::Items(int index) {
  return const_cast<TZipEntryInfo&>(static_cast<const TSortedEntries&>(*this).Items(index));
}

const TZipEntryInfo& TSortedEntries::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError::IndexOutOfRange(index);
  RebuildOrder();
  return *inOrder_[static_cast<std::size_t>(index)];
}

TZipEntryInfo& TSortedEntries::Add(std::unique_ptr<TZipEntryInfo> entry) {
  const Key key = KeyOf(*entry);
  // The usual order is ascending: a key beyond the last goes in at the end at once.
  auto hint = byKey_.end();
  if (!byKey_.empty() && !(std::prev(hint)->first < key)) {
    hint = byKey_.lower_bound(key);
    if (hint != byKey_.end() && hint->first == key) throw EListError(kDuplicateObjectIndex);
  }
  TZipEntryInfo& added = *entry;
  const bool atEnd = hint == byKey_.end();
  byKey_.emplace_hint(hint, key, std::move(entry));
  if (atEnd && !orderStale_) {
    inOrder_.push_back(&added);
  } else {
    orderStale_ = true;
  }
  return added;
}

TZipEntryInfo* TSortedEntries::Find(std::uint32_t disk, std::uint64_t offset) {
  auto it = byKey_.find(Key{disk, offset});
  return it == byKey_.end() ? nullptr : it->second.get();
}

void TSortedEntries::Clear() {
  byKey_.clear();
  inOrder_.clear();
  orderStale_ = false;
}

void TSortedEntries::RebuildOrder() const {
  if (!orderStale_) return;
  inOrder_.clear();
  inOrder_.reserve(byKey_.size());
  for (const auto& [key, entry] : byKey_) inOrder_.push_back(entry.get());
  orderStale_ = false;
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
