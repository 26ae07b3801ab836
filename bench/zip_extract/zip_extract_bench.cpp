// zip_extract_bench [MiB | legacy | small]: extraction speed of the zip component against
// Debian's unzip ("legacy" and "small" run cases 2 and 3 alone).
//
// 1. A package of about 200 MiB (or the size given) in many files of mixed content is
//    made with Debian's zip (Deflate, its default level) in a temporary folder; both
//    extractors unpack it three times into fresh folders, the best time counts.
// 2. The legacy-method archives of the test corpus (Shrink, Reduce, ten Implode) are each
//    extracted in 21 interleaved rounds, medians counted; unzip runs once per round as a
//    process (it cannot read Reduce at all), so its figure includes a process start.
// 3. 20,000 small files (1 to 4 KiB) in one folder, deflated by zip: both extractors unpack
//    them into fresh folders in five interleaved rounds; the medians count.
// Goal: Deflate, Implode and the small files at least as fast as unzip, the other legacy
// methods within 2x of it.

#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "archive/unzipper.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string Quote(const fs::path& p) {
  std::string quoted = "'";
  quoted += p.string();
  quoted += '\'';
  return quoted;
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

// Files of 4 KiB to 1 MiB: text-like, random, repetitive and mixed, in 20 folders.
std::uint64_t MakeTree(const fs::path& root, std::uint64_t targetBytes) {
  std::mt19937_64 random(7);
  std::vector<std::string> words = {"update ", "package ", "Brimsel ", "release ", "file ", "version ",
                                    "folder ", "install ", "0123 ", "\r\n"};
  std::uint64_t total = 0;
  for (int n = 0; total < targetBytes; ++n) {
    const std::size_t size = 4096 + random() % (1024 * 1024);
    std::string data;
    data.reserve(size);
    switch (n % 4) {
      case 0:
        while (data.size() < size) data += words[random() % words.size()];
        break;
      case 1:
        while (data.size() < size) data += static_cast<char>(random());
        break;
      case 2:
        data.assign(size, static_cast<char>('a' + n % 26));
        break;
      default:
        while (data.size() < size) {
          if (random() % 3 == 0) {
            for (int i = 0; i < 64; ++i) data += static_cast<char>(random());
          } else {
            data += words[random() % words.size()];
          }
        }
    }
    data.resize(size);
    const fs::path file = root / ("dir" + std::to_string(n % 20)) / ("file" + std::to_string(n) + ".dat");
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    total += size;
  }
  return total;
}

double OursOnce(const fs::path& archive, const fs::path& dest) {
  fs::remove_all(dest);
  brimsel::TUnzipper zip;
  zip.DoAll = true;
  zip.RecreateDirs = true;  // as unzip does
  zip.OverwriteMode = brimsel::TUZOverwriteMode::Always;
  zip.SetZipName(brimsel::platform::WindowsPath(archive));
  zip.SetDestDir(brimsel::platform::WindowsPath(dest));
  const auto start = Clock::now();
  zip.LoadDirectory();
  const int count = zip.ExtractFiles();
  const double s = Seconds(Clock::now() - start);
  if (count <= 0) std::fprintf(stderr, "nothing extracted from %s\n", archive.c_str());
  return s;
}

double UnzipOnce(const fs::path& archive, const fs::path& dest) {
  fs::remove_all(dest);
  const auto start = Clock::now();
  // unzip says 81 for methods it does not support; the time still counts for the others.
  (void)std::system(("unzip -o -qq " + Quote(archive) + " -d " + Quote(dest) + " 2>/dev/null").c_str());
  return Seconds(Clock::now() - start);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Case 3: many small files in one folder, where every new name is looked up without
// regard to letter case.
void SmallFilesInOneFolder(const fs::path& work) {
  constexpr int kFiles = 20000;
  std::mt19937_64 random(11);
  const fs::path tree = work / "small";
  fs::create_directories(tree / "folder");
  for (int n = 0; n < kFiles; ++n) {
    std::string data(1024 + random() % 3072, '\0');
    for (char& c : data) c = static_cast<char>('a' + random() % 16);
    std::ofstream(tree / "folder" / ("File" + std::to_string(n) + ".txt"), std::ios::binary)
        .write(data.data(), static_cast<std::streamsize>(data.size()));
  }
  const fs::path package = work / "small.zip";
  Run("cd " + Quote(tree) + " && zip -qr " + Quote(package) + " .");
  fs::remove_all(tree);
  std::vector<double> ours, unzip;
  for (int round = 0; round < 5; ++round) {
    ours.push_back(OursOnce(package, work / "ours"));
    unzip.push_back(UnzipOnce(package, work / "unzip"));
  }
  std::printf("%d small files in one folder: component %6.3f s   unzip %6.3f s   ratio %.2f (medians of 5)\n",
              kFiles, Median(ours), Median(unzip), Median(ours) / Median(unzip));
}

// The processor time (user and system) of the child processes that ended during `command`.
double ChildCpuSeconds(const std::string& command) {
  rusage before{}, after{};
  getrusage(RUSAGE_CHILDREN, &before);
  (void)std::system(command.c_str());
  getrusage(RUSAGE_CHILDREN, &after);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_stime);
}

