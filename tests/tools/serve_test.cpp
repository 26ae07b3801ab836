// updtool serve, seen through the updater's own fetch and download.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <random>

#include "net/download_package.h"
#include "net/fetch_page.h"
#include "net/silent_download_view.h"
#include "platform/client_socket.h"
#include "platform/codepage.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace brimsel {
namespace {
using test::TempDir;

constexpr char kAddress[] = "127.81.0.1";

bool Accepts(const char* address) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(80);
  ::inet_pton(AF_INET, address, &to.sin_addr);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
  ::close(fd);
  return ok;
}

// `updtool serve` over a site with one package, for the length of a test.
class ServeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_.Write("www/update/Brimsel.date", "2026-12-7\n");
    std::mt19937 random(7);
    package_.resize(300000);
    for (char& c : package_) c = static_cast<char>(random());
    site_.Write("www/update/Brimsel.zip", package_);
    server_ = std::make_unique<test::ChildProcess>(
        BRIMSEL_BIN_DIR "/updtool", std::vector<std::string>{"serve", (site_.path() / "www").string(), "--address", kAddress});
    // It ends at once when it may not listen on port 80.
    if (!test::WaitUntil([&] { return Accepts(kAddress) || !server_->Running() || server_->WaitFor({}); },
                         std::chrono::seconds(10)) ||
        !Accepts(kAddress))
      GTEST_SKIP() << "updtool serve cannot listen on port 80 of " << kAddress;
  }
  std::string Fetch(const std::string& target) const { return FetchPage(std::string(kAddress) + target); }

  TempDir site_;
  std::string package_;
  std::unique_ptr<test::ChildProcess> server_;
};

TEST_F(ServeTest, ServesTheVersionPageAndTheProbeButNothingOutsideTheFolder) {
  EXPECT_NE(Fetch("/update/getver.asp?soft=Brimsel").find("<!--date2026-12-7Main -->"), std::string::npos);
  EXPECT_EQ(Fetch("/update/getver.asp?soft=Other").find("<!--date"), std::string::npos);
  EXPECT_EQ(Fetch("/update/getver.asp?soft=../update/Brimsel").find("<!--date"), std::string::npos);
  EXPECT_NE(FetchPage(std::string("http://") + kAddress + "/update/test.html").find(platform::Utf8ToGbk("测试成功")),
            std::string::npos);
  site_.Write("outside.txt", "secret");  // beside the served folder
  EXPECT_EQ(Fetch("/update/../../outside.txt").find("secret"), std::string::npos);
  EXPECT_EQ(Fetch("/%2e%2e/outside.txt").find("secret"), std::string::npos);
}

TEST_F(ServeTest, PackageDownloadsByteForByteWithHeadAndRangeAndResumes) {
  TempDir local;
  platform::TClientSocket socket;
  SilentDownloadView view;
  const std::string url = std::string(kAddress) + "/update/Brimsel.zip";
  ASSERT_TRUE(DownloadPackage(socket, view, url, local.WinPath() + "Brimsel.zip"));
  EXPECT_EQ(TempDir::Read(local.path() / "Brimsel.zip"), package_);

  local.Write("Part.zip", package_.substr(0, 1000));  // an interrupted download
  ASSERT_TRUE(ContinuePackageDownload(socket, view, url, local.WinPath() + "Part.zip"));
  EXPECT_EQ(TempDir::Read(local.path() / "Part.zip"), package_);
}

}  // namespace
}  // namespace brimsel
