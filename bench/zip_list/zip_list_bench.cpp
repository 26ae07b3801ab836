// zip_list_bench [ENTRIES] [--rounds N]: builds an archive of ENTRIES stored entries
// (200,000 by default) in the usual ascending order and one with its central directory
// backwards, then lists each with "updtool pkg list" against "unzip -l", both as processes
// with their output thrown away, in interleaved rounds (nine by default) whose first tool
// alternates; prints every round's ratio and the medians. Then the memory of a listing: the
// peak resident size of each on the ascending archive, less its peak on a one-entry
// archive, per entry (medians of five runs). Goals: faster than unzip -l, at most 200
// bytes per entry.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/process_run.h"
#include "support/zip_builder.h"

namespace {

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

// Our listing and unzip's of `file`, interleaved; prints each round's ratio and returns
// the medians of the times, ours first.
std::pair<double, double> TimeListings(const std::filesystem::path& file, int rounds) {
  const std::vector<std::vector<std::string>> tools = {{BRIMSEL_UPDTOOL, "pkg", "list", file.string()},
                                                       {"unzip", "-l", file.string()}};
  std::vector<double> ours, unzip, ratios;
  for (int round = 0; round < rounds; ++round) {
    double times[2] = {};
    for (int k = 0; k < 2; ++k) {
      const int t = (k + round) % 2;
      const brimsel::bench::ProcessRun run = brimsel::bench::RunProcess(tools[static_cast<std::size_t>(t)]);
      times[t] = run.failed ? -1 : run.wall * 1000;
    }
    ours.push_back(times[0]);
    unzip.push_back(times[1]);
    ratios.push_back(times[0] / times[1]);
    std::printf("  round %2d: updtool pkg list %8.1f ms   unzip -l %8.1f ms   x%.2f   first: %s\n", round + 1, times[0],
                times[1], ratios.back(), round % 2 == 0 ? "updtool" : "unzip");
  }
  std::printf("  median of %d: x%.2f\n", rounds, Median(ratios));
  return {Median(ours), Median(unzip)};
}

// The peak resident size of one run of `argv`, its output thrown away, in bytes.
double PeakBytes(const std::vector<std::string>& argv) { return brimsel::bench::RunProcess(argv).peakMiB * 1048576.0; }

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
    runs.push_back((PeakBytes(withBig) - PeakBytes(withSmall)) / entries);
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
  int entries = 200000;
  int rounds = 9;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--rounds" && i + 1 < argc) {
      rounds = std::atoi(argv[++i]);
    } else {
      entries = std::atoi(argv[i]);
    }
  }
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
    std::printf("%s, %.1f MB\n", backwards ? "backwards" : "ascending", std::filesystem::file_size(file) / 1e6);
    const auto [ours, unzip] = TimeListings(file, rounds);
    std::printf("  medians: updtool pkg list %8.1f ms   unzip -l %8.1f ms   %s\n", ours, unzip,
                unzip < 0 ? "unzip failed" : ours < unzip ? "faster" : "SLOWER");
    if (ours < 0 || (unzip >= 0 && ours >= unzip)) status = 1;
  }
  std::filesystem::remove_all(folder);
  return status;
}
