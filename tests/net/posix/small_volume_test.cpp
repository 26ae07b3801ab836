// The package download on a small volume of its own, against a hostile server that
// announces 2147483647 bytes and sends without end: a length the volume cannot hold is
// refused before a byte is written, and no more bytes are written than were announced.

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "net/download_fixture.h"
#include "net/net_test_support.h"
#include "platform/files.h"
#include "platform/free_space.h"
#include "support/posix/private_volume.h"
#include "support/scripted_server.h"

namespace brimsel::test {
namespace {

constexpr std::size_t kVolumeBytes = 1024 * 1024;
constexpr std::int32_t kHostileLength = 2147483647;

class SmallVolumeTest : public StagingTest {
 protected:
  // A server whose HEAD reply announces `headLength` and whose GET reply announces
  // 2147483647; both send bytes without end once their head is out.
  void StartServer(std::int64_t headLength) {
    server_ = std::make_unique<ScriptedServer>(kNetTestBlock, [headLength](ServerConnection& connection, int) {
      const bool head = connection.ReadRequest().starts_with("HEAD ");
      connection.Send(HttpReplyHead(head ? 200 : 206, head ? headLength : kHostileLength));
      connection.SendUntilClientGoes(std::string(64 * 1024, 'x'), 20s);
    });
  }
  // The download on the small volume: its description, the package's size and the
  // volume's free bytes before and after, one a line.
  std::vector<std::string> DownloadOnSmallVolume() {
    std::string why;
    const std::optional<std::string> text = RunOnPrivateVolume(
        folder_.path(), kVolumeBytes,
        [this] {
          const auto before = platform::FreeSpaceOf(folder_.WinPath());
          const DownloadReport report =
              DownloadPackageReporting(socket_, view_, server_->Url("/update/Brimsel.zip"), LocalPath());
          const auto after = platform::FreeSpaceOf(folder_.WinPath());
          return DescribeDownload(report) + "\n" + std::to_string(platform::FileSizeOf(LocalPath()).value_or(-1)) +
                 "\n" + std::to_string(before.value_or(0)) + "\n" + std::to_string(after.value_or(0));
        },
        why);
    if (!text) {
      skipReason_ = why;
      return {};
    }
    std::vector<std::string> lines;
    std::istringstream in(*text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::unique_ptr<ScriptedServer> server_;
  std::string skipReason_;
};

TEST_F(SmallVolumeTest, LengthTheVolumeCannotHoldIsRefusedBeforeAnythingIsWritten) {
  StartServer(kHostileLength);
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  const std::vector<std::string> lines = DownloadOnSmallVolume();
  if (lines.empty()) GTEST_SKIP() << skipReason_;
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "the staging volume has no room for the package: 2147483647 bytes to write, " + lines[2] +
                          " bytes free on the volume (HEAD 200, length 2147483647; 0 bytes received)");
  EXPECT_EQ(lines[1], "0");         // the package file, empty
  EXPECT_EQ(lines[3], lines[2]);    // nothing of the volume taken
  ASSERT_EQ(server_->Requests().size(), 1u) << "the body was never asked for";
  EXPECT_TRUE(server_->Requests()[0].starts_with("HEAD "));
}

TEST_F(SmallVolumeTest, NoMoreIsWrittenThanTheHeadAnnouncedWhateverTheGetSends) {
  StartServer(100000);
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  const std::vector<std::string> lines = DownloadOnSmallVolume();
  if (lines.empty()) GTEST_SKIP() << skipReason_;
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines[0].starts_with("complete")) << lines[0];
  EXPECT_EQ(lines[1], "100000");
  EXPECT_LE(std::stoll(lines[2]) - std::stoll(lines[3]), 100000 + 4096);
}

}  // namespace
}  // namespace brimsel::test
