#pragma once
// What the window sees of the package body while it arrives: the progress label and bar,
// and the message queue pumped with them. They follow the body by 4096-byte chunks, but at
// most every kProgressGapMs (a fast download would otherwise spend its time painting), and
// always show the last chunk; however the bytes come, the window is pumped at least every
// kPumpIntervalMs, and while the body is awaited.

#include <chrono>
#include <cstdint>

namespace brimsel {

class DownloadView;

class DownloadProgress {
 public:
  static constexpr std::int64_t kChunkSize = 4096;
  static constexpr int kProgressGapMs = 20;

  DownloadProgress(DownloadView& view, std::int64_t rangeLength) : view_(view), rangeLength_(rangeLength) {}

  // After a receive, with the body bytes received so far; `last` when the body is done.
  void Received(std::int64_t received, bool last);
  // After a slice of waiting for the body.
  void Waiting() { ShowAndPump(Clock::now()); }

 private:
  using Clock = std::chrono::steady_clock;
  void ShowAndPump(Clock::time_point now);

  DownloadView& view_;
  std::int64_t rangeLength_;
  std::int64_t received_ = 0;
  std::int64_t shown_ = 0;
  bool pumped_ = false;
  Clock::time_point lastPump_;
};

}  // namespace brimsel
