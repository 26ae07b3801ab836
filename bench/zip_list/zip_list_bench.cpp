// zip_list_bench [ENTRIES]: builds an archive of ENTRIES stored entries (200,000 by
// default) in the usual ascending order and one with its central directory backwards, then
// times LoadDirectory + ListEntries on each against "unzip -l" on the same file. Then the
// memory of a listing: the peak resident size of "updtool pkg list" and of "unzip -l" on
// the ascending archive, less their peak on a one-entry archive, per entry (medians of five
// runs). Goals: faster than unzip -l, at most 200 bytes per entry.
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/unzipper.h"
#include "platform/files.h"
#include "support/zip_builder.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 5;

std::string BuildArchive(int entries, bool backwards) {
  brimsel::test::ZipBuilder zip;
  char name[64];
  for (int i = 0; i < entries; ++i) {
    std::snprintf(name, sizeof name, "Dir%03d/File%06d.TXT", i % 500, i);
    zip.Add(name, "content " + std::to_string(i));
  }
  if (backwards) {
    for (int i = entries - 1; i >= 0; --i) zip.centralOrder.push_back(static_cast<std::size_t>(i));
  }
  zip.zip64EndRecord = entries > 0xFFFE;  // the 16-bit count cannot hold more
  return zip.Build();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double TimeLoadAndList(const std::filesystem::path& file, std::size_t& lineCount) {
  std::vector<double> runs;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    brimsel::TUnzipper unzipper;
    unzipper.SetZipName(brimsel::platform::WindowsPath(file));
    unzipper.LoadDirectory();
    std::vector<std::string> lines;
    unzipper.ListEntries(lines);
    runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    lineCount = lines.size();
  }
  return Median(runs);
}

double TimeUnzipList(const std::filesystem::path& file) {
  std::vector<double> runs;
  const std::string command = "unzip -l '" + file.string() + "' > /dev/null 2>&1";
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    runs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return Median(runs);
}

// The peak resident size of one run of `argv`, its output thrown away, in bytes.
long PeakBytes(std::vector<std::string> argv) {
  fflush(stdout);
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return -1;
  return usage.ru_maxrss * 1024L;
}

// Bytes per entry that listing `big` (of `entries`) takes beyond listing `small`.
double BytesPerEntry(const std::string& tool, const std::vector<std::string>& before, const std::filesystem::path& small,
                     const std::string& big, int entries) {
  std::vector<double> runs;
  for (int run = 0; run < kRuns; ++run) {
    std::vector<std::string> withBig = before, withSmall = before;
    withBig.insert(withBig.begin(), tool);
    withBig.push_back(big);
    withSmall.insert(withSmall.begin(), tool);
    withSmall.push_back(small.string());
    runs.push_back(static_cast<double>(PeakBytes(withBig) - PeakBytes(withSmall)) / entries);
  }
  return Median(runs);
}

}  // namespace

// Writes the archive to `file` in a child process: a child takes over the peak memory of
// the process it starts from, so the benchmark itself stays small until it has measured.
void WriteArchive(const std::filesystem::path& file, int entries, bool backwards) {
  const pid_t pid = fork();
  if (pid == 0) {
    const std::string bytes = BuildArchive(entries, backwards);
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 200000;
  char folder[] = "/tmp/zip-list-bench-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  const std::filesystem::path small = std::filesystem::path(folder) / "one.zip";
  WriteArchive(small, 1, false);
  for (bool backwards : {false, true})
    WriteArchive(std::filesystem::path(folder) / (backwards ? "backwards.zip" : "ascending.zip"), entries, backwards);

  int status = 0;
  const std::string big = std::string(folder) + "/ascending.zip";
  const double oursPerEntry = BytesPerEntry(BRIMSEL_UPDTOOL, {"pkg", "list"}, small, big, entries);
  const double unzipPerEntry = BytesPerEntry("unzip", {"-l"}, small, big, entries);
  std::printf("entries: %d, medians of %d runs each\n", entries, kRuns);
  std::printf("listing memory: updtool pkg list %.0f bytes per entry   unzip -l %.0f bytes per entry   %s\n",
              oursPerEntry, unzipPerEntry, oursPerEntry <= 200 ? "within 200" : "OVER 200");
  if (oursPerEntry > 200) status = 1;

  for (bool backwards : {false, true}) {
    const std::filesystem::path file = std::filesystem::path(folder) / (backwards ? "backwards.zip" : "ascending.zip");
    std::size_t lines = 0;
    const double ours = TimeLoadAndList(file, lines);
    const double unzip = TimeUnzipList(file);
    std::printf("%-10s %8.1f MB  LoadDirectory+ListEntries %8.1f ms (%zu lines)   unzip -l %8.1f ms   %s\n",
                backwards ? "backwards" : "ascending", std::filesystem::file_size(file) / 1e6, ours, lines, unzip,
                unzip < 0 ? "unzip failed" : ours < unzip ? "faster" : "SLOWER");
    if (lines != static_cast<std::size_t>(entries) || (unzip >= 0 && ours >= unzip)) status = 1;
  }
  std::filesystem::remove_all(folder);
  return status;
}
