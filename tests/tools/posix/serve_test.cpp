// updtool serve, over a site that updtool release wrote, seen through the updater's own
// code: what release writes is what serve serves, and what the updater asks and reads.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>

#include "net/download_package.h"
#include "net/fetch_page.h"
#include "net/silent_download_view.h"
#include "net/update_site.h"
#include "platform/client_socket.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "net/posix/nginx_fixture.h"
#include "signature/package_signature.h"
#include "support/posix/child_process.h"
#include "support/temp_dir.h"
#include "update/package_location.h"
#include "update/server_probe.h"
#include "update/version_check.h"

namespace brimsel {
namespace {
using test::TempDir;

constexpr int kServeTestBlock = 7;

// Each test its own address: ctest may run them at once, and a test must never talk to the
// server of another, which goes away when that test ends.
std::string OwnAddress() {
  const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  return "127.81.0." + std::to_string(1 + std::hash<std::string>{}(name) % 250);
}

bool Accepts(const std::string& address) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(80);
  ::inet_pton(AF_INET, address.c_str(), &to.sin_addr);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
  ::close(fd);
  return ok;
}

std::string VendorKey(const char* file) { return (std::filesystem::path(BRIMSEL_TEST_DATA_DIR) / "vendor_key" / file).string(); }

// `updtool serve` over the signed release of a package that `updtool release` wrote, for the
// length of a test.
class ServeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    address_ = OwnAddress();
    std::mt19937 random(7);
    std::string large(300000, '\0');  // stored whole: the package is large too
    for (char& c : large) c = static_cast<char>(random());
    site_.Write("dist/large.bin", large);
    site_.Write("dist/a.txt", "hello");
    test::ChildProcess release(BRIMSEL_BIN_DIR "/updtool",
                               {"release", (site_.path() / "dist").string(), "Brimsel", "--site",
                                (site_.path() / "www").string(), "--date", "2026-12-7 14:30", "--sign",
                                VendorKey("vendor.key")});
    ASSERT_EQ(release.WaitFor(std::chrono::seconds(60)), 0);
    package_ = TempDir::Read(site_.path() / "www" / PackageFile("Brimsel"));
    ASSERT_GT(package_.size(), large.size());
    server_ = std::make_unique<test::ChildProcess>(
        BRIMSEL_BIN_DIR "/updtool", std::vector<std::string>{"serve", (site_.path() / "www").string(), "--address", address_});
    // It ends at once when it may not listen on port 80.
    if (!test::WaitUntil([&] { return Accepts(address_) || !server_->Running() || server_->WaitFor({}); },
                         std::chrono::seconds(10)) ||
        !Accepts(address_))
      GTEST_SKIP() << "updtool serve cannot listen on port 80 of " << address_;
  }
  std::string Fetch(const std::string& target) const { return FetchPage(address_ + target); }

  std::string address_;
  TempDir site_;
  std::string package_;
  std::unique_ptr<test::ChildProcess> server_;
};

TEST_F(ServeTest, ServesTheVersionPageAndTheProbeButNothingOutsideTheFolder) {
  EXPECT_NE(Fetch("/update/getver.asp?soft=Brimsel").find("<!--date2026-12-7 14:30Main -->"), std::string::npos);
  // Only the page that release writes, as nginx serves the site; no date from elsewhere.
  site_.Write("www/update/Other.date", "2026-12-7\n");
  EXPECT_EQ(Fetch("/update/getver.asp?soft=Other").find("<!--date"), std::string::npos);
  EXPECT_EQ(Fetch("/update/getver.asp?soft=../update/Brimsel").find("<!--date"), std::string::npos);
  EXPECT_NE(FetchPage("http://" + address_ + "/update/test.html").find(platform::Utf8ToGbk("测试成功")),
            std::string::npos);
  site_.Write("outside.txt", "secret");  // beside the served folder
  EXPECT_EQ(Fetch("/update/../../outside.txt").find("secret"), std::string::npos);
  EXPECT_EQ(Fetch("/%2e%2e/outside.txt").find("secret"), std::string::npos);
}

