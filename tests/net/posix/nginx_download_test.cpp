// The package download against a real web server: nginx answers the HEAD and the ranged
// GET, and the file that arrives is the package, byte for byte.

#include "net/download_fixture.h"
#include "net/posix/nginx_fixture.h"

namespace brimsel::test {
namespace {

constexpr int kNginxBlock = 3;

class NginxDownloadTest : public StagingTest {
 protected:
  void SetUp() override {
    if (!nginx_.Running()) GTEST_SKIP() << nginx_.SkipReason();
    nginx_.Publish("update/Brimsel.zip", package_);
  }
  std::string Url(const std::string& name = "Brimsel.zip") const {
    return "http://" + nginx_.Address() + "/update/" + name;
  }

  const std::string package_ = PackageBytes(3 * 1024 * 1024 + 123);
  NginxServer nginx_{kNginxBlock};
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
  EXPECT_FALSE(DownloadPackage(socket_, view_, Url("Other.zip"), LocalPath()));
  EXPECT_EQ(LocalBytes(), "");
}

}  // namespace
}  // namespace brimsel::test
