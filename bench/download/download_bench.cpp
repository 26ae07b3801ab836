// Brings a 100 MiB package from nginx on loopback through DownloadPackage, with the
// progress label formatted and converted for display after every chunk as the window does,
// and fetches the same file with curl in the same run, the two interleaved. Prints both
// throughputs by their medians, their ratio (the goal is at least 0.95 of curl's) and the
// peak memory before and after, which must not grow with the package.
//
//   download_bench [size in MiB, default 100] [rounds, default 5]

#include <unistd.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "net/download_package.h"
#include "net/download_view.h"
#include "nginx_fixture.h"
#include "platform/client_socket.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "support/temp_dir.h"

extern char** environ;

namespace {

using brimsel::test::TempDir;
using Clock = std::chrono::steady_clock;

constexpr int kBenchBlock = 9;
constexpr std::size_t kChunk = 1024 * 1024;

// What the window does with each progress update: the label converted for the screen, the
// bar's range and position kept.
class WindowLikeView : public brimsel::DownloadView {
 public:
  bool& CancelFlag() override { return cancel_; }
  void SetDownLabel(const std::string& text) override { shown_ = brimsel::platform::GbkToUtf8(text); }
  void SetProgressMax(int max) override { max_ = max; }
  void SetProgressPosition(int position) override { position_ = position; }
  const std::string& Shown() const { return shown_; }

 private:
  bool cancel_ = false;
  std::string shown_;
  int max_ = 0;
  int position_ = 0;
};

std::string ChunkAt(std::size_t index) {
  std::string chunk(kChunk, '\0');
  std::uint32_t state = static_cast<std::uint32_t>(index) * 2654435761u + 1;
  for (char& byte : chunk) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  return chunk;
}

// Streams the package to disk chunk by chunk, so that the bench's own memory stays small.
void WritePackage(const std::filesystem::path& path, std::size_t mebibytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (std::size_t i = 0; i < mebibytes; ++i) {
    const std::string chunk = ChunkAt(i);
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }
}

bool SameFiles(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::ifstream left(a, std::ios::binary);
  std::ifstream right(b, std::ios::binary);
  std::vector<char> x(64 * 1024);
  std::vector<char> y(64 * 1024);
  for (;;) {
    left.read(x.data(), static_cast<std::streamsize>(x.size()));
    right.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (left.gcount() != right.gcount()) return false;
    if (!std::equal(x.begin(), x.begin() + left.gcount(), y.begin())) return false;
    if (left.gcount() == 0) return true;
  }
}

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Seconds(Clock::duration elapsed) { return std::chrono::duration<double>(elapsed).count(); }

// curl, as a user would run it, writing to a file.
double RunCurl(const std::string& url, const std::string& output) {
  std::vector<std::string> args = {"curl", "--silent", "--show-error", "--fail", "--noproxy", "*", "--output", output, url};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = -1;
  if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const double elapsed = Seconds(Clock::now() - start);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mebibytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;

  brimsel::test::NginxServer nginx(kBenchBlock);
  if (!nginx.Running()) {
    std::fprintf(stderr, "cannot run: %s\n", nginx.SkipReason().c_str());
    return 2;
  }
  const std::filesystem::path served = nginx.ServedFolder() / "update" / "Bench.zip";
  WritePackage(served, mebibytes);
  const std::string url = "http://" + nginx.Address() + "/update/Bench.zip";
  TempDir work;
  const std::filesystem::path ours = work.path() / "ours.zip";
  const std::filesystem::path theirs = work.path() / "curl.zip";
  const double megabytes = static_cast<double>(mebibytes) * kChunk / 1e6;

  brimsel::platform::TClientSocket socket;
  socket.SetClientType(brimsel::platform::ctBlocking);
  WindowLikeView view;
  // A small download first: the peak memory after it is the baseline.
  WritePackage(nginx.ServedFolder() / "update" / "Small.zip", 1);
  brimsel::DownloadPackage(socket, view, "http://" + nginx.Address() + "/update/Small.zip",
                           brimsel::platform::WindowsPath(work.path() / "small.zip"));
  const long baselineKiB = PeakKiB();

  std::vector<double> oursTimes, curlTimes;
  // Neither run pays for the last one: its file is gone and written back before the clock starts.
  auto settle = [](const std::filesystem::path& file) {
    std::filesystem::remove(file);
    ::sync();
  };
  for (int round = 0; round < rounds; ++round) {
    settle(theirs);
    const double curlSeconds = RunCurl(url, theirs.string());
    if (curlSeconds < 0) {
      std::fprintf(stderr, "curl failed\n");
      return 1;
    }
    curlTimes.push_back(curlSeconds);

    settle(ours);
    const auto start = Clock::now();
    const bool complete = brimsel::DownloadPackage(socket, view, url, brimsel::platform::WindowsPath(ours));
    const double oursSeconds = Seconds(Clock::now() - start);
    if (!complete || !SameFiles(ours, served)) {
      std::fprintf(stderr, "DownloadPackage did not bring the package whole\n");
      return 1;
    }
    oursTimes.push_back(oursSeconds);
    std::printf("round %d: DownloadPackage %.3f s (%.0f MB/s), curl %.3f s (%.0f MB/s)\n", round + 1, oursSeconds,
                megabytes / oursSeconds, curlSeconds, megabytes / curlSeconds);
  }
  const long peakKiB = PeakKiB();

  std::printf("package: %zu MiB from %s\n", mebibytes, url.c_str());
  std::printf("last label: %s\n", view.Shown().c_str());
  const double medianOurs = Median(oursTimes);
  const double medianCurl = Median(curlTimes);
  std::printf("median DownloadPackage: %.0f MB/s\n", megabytes / medianOurs);
  std::printf("median curl:            %.0f MB/s\n", megabytes / medianCurl);
  std::printf("throughput ratio of the medians (DownloadPackage / curl): %.2f (goal >= 0.95)\n",
              medianCurl / medianOurs);
  std::printf("peak memory: %ld KiB after a 1 MiB download, %ld KiB after %d downloads of %zu MiB (growth %ld KiB)\n",
              baselineKiB, peakKiB, rounds, mebibytes, peakKiB - baselineKiB);
  return 0;
}
