#include "net/download_pace.h"

#include <utility>

namespace brimsel {

std::string DescribePaceRule(const PaceRule& rule) {
  const auto ms = rule.window.count();
  return "fewer than " + std::to_string(rule.minBytes) + " bytes in " +
         (ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms");
}

PaceWatch::PaceWatch(PaceRule rule) : rule_(std::move(rule)), start_(Now()) {}

void PaceWatch::Received(std::int64_t bytes) {
  if (bytes <= 0) return;
  recent_.push_back({Now(), bytes});
  recentBytes_ += bytes;
  while (recent_.size() > 1 && recentBytes_ - recent_.front().bytes >= rule_.minBytes) {
    recentBytes_ -= recent_.front().bytes;
    recent_.pop_front();
  }
}

bool PaceWatch::TooSlow() {
  const Clock::time_point now = Now();
  if (now - start_ < rule_.window) return false;
  // What arrived before the window that ends now counts no longer.
  while (!recent_.empty() && recent_.front().at <= now - rule_.window) {
    recentBytes_ -= recent_.front().bytes;
    recent_.pop_front();
  }
  return recentBytes_ < rule_.minBytes;
}

}  // namespace brimsel
