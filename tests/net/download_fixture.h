#pragma once
// What the download tests share: a view that records what the download shows, package
// servers that behave or misbehave, and a temporary staging folder.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/download_package.h"
#include "net/download_view.h"
#include "net_test_blocks.h"
#include "platform/client_socket.h"
#include "support/scripted_server.h"
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
std::string PackageBytes(std::size_t size);
// The offset of a "RANGE: bytes=<n>-" line, or -1.
std::int64_t RangeStartOf(const std::string& request);

// A server that answers HEAD with the package's length and a ranged GET with the rest of
// the package (206, or 200 from byte 0).
ScriptedServer::Script PackageServer(std::string package);

class DownloadTest : public ::testing::Test {
 protected:
  void StartServer(ScriptedServer::Script script) {
    server_ = std::make_unique<ScriptedServer>(kNetTestBlock, std::move(script));
  }
  std::string PackageUrl() const { return server_->Url("/update/Brimsel.zip"); }
  std::string LocalPath() const { return folder_.WinPath() + "Brimsel.zip"; }
  std::string LocalBytes() const { return TempDir::Read(folder_.path() / "Brimsel.zip"); }
  bool Download(const DownloadLimits& limits = {}) {
    return DownloadPackage(socket_, view_, PackageUrl(), LocalPath(), limits);
  }
  // Short waits, for the servers that fall silent on purpose.
  static DownloadLimits QuickLimits() { return DownloadLimits{200, 200, kMaxHeaderLine}; }

  TempDir folder_;
  std::unique_ptr<ScriptedServer> server_;
  platform::TClientSocket socket_;
  RecordingView view_;
};

}  // namespace brimsel::test
