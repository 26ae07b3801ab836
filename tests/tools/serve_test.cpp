// updtool serve, seen through the updater's own fetch and download.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "net/download_package.h"
#include "net/download_view.h"
#include "net/fetch_page.h"
#include "platform/client_socket.h"
#include "platform/codepage.h"
#include "support/temp_dir.h"

extern char** environ;

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

// `updtool serve` running for the length of a test.
class ServeProcess {
 public:
  ServeProcess(const std::string& folder, const char* address) {
    std::string tool = BRIMSEL_BIN_DIR "/updtool";
    std::vector<std::string> words = {tool, "serve", folder, "--address", address};
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, tool.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pid_ > 0 && !Accepts(address) && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {  // it gave up (no permission for port 80)
        pid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    listening_ = pid_ > 0 && Accepts(address);
  }
  ~ServeProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Listening() const { return listening_; }

 private:
  pid_t pid_ = -1;
  bool listening_ = false;
};

class QuietView : public DownloadView {
 public:
  bool& CancelFlag() override { return cancel_; }
  void SetDownLabel(const std::string&) override {}
  void SetProgressMax(int) override {}
  void SetProgressPosition(int) override {}

 private:
  bool cancel_ = false;
};

class ServeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_.Write("www/update/Brimsel.date", "2026-12-7\n");
    std::mt19937 random(7);
    package_.resize(300000);
    for (char& c : package_) c = static_cast<char>(random());
    site_.Write("www/update/Brimsel.zip", package_);
    server_ = std::make_unique<ServeProcess>((site_.path() / "www").string(), kAddress);
    if (!server_->Listening()) GTEST_SKIP() << "updtool serve cannot listen on port 80 of " << kAddress;
  }

  TempDir site_;
  std::string package_;
  std::unique_ptr<ServeProcess> server_;
};

TEST_F(ServeTest, VersionPageCarriesTheMarkerWithTheVendorsDate) {
  std::string page = FetchPage(std::string(kAddress) + "/update/getver.asp?soft=Brimsel");
  EXPECT_NE(page.find("<!--date2026-12-7Main -->"), std::string::npos) << page;
  std::string other = FetchPage(std::string(kAddress) + "/update/getver.asp?soft=Other");
  EXPECT_EQ(other.find("<!--date"), std::string::npos);
  std::string escape = FetchPage(std::string(kAddress) + "/update/getver.asp?soft=../update/Brimsel");
  EXPECT_EQ(escape.find("<!--date"), std::string::npos);
}

TEST_F(ServeTest, ProbePageSaysTestSucceededInGbk) {
  std::string page = FetchPage(std::string("http://") + kAddress + "/update/test.html");
  EXPECT_NE(page.find(platform::Utf8ToGbk("测试成功")), std::string::npos);
}

TEST_F(ServeTest, PackageDownloadsByteForByteWithHeadAndRange) {
  TempDir local;
  platform::TClientSocket socket;
  QuietView view;
  std::string path = local.WinPath() + "Brimsel.zip";
  ASSERT_TRUE(DownloadPackage(socket, view, std::string(kAddress) + "/update/Brimsel.zip", path));
  EXPECT_EQ(TempDir::Read(local.path() / "Brimsel.zip"), package_);
}

TEST_F(ServeTest, InterruptedDownloadResumesFromTheLocalSize) {
  TempDir local;
  local.Write("Brimsel.zip", package_.substr(0, 1000));
  platform::TClientSocket socket;
  QuietView view;
  ASSERT_TRUE(ContinuePackageDownload(socket, view, std::string(kAddress) + "/update/Brimsel.zip",
                                      local.WinPath() + "Brimsel.zip"));
  EXPECT_EQ(TempDir::Read(local.path() / "Brimsel.zip"), package_);
}

TEST_F(ServeTest, NothingOutsideTheFolderIsServed) {
  site_.Write("outside.txt", "secret");  // beside the served folder
  EXPECT_EQ(FetchPage(std::string(kAddress) + "/update/../../outside.txt").find("secret"), std::string::npos);
  EXPECT_EQ(FetchPage(std::string(kAddress) + "/%2e%2e/outside.txt").find("secret"), std::string::npos);
}

}  // namespace
}  // namespace brimsel