// Case 2: the legacy methods. Both extractors run as processes (ours as "updtool pkg
// extract"), so both figures hold a process start; the processor time they take is
// compared, which a busy machine disturbs far less than the time on the clock. Each
// archive is extracted in interleaved rounds; the ten imploded ones are also summed, as
// the Implode goal is set over all of them.
void LegacyMethods(const fs::path& work) {
  const char* legacy[] = {"hw_shrink.zip", "Zip.shrink.zip", "hw_reduce1.zip", "hw_reduce4.zip"};
  const char* imploded[] = {"hw_implode_4k2.zip",          "hw_implode_4k3.zip",          "hw_implode_8k2.zip",
                            "hw_implode_8k3.zip",          "imploding-4Kdict-2trees.zip", "imploding-8Kdict-3trees.zip",
                            "moby-imploded.zip",           "Zip.implode.zip",             "ziprs_implode.zip",
                            "example-i.zip"};
  constexpr int kRounds = 21;
  auto measure = [&](const char* name) {
    const fs::path archive = fs::path(BRIMSEL_ZIP_CORPUS) / name;
    std::vector<double> o, u;
    for (int round = 0; round < kRounds; ++round) {
      fs::remove_all(work / "ours");
      fs::remove_all(work / "unzip");
      o.push_back(ChildCpuSeconds(std::string(BRIMSEL_UPDTOOL) + " pkg extract " + Quote(archive) + " " +
                                  Quote(work / "ours") + " --overwrite=always >/dev/null 2>&1"));
      u.push_back(ChildCpuSeconds("unzip -o -qq " + Quote(archive) + " -d " + Quote(work / "unzip") + " 2>/dev/null"));
    }
    const bool reduce = std::string(name).find("reduce") != std::string::npos;
    std::printf("%-28s updtool %7.2f ms   unzip %7.2f ms   ratio %.2f%s\n", name, Median(o) * 1000,
                Median(u) * 1000, Median(o) / Median(u),
                reduce ? "   (unzip cannot read Reduce: its time is for the stored entries only)" : "");
    return std::pair{Median(o), Median(u)};
  };
  for (const char* name : legacy) measure(name);
  double ours = 0, unzip = 0;
  for (const char* name : imploded) {
    const auto [o, u] = measure(name);
    ours += o;
    unzip += u;
  }
  std::printf("implode, ten archives: updtool %7.2f ms   unzip %7.2f ms   ratio %.2f (processor time, sums of medians of %d)\n",
              ours * 1000, unzip * 1000, ours / unzip, kRounds);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "200";
  std::string pattern = (fs::temp_directory_path() / "zip-extract-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const fs::path work = pattern;
  if (mode == "small" || mode == "legacy") {
    if (mode == "small") SmallFilesInOneFolder(work);
    if (mode == "legacy") LegacyMethods(work);
    fs::remove_all(work);
    return 0;
  }
  const std::uint64_t mib = std::strtoull(mode.c_str(), nullptr, 10);

  std::printf("making a package of %llu MiB with zip...\n", static_cast<unsigned long long>(mib));
  const std::uint64_t bytes = MakeTree(work / "tree", mib * 1024 * 1024);
  const fs::path package = work / "package.zip";
  Run("cd " + Quote(work / "tree") + " && zip -qr " + Quote(package) + " .");
  fs::remove_all(work / "tree");
  std::printf("package: %.1f MiB of files, %.1f MiB deflated\n", bytes / 1048576.0,
              fs::file_size(package) / 1048576.0);

  double ours = 1e9, unzip = 1e9;
  for (int round = 0; round < 3; ++round) {
    ours = std::min(ours, OursOnce(package, work / "ours"));
    unzip = std::min(unzip, UnzipOnce(package, work / "unzip"));
  }
  std::printf("deflate   component %6.3f s (%6.1f MiB/s)   unzip %6.3f s (%6.1f MiB/s)   ratio %.2f\n", ours,
              bytes / 1048576.0 / ours, unzip, bytes / 1048576.0 / unzip, ours / unzip);
  LegacyMethods(work);
  SmallFilesInOneFolder(work);
  fs::remove_all(work);
  return 0;
}
