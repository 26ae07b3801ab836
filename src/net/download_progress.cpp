#include "net/download_progress.h"

#include "net/download_view.h"
#include "net/progress_label.h"
#include "platform/network_limits.h"
#include "platform/pump.h"

namespace brimsel {

void DownloadProgress::Received(std::int64_t received, bool last) {
  received_ = received;
  const Clock::time_point now = Clock::now();
  const auto sincePump = pumped_ ? now - lastPump_ : Clock::duration::max();
  const bool chunkCrossed = received / kChunkSize != shown_ / kChunkSize;
  if (last || (chunkCrossed && sincePump >= std::chrono::milliseconds(kProgressGapMs)) ||
      sincePump >= std::chrono::milliseconds(platform::kPumpIntervalMs)) {
    ShowAndPump(now);
  }
}

void DownloadProgress::ShowAndPump(Clock::time_point now) {
  if (received_ != shown_) {
    view_.SetDownLabel(ProgressLabel(received_, rangeLength_));
    view_.SetProgressMax(static_cast<int>(rangeLength_));
    view_.SetProgressPosition(static_cast<int>(received_));
    shown_ = received_;
  }
  platform::ProcessMessages();
  pumped_ = true;
  lastPump_ = now;
}

}  // namespace brimsel
