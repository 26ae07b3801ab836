// Brings a package of 1 GiB from nginx on loopback through DownloadPackage, with the
// progress label formatted and converted for display as the window does, and fetches the
// same file with curl, each as a process of its own timed from its start to its end. The
// two alternate which goes first from round to round. Prints each round's throughputs and
// their ratio (DownloadPackage / curl; the goal is at least 1.05), the median ratio, and
// the peak memory of a download of 1 MiB and of the package, which must not differ by more
// than the download's fixed buffers.
//
//   download_bench [size in MiB, default 1024] [rounds, default 9]

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
constexpr char kOneDownload[] = "--one";

// What the window does with each progress update: the label converted for the screen, the
// bar's range and position kept.
class WindowLikeView : public brimsel::DownloadView {
 public:
  bool& CancelFlag() override { return cancel_; }
  void SetDownLabel(const std::string& text) override { shown_ = brimsel::platform::GbkToUtf8(text); }
  void SetProgressMax(int max) override { max_ = max; }
  void SetProgressPosition(int position) override { position_ = position; }

 private:
  bool cancel_ = false;
  std::string shown_;
  int max_ = 0;
  int position_ = 0;
};

// download_bench --one URL FILE: one DownloadPackage, as the wizard runs it; 0 when complete.
int DownloadOnce(const char* url, const char* file) {
  brimsel::platform::TClientSocket socket;
  socket.SetClientType(brimsel::platform::ctBlocking);
  WindowLikeView view;
  return brimsel::DownloadPackage(socket, view, url, brimsel::platform::WindowsPath(file)) ? 0 : 1;
}

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
  std::vector<char> x(1024 * 1024);
  std::vector<char> y(1024 * 1024);
  for (;;) {
    left.read(x.data(), static_cast<std::streamsize>(x.size()));
    right.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (left.gcount() != right.gcount()) return false;
    if (!std::equal(x.begin(), x.begin() + left.gcount(), y.begin())) return false;
    if (left.gcount() == 0) return true;
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Run {
  double seconds = -1;  // -1: the program failed
  double cpuSeconds = 0;  // user and system time: less at the mercy of a busy machine
  long peakKiB = 0;
};

double Seconds(const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; }

// Runs `args` as a process from the removal of `output` on: its time from start to end and
// its peak memory. Neither tool pays for the one before: the last file is gone and written
// back before the clock starts.
Run Time(std::vector<std::string> args, const std::filesystem::path& output) {
  std::filesystem::remove(output);
  ::sync();
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return {};
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return {seconds, Seconds(usage.ru_utime) + Seconds(usage.ru_stime), usage.ru_maxrss};
}

std::vector<std::string> OursArgs(const std::string& self, const std::string& url, const std::filesystem::path& file) {
  return {self, kOneDownload, url, file.string()};
}

// curl, as a user would run it, writing to a file.
std::vector<std::string> CurlArgs(const std::string& url, const std::filesystem::path& file) {
  return {"curl", "--silent", "--show-error", "--fail", "--noproxy", "*", "--output", file.string(), url};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], kOneDownload) == 0) return DownloadOnce(argv[2], argv[3]);
  const std::size_t mebibytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 9;
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();

  brimsel::test::NginxServer nginx(kBenchBlock);
  if (!nginx.Running()) {
    std::fprintf(stderr, "cannot run: %s\n", nginx.SkipReason().c_str());
    return 2;
  }
  const std::filesystem::path served = nginx.ServedFolder() / "update" / "Bench.zip";
  WritePackage(served, mebibytes);
  WritePackage(nginx.ServedFolder() / "update" / "Small.zip", 1);
  const std::string site = "http://" + nginx.Address() + "/update/";
  const std::string url = site + "Bench.zip";
  TempDir work;
  const std::filesystem::path ours = work.path() / "ours.zip";
  const std::filesystem::path theirs = work.path() / "curl.zip";
  const double megabytes = static_cast<double>(mebibytes) * kChunk / 1e6;

  const Run small = Time(OursArgs(self, site + "Small.zip", work.path() / "small.zip"), work.path() / "small.zip");
  std::vector<double> oursTimes, curlTimes, ratios, oursCpu, curlCpu;
  long oursPeakKiB = 0;
  for (int round = 0; round < rounds; ++round) {
    // Even rounds start with DownloadPackage, odd ones with curl.
    Run oursRun, curlRun;
    if (round % 2 == 0) {
      oursRun = Time(OursArgs(self, url, ours), ours);
      curlRun = Time(CurlArgs(url, theirs), theirs);
    } else {
      curlRun = Time(CurlArgs(url, theirs), theirs);
      oursRun = Time(OursArgs(self, url, ours), ours);
    }
    if (oursRun.seconds < 0 || !SameFiles(ours, served)) {
      std::fprintf(stderr, "DownloadPackage did not bring the package whole\n");
      return 1;
    }
    if (curlRun.seconds < 0 || !SameFiles(theirs, served)) {
      std::fprintf(stderr, "curl failed\n");
      return 1;
    }
    oursTimes.push_back(oursRun.seconds);
    curlTimes.push_back(curlRun.seconds);
    ratios.push_back(curlRun.seconds / oursRun.seconds);
    oursCpu.push_back(oursRun.cpuSeconds);
    curlCpu.push_back(curlRun.cpuSeconds);
    oursPeakKiB = std::max(oursPeakKiB, oursRun.peakKiB);
    std::printf(
        "round %d (%s first): DownloadPackage %.3f s (%.0f MB/s, cpu %.3f s), curl %.3f s (%.0f MB/s, cpu %.3f s), "
        "ratio %.3f\n",
        round + 1, round % 2 == 0 ? "DownloadPackage" : "curl", oursRun.seconds, megabytes / oursRun.seconds,
        oursRun.cpuSeconds, curlRun.seconds, megabytes / curlRun.seconds, curlRun.cpuSeconds, ratios.back());
    std::fflush(stdout);
  }

  std::printf("package: %zu MiB from %s, %d rounds\n", mebibytes, url.c_str(), rounds);
  std::printf("median DownloadPackage: %.0f MB/s\n", megabytes / Median(oursTimes));
  std::printf("median curl:            %.0f MB/s\n", megabytes / Median(curlTimes));
  std::printf("median of the rounds' throughput ratios (DownloadPackage / curl): %.3f (goal >= 1.05)\n",
              Median(ratios));
  std::printf("ratio of the median throughputs: %.3f\n", Median(curlTimes) / Median(oursTimes));
  std::printf("median processor time: DownloadPackage %.3f s, curl %.3f s\n", Median(oursCpu), Median(curlCpu));
  std::printf("peak memory of DownloadPackage: %ld KiB for 1 MiB, %ld KiB for %zu MiB (growth %ld KiB)\n",
              small.peakKiB, oursPeakKiB, mebibytes, oursPeakKiB - small.peakKiB);
  return 0;
}
