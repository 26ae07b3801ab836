// The package download against a real web server: nginx answers the HEAD and the ranged
// GET, and the file that arrives is the package, byte for byte.

#include <gtest/gtest.h>

#include "download_fixture.h"
#include "nginx_fixture.h"

namespace brimsel::test {
namespace {

constexpr int kNginxBlock = 3;

class NginxDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!nginx_.Running()) GTEST_SKIP() << nginx_.SkipReason();
    nginx_.Publish("update/Brimsel.zip", package_);
  }
  std::string Url() const { return "http://" + nginx_.Address() + "/update/Brimsel.zip"; }
  std::string LocalPath() const { return folder_.WinPath() + "Brimsel.zip"; }
  std::string LocalBytes() const { return TempDir::Read(folder_.path() / "Brimsel.zip"); }

  const std::string package_ = PackageBytes(3 * 1024 * 1024 + 123);
  NginxServer nginx_{kNginxBlock};
  TempDir folder_;
  platform::TClientSocket socket_;
  RecordingView view_;
};

TEST_F(NginxDownloadTest, DownloadedFileIsByteIdentical) {
  EXPECT_TRUE(DownloadPackage(socket_, view_, Url(), LocalPath()));
  EXPECT_TRUE(LocalBytes() == package_);
  EXPECT_EQ(view_.max, static_cast<int>(package_.size()));
  EXPECT_EQ(view_.positions.back(), static_cast<int>(package_.size()));
}

TEST_F(NginxDownloadTest, KeptBeginningIsCompletedWithTheRange) {
  folder_.Write("Brimsel.zip", package_.substr(0, 1000));
  EXPECT_TRUE(ContinuePackageDownload(socket_, view_, Url(), LocalPath()));
  EXPECT_TRUE(LocalBytes() == package_);
  EXPECT_EQ(view_.max, static_cast<int>(package_.size() - 1000));
}

TEST_F(NginxDownloadTest, MissingPackageIsReportedAsFailure) {
  EXPECT_FALSE(DownloadPackage(socket_, view_, "http://" + nginx_.Address() + "/update/Other.zip", LocalPath()));
  EXPECT_EQ(LocalBytes(), "");
}

}  // namespace
}  // namespace brimsel::test
