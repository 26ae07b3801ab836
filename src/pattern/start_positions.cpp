#include "pattern/start_positions.h"

#include <algorithm>
#include <cstring>

namespace brimsel::pattern {
namespace {

// How common a byte is in web pages and other text, roughly: a literal is looked for by its
// rarest byte, with memchr, which skips the common bytes of a page far faster than any
// comparison at each position.
int Commonness(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || c == ' ' || c == '<' || c == '>' || c == '/' || c == '"' || c == '=' || c == '\r' ||
      c == '\n' || c == '\t') {
    return 3;
  }
  if ((c >= '0' && c <= '9') || c >= 0x80) return 2;
  if ((c >= 'A' && c <= 'Z') || c == '.' || c == '-' || c == ':' || c == ';' || c == ',') return 1;
  return 0;
}

}  // namespace

std::size_t RarestByteOf(std::string_view literal) {
  std::size_t rarest = 0;
  for (std::size_t i = 1; i < literal.size(); ++i) {
    if (Commonness(static_cast<unsigned char>(literal[i])) < Commonness(static_cast<unsigned char>(literal[rarest]))) {
      rarest = i;
    }
  }
  return rarest;
}

std::size_t LiteralFinder::Find(std::string_view text, std::size_t from) const {
  const std::size_t length = literal_.size();
  const auto rare = static_cast<unsigned char>(literal_[rarest_]);
  while (from <= text.size() && text.size() - from >= length) {
    const char* scan = text.data() + from + rarest_;
    const void* found = std::memchr(scan, rare, text.size() - length + 1 - from);
    if (found == nullptr) return StartPositions::kNone;
    const std::size_t start = static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) - rarest_;
    if (std::memcmp(text.data() + start, literal_.data(), length) == 0) return start;
    from = start + 1;
  }
  return StartPositions::kNone;
}

std::size_t StartPositions::Next(std::size_t from) {
  const std::size_t end = input_.size();
  const auto* bytes = reinterpret_cast<const unsigned char*>(input_.data());
  const std::size_t longest = program_.longest_match_at_end;
  if (longest != Program::kNoLimit && end > longest) from = std::max(from, end - longest);
  // Starts with fewer bytes left than the shortest match takes cannot match.
  if (program_.shortest_match > end) return kNone;
  const std::size_t last = end - program_.shortest_match;
  for (std::size_t start = from; start <= last; ++start) {
    if (!program_.literal_prefix.empty()) {
      start = prefix_.Find(input_, start);
      if (start == kNone) return kNone;
    } else if (!program_.can_match_empty) {
      // A match consumes its first byte at its start: skip starts that cannot begin one.
      if (start == end) return kNone;
      if (program_.single_first_byte) {
        const void* found = std::memchr(bytes + start, program_.first_bytes.First(), end - start);
        if (found == nullptr) return kNone;
        start = static_cast<std::size_t>(static_cast<const unsigned char*>(found) - bytes);
      } else if (!program_.first_bytes.Contains(bytes[start])) {
        continue;
      }
    }
    if (start > last) return kNone;
    // Each required item within its window of the start; too far ahead, the first start
    // that can reach it is the next to try.
    std::size_t reaching = literal_required_ ? FirstReachingLiteral(start) : start;
    if (set_required_ && reaching != kNone) reaching = std::max(reaching, FirstReachingSet(start));
    if (reaching == start) return start;
    if (reaching == kNone) return kNone;
    start = reaching - 1;
  }
  return kNone;
}

namespace {

// The first start from `start` on whose window [start + min_offset, start + max_offset]
// holds `found`, the first occurrence at or after start + min_offset; kNone for none.
std::size_t FirstStartReaching(std::size_t start, std::size_t found, std::size_t max_offset) {
  if (found == StartPositions::kNone) return StartPositions::kNone;
  if (max_offset == Program::kNoLimit || found - start <= max_offset) return start;
  return found - max_offset;
}

}  // namespace

// Starts only grow, so one occurrence far enough ahead of one start may serve many, and an
// item missing after one start is missing after every later one.
std::size_t StartPositions::FirstReachingLiteral(std::size_t start) {
  const std::size_t earliest = start + program_.required_min_offset;
  if (required_at_ == kUnknown || (required_at_ != kNone && required_at_ < earliest)) {
    required_at_ = required_.Find(input_, earliest);
  }
  return FirstStartReaching(start, required_at_, program_.required_max_offset);
}

std::size_t StartPositions::FirstReachingSet(std::size_t start) {
  const std::size_t earliest = start + program_.required_set_min_offset;
  if (required_set_at_ == kUnknown || (required_set_at_ != kNone && required_set_at_ < earliest)) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(input_.data());
    std::size_t at = earliest;
    while (at < input_.size() && !program_.required_set.Contains(bytes[at])) ++at;
    required_set_at_ = at < input_.size() ? at : kNone;
  }
  return FirstStartReaching(start, required_set_at_, program_.required_set_max_offset);
}

}  // namespace brimsel::pattern