// The page, the probe and the package as the update check and the download ask for them
// and read them: the release's date and signature, and the very package that was signed.
TEST_F(ServeTest, TheUpdaterReadsWhatReleaseWroteAsServeServesIt) {
  const std::string site = "http://" + address_;
  SilentNotes notes;
  const VersionCheck check =
      CheckPublishedVersion(site, "Brimsel", platform::StrToDate("2026-12-7 14:29"), nullptr, notes);
  ASSERT_EQ(check.verdict, VersionVerdict::kNewer) << check.fetched;
  EXPECT_EQ(platform::DateTimeToStr(*check.release), "2026-12-7 14:30");
  EXPECT_TRUE(ProbeServer(site, nullptr).passed);

  TempDir installation;
  const PackageLocation location = LocatePackage(installation.WinPath(), "Brimsel");
  ASSERT_TRUE(platform::ForceDirectories(location.stagingFolder));
  platform::TClientSocket socket;
  SilentDownloadView view;
  ASSERT_TRUE(DownloadPackage(socket, view, PackageUrl(site, "Brimsel"), location.packagePath));
  EXPECT_EQ(TempDir::Read(platform::NativePath(location.packagePath)), package_);
  const std::string publicKey = TempDir::Read(VendorKey("vendor.pub")).substr(0, 64);
  EXPECT_EQ(signature::VerifyPackageFile(publicKey, "Brimsel", *check.release, location.packagePath, check.signature),
            signature::Verdict::Valid);
}

TEST_F(ServeTest, PackageDownloadsByteForByteWithHeadAndRangeAndResumes) {
  TempDir local;
  platform::TClientSocket socket;
  SilentDownloadView view;
  const std::string url = address_ + PackageTarget("Brimsel");
  ASSERT_TRUE(DownloadPackage(socket, view, url, local.WinPath() + "Brimsel.zip"));
  EXPECT_EQ(TempDir::Read(local.path() / "Brimsel.zip"), package_);

  local.Write("Part.zip", package_.substr(0, 1000));  // an interrupted download
  ASSERT_TRUE(ContinuePackageDownload(socket, view, url, local.WinPath() + "Part.zip"));
  EXPECT_EQ(TempDir::Read(local.path() / "Part.zip"), package_);
}

// The nginx configuration of the README's vendor guide: its version query location.
std::string ReadmeVersionLocation() {
  const std::string readme = TempDir::Read(std::filesystem::path(BRIMSEL_TEST_DATA_DIR) / ".." / ".." / "README.md");
  const std::size_t start = readme.find("location = /update/getver.asp {");
  const std::size_t end = readme.find("}\n", start);
  if (start == std::string::npos || end == std::string::npos) return {};
  return readme.substr(start, end + 2 - start);
}

int RunToEnd(const std::vector<std::string>& arguments) {
  test::ChildProcess tool(BRIMSEL_BIN_DIR "/updtool", arguments);
  return tool.WaitFor(std::chrono::seconds(60)).value_or(-1);
}

// The updater sends a package name beyond ASCII as its GBK bytes, unescaped: release names
// the site's files so, and nginx as the README configures it and serve both find them.
TEST(ChinesePackageName, IsPublishedAsTheUpdaterAsksAndServedByNginxAndByServe) {
  const std::string location = ReadmeVersionLocation();
  ASSERT_FALSE(location.empty());
  test::NginxServer nginx(kServeTestBlock, location);
  if (!nginx.Running()) GTEST_SKIP() << nginx.SkipReason();
  TempDir dir;
  dir.Write("dist/a.txt", "a");
  const std::string site = nginx.ServedFolder().string();
  ASSERT_EQ(RunToEnd({"release", (dir.path() / "dist").string(), "极光", "--site", site, "--date", "2026-12-7"}), 0);

  SilentNotes notes;
  const VersionCheck check = CheckPublishedVersion("http://" + nginx.Address(), platform::Utf8ToGbk("极光"),
                                                   platform::StrToDate("2026-1-1"), nullptr, notes);
  EXPECT_EQ(check.verdict, VersionVerdict::kNewer) << check.fetched;
  EXPECT_EQ(RunToEnd({"check", "http://" + nginx.Address(), "极光"}), 0);

  const std::string address = OwnAddress();
  test::ChildProcess server(BRIMSEL_BIN_DIR "/updtool", {"serve", site, "--address", address});
  if (!test::WaitUntil([&] { return Accepts(address) || !server.Running() || server.WaitFor({}); },
                       std::chrono::seconds(10)) ||
      !Accepts(address))
    GTEST_SKIP() << "updtool serve cannot listen on port 80 of " << address;
  EXPECT_EQ(RunToEnd({"check", "http://" + address, "极光"}), 0);

  // A name GBK cannot hold could never be asked for.
  EXPECT_EQ(RunToEnd({"release", (dir.path() / "dist").string(), "\xF0\x9F\x98\x80", "--site", site}), 1);
}

}  // namespace
}  // namespace brimsel
