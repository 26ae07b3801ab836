// zip_list_bench [ENTRIES]: builds an archive of ENTRIES stored entries (200,000 by
// default) in the usual ascending order and one with its central directory backwards, then
// times LoadDirectory + ListEntries on each against "unzip -l" on the same file. Goal:
// faster than unzip -l.
#include <stdlib.h>

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

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 200000;
  char folder[] = "/tmp/zip-list-bench-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  std::printf("entries: %d, median of %d runs each\n", entries, kRuns);
  int status = 0;
  for (bool backwards : {false, true}) {
    const std::filesystem::path file = std::filesystem::path(folder) / (backwards ? "backwards.zip" : "ascending.zip");
    {
      const std::string bytes = BuildArchive(entries, backwards);
      std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
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
