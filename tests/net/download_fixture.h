#pragma once
// What the download tests share: a view that records what the download shows, bytes for
// packages, and a temporary staging folder with the socket and the view.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/download_package.h"
#include "net/download_view.h"
#include "platform/client_socket.h"
#include "support/temp_dir.h"

namespace brimsel::test {

class RecordingView : public DownloadView {
 public:
  bool& CancelFlag() override { return cancel; }
  void SetDownLabel(const std::string& text) override { labels.push_back(text); }
  void SetProgressMax(int value) override { max = value; }
  void SetProgressPosition(int value) override { positions.push_back(value); }

  bool cancel = false;
  std::vector<std::string> labels;
  int max = -1;
  std::vector<int> positions;
};

// Bytes that differ from position to position, so that a misplaced chunk shows.
inline std::string PackageBytes(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 12345;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

// Short waits, for servers that fall silent on purpose: `ms` for a header byte, and the
// body's pace window.
inline DownloadLimits ShortWaits(int ms) {
  DownloadLimits limits;
  limits.headerWaitMs = ms;
  limits.pace.window = std::chrono::milliseconds(ms);
  return limits;
}

class StagingTest : public ::testing::Test {
 protected:
  std::string LocalPath() const { return folder_.WinPath() + "Brimsel.zip"; }
  std::string LocalBytes() const { return TempDir::Read(folder_.path() / "Brimsel.zip"); }

  TempDir folder_;
  platform::TClientSocket socket_;
  RecordingView view_;
};

}  // namespace brimsel::test
