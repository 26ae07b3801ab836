// zip_extract_bench [deflate | one | legacy | small] [--rounds N]: extraction by the
// product's own path, "updtool pkg extract", against unzip, bsdtar and 7-Zip on the same
// files in the same run ("deflate", "one", "legacy" and "small" run those cases alone).
//
// Every extractor runs as a process, started the same way, its output thrown away; each
// timed run starts after a sync, so that none pays for writing back the files of the run
// before. The rounds are interleaved and the first tool rotates from round to round. For
// each case the ratio of our time to each peer's is printed for every round, then the
// medians. Besides the time on the clock, the processor time (user and system) and the
// peak resident size of each process are measured: on a busy machine the processor time
// is disturbed far less.
//
// 1. Deflate, made with Debian's zip (its default level) in a temporary folder: a package
//    of 200 MiB in about 400 files of mixed content, and one file of 200 MiB ("one" runs
//    that one alone). Each is extracted into an emptied folder. Goal for the one file: at
//    most 0.6 of bsdtar's time, with a peak that grows with the file only by the pages of
//    the archive and the target, which ours reads and writes mapped.
// 2. The legacy-method archives of the test corpus (Shrink, Reduce, ten Implode), against
//    unzip (bsdtar and 7-Zip read none of them all); processor time counts here, as the
//    runs are short.
// 3. 20,000 small files (1 to 4 KiB) in one folder, deflated by zip: into a new folder;
//    over the files of the round before, where ours rewrites each file in place while
//    every peer unlinks it and creates it anew; and over them like with like: the old
//    files removed by rm inside our timed run, so that all unlink and create.
// updtool puts every file straight into the destination (the updater makes no folders);
// the peers recreate the archive's folders, 20 for the package and one for the small files.

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/process_run.h"

namespace {

namespace fs = std::filesystem;
int gRounds = 0;  // 0: each case's own default

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

// Text-like, random, repetitive or mixed content, by kind 0 to 3.
std::string MakeContent(int kind, std::size_t size, std::mt19937_64& random) {
  static const std::vector<std::string> words = {"update ", "package ", "Brimsel ", "release ", "file ",
                                                 "version ", "folder ", "install ", "0123 ", "\r\n"};
  std::string data;
  data.reserve(size + 64);
  switch (kind % 4) {
    case 0:
      while (data.size() < size) data += words[random() % words.size()];
      break;
    case 1:
      while (data.size() < size) data += static_cast<char>(random());
      break;
    case 2:
      data.assign(size, static_cast<char>('a' + kind % 26));
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
  return data;
}

void WriteFile(const fs::path& file, const std::string& data) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

// Files of 4 KiB to 1 MiB in 20 folders, of every kind in turn.
std::uint64_t MakeTree(const fs::path& root, std::uint64_t targetBytes) {
  std::mt19937_64 random(7);
  std::uint64_t total = 0;
  for (int n = 0; total < targetBytes; ++n) {
    const std::string data = MakeContent(n, 4096 + random() % (1024 * 1024), random);
    WriteFile(root / ("dir" + std::to_string(n % 20)) / ("file" + std::to_string(n) + ".dat"), data);
    total += data.size();
  }
  return total;
}

// One file of the given size, of every kind in turn in blocks of 1 MiB.
void MakeOneFile(const fs::path& root, std::uint64_t bytes) {
  std::mt19937_64 random(5);
  fs::create_directories(root);
  std::ofstream out(root / "one.dat", std::ios::binary);
  for (std::uint64_t done = 0; done < bytes; done += 1 << 20) {
    const std::string block = MakeContent(static_cast<int>(done >> 20), 1 << 20, random);
    out.write(block.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(block.size(), bytes - done)));
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

using brimsel::bench::ProcessRun;
using brimsel::bench::RunProcess;

// An extractor: its command, with ARCHIVE and DEST standing for the paths.
struct Tool {
  std::string name;
  std::vector<std::string> command;
};

const Tool kOurs = {"updtool", {BRIMSEL_UPDTOOL, "pkg", "extract", "ARCHIVE", "DEST", "--overwrite=always"}};
const Tool kUnzip = {"unzip", {"unzip", "-o", "-qq", "ARCHIVE", "-d", "DEST"}};
const Tool kBsdtar = {"bsdtar", {"bsdtar", "-x", "-f", "ARCHIVE", "-C", "DEST"}};
const Tool k7Zip = {"7-Zip", {"7zz", "x", "-y", "-bd", "-bso0", "-bsp0", "-aoa", "ARCHIVE", "-oDEST"}};

// Runs `tool` on the archive into `dest`, which exists; with `emptyFirst` the folder is
// emptied inside the timed run, by find as a process of its own.
ProcessRun RunTool(const Tool& tool, const fs::path& archive, const fs::path& dest, bool emptyFirst = false) {
  std::vector<std::string> argv = tool.command;
  for (std::string& arg : argv) {
    for (const auto& [key, value] : {std::pair{std::string("ARCHIVE"), archive.string()}, {"DEST", dest.string()}})
      if (const std::size_t at = arg.find(key); at != std::string::npos) arg.replace(at, key.size(), value);
  }
  ::sync();
  if (!emptyFirst) return RunProcess(argv);
  const ProcessRun removal = RunProcess({"find", dest.string(), "-mindepth", "1", "-delete"});
  ProcessRun extraction = RunProcess(argv);
  extraction.wall += removal.wall;
  extraction.cpu += removal.cpu;
  return extraction;
}

// Where each round extracts to.
enum class Into {
  // A folder never used before; the folders of earlier rounds go after the last one. For
  // many small files: a removal slows the file system's next creations for a while (ext4
  // without a journal passes over recently freed inodes, reading their blocks) and would
  // charge that to whichever extractor came next.
  kNewFolders,
  // The same folder, emptied before each run. For large files: the memory of what was
  // removed then takes the next run's writes, as on a machine in use; kept folders make
  // each run write into memory the virtual machine has never backed, which swings the
  // figures of every extractor by half.
  kEmptiedFolder,
  kExistingFiles,         // over the files of the round before, each tool its own way
  kExistingFilesRemoved,  // the same, ours after the old files are removed inside its timed run
};

// What Compare found: the median processor time and peak resident size of each tool,
// ours first.
struct Medians {
  std::vector<double> cpu, peakMiB;
};

// Ours and `peers` in interleaved rounds, the first tool rotating; prints every round's
// ratios and the medians.
Medians Compare(const std::string& label, const fs::path& archive, const fs::path& work, Into into,
             std::vector<Tool> peers, int defaultRounds, double mib = 0) {
  const int rounds = gRounds > 0 ? gRounds : defaultRounds;
  std::vector<Tool> tools = {kOurs};
  tools.insert(tools.end(), peers.begin(), peers.end());
  std::vector<std::vector<ProcessRun>> runs(tools.size());
  auto folder = [&](std::size_t t, int round) {
    return into == Into::kNewFolders ? work / (tools[t].name + "-" + std::to_string(round)) : work / tools[t].name;
  };
  const bool existing = into == Into::kExistingFiles || into == Into::kExistingFilesRemoved;
  for (std::size_t t = 0; t < tools.size(); ++t) {  // the files to write over
    fs::remove_all(folder(t, 0));
    fs::create_directories(folder(t, 0));
    if (existing) RunTool(tools[t], archive, folder(t, 0));
  }
  std::printf("%s\n", label.c_str());
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t k = 0; k < tools.size(); ++k) {
      const std::size_t t = (k + static_cast<std::size_t>(round)) % tools.size();
      const fs::path dest = folder(t, round);
      if (!existing) {
        fs::remove_all(dest);
        fs::create_directories(dest);
      }
      runs[t].push_back(RunTool(tools[t], archive, dest, into == Into::kExistingFilesRemoved && t == 0));
    }
    std::printf("  round %2d: %s %7.3f s", round + 1, tools[0].name.c_str(), runs[0].back().wall);
    for (std::size_t t = 1; t < tools.size(); ++t)
      std::printf("   %s %7.3f s (x%.2f)", tools[t].name.c_str(), runs[t].back().wall,
                  runs[0].back().wall / runs[t].back().wall);
    std::printf("   first: %s\n", tools[static_cast<std::size_t>(round) % tools.size()].name.c_str());
  }
  auto median = [&](std::size_t t, double ProcessRun::*field) {
    std::vector<double> values;
    for (const ProcessRun& m : runs[t]) values.push_back(m.*field);
    return Median(values);
  };
  auto medianRatio = [&](std::size_t t, double ProcessRun::*field) {
    std::vector<double> values;
    for (std::size_t r = 0; r < runs[t].size(); ++r) values.push_back(runs[0][r].*field / runs[t][r].*field);
    return Median(values);
  };
  const double ours = median(0, &ProcessRun::wall);
  std::printf("  median of %d: %s %7.3f s", rounds, tools[0].name.c_str(), ours);
  if (mib > 0) std::printf(" (%4.0f MiB/s)", mib / ours);
  for (std::size_t t = 1; t < tools.size(); ++t)
    std::printf("   %s %7.3f s (x%.2f)", tools[t].name.c_str(), median(t, &ProcessRun::wall), medianRatio(t, &ProcessRun::wall));
  std::printf("\n  processor time:  %s %7.3f s", tools[0].name.c_str(), median(0, &ProcessRun::cpu));
  for (std::size_t t = 1; t < tools.size(); ++t)
    std::printf("   %s %7.3f s (x%.2f)", tools[t].name.c_str(), median(t, &ProcessRun::cpu), medianRatio(t, &ProcessRun::cpu));
  std::printf("\n  peak resident:   %s %7.1f MiB", tools[0].name.c_str(), median(0, &ProcessRun::peakMiB));
  for (std::size_t t = 1; t < tools.size(); ++t)
    std::printf("   %s %7.1f MiB", tools[t].name.c_str(), median(t, &ProcessRun::peakMiB));
  std::printf("\n  (x: our time over the peer's, per round; the medians give the median of those)\n");
  for (std::size_t t = 0; t < tools.size(); ++t)
    if (std::any_of(runs[t].begin(), runs[t].end(), [](const ProcessRun& m) { return m.failed; }))
      std::printf("  %s ended with a failure status\n", tools[t].name.c_str());
  std::fflush(stdout);
  for (int round = 0; round < rounds; ++round)
    for (std::size_t t = 0; t < tools.size(); ++t) fs::remove_all(folder(t, round));
  Medians medians;
  for (std::size_t t = 0; t < tools.size(); ++t) {
    medians.cpu.push_back(median(t, &ProcessRun::cpu));
    medians.peakMiB.push_back(median(t, &ProcessRun::peakMiB));
  }
  return medians;
}

const std::vector<Tool> kPeers = {kUnzip, kBsdtar, k7Zip};

// Case 3: many small files in one folder.
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
  Compare("20000 small files, fresh folder", package, work, Into::kNewFolders, kPeers, 5);
  Compare("20000 small files, over existing: ours rewrites each in place, the peers unlink and create it",
          package, work, Into::kExistingFiles, kPeers, 5);
  Compare("20000 small files, over existing, like with like: the old files removed inside our timed run",
          package, work, Into::kExistingFilesRemoved, kPeers, 5);
  fs::remove_all(tree);  // only now: see Into::kNewFolders
}

// Case 2: the legacy methods, one archive after the other; the ten imploded ones are also
// summed, as the Implode goal is set over all of them.
void LegacyMethods(const fs::path& work) {
  const char* legacy[] = {"hw_shrink.zip", "Zip.shrink.zip", "hw_reduce1.zip", "hw_reduce4.zip"};
  const char* imploded[] = {"hw_implode_4k2.zip",          "hw_implode_4k3.zip",          "hw_implode_8k2.zip",
                            "hw_implode_8k3.zip",          "imploding-4Kdict-2trees.zip", "imploding-8Kdict-3trees.zip",
                            "moby-imploded.zip",           "Zip.implode.zip",             "ziprs_implode.zip",
                            "example-i.zip"};
  std::printf("legacy methods: the runs are short, the processor time counts (unzip cannot read Reduce: "
              "its time there is for the stored entries only)\n");
  auto measure = [&](const char* name) {
    return Compare(name, fs::path(BRIMSEL_ZIP_CORPUS) / name, work, Into::kEmptiedFolder, {kUnzip}, 21);
  };
  for (const char* name : legacy) measure(name);
  double ours = 0, unzip = 0;
  for (const char* name : imploded) {
    const std::vector<double> cpu = measure(name).cpu;
    ours += cpu[0];
    unzip += cpu[1];
  }
  std::printf("implode, ten archives: updtool %7.2f ms   unzip %7.2f ms   ratio %.2f (processor time, sums of medians)\n",
              ours * 1000, unzip * 1000, ours / unzip);
}

// Case 1: large files, deflated.
void LargeFiles(const fs::path& work, bool package, bool one) {
  constexpr std::uint64_t kBytes = 200ull << 20;
  constexpr int kRounds = 9;
  if (package) {
    const std::uint64_t bytes = MakeTree(work / "tree", kBytes);
    std::size_t files = 0;
    for (const auto& item : fs::recursive_directory_iterator(work / "tree")) files += item.is_regular_file();
    Run("cd " + Quote(work / "tree") + " && zip -qr " + Quote(work / "package.zip") + " .");
    fs::remove_all(work / "tree");
    Compare("package, " + std::to_string(files) + " files, " + std::to_string(bytes >> 20) + " MiB",
            work / "package.zip", work, Into::kEmptiedFolder, kPeers, kRounds, static_cast<double>(bytes) / 1048576.0);
  }
  if (one) {
    MakeOneFile(work / "one", kBytes);
    Run("cd " + Quote(work / "one") + " && zip -q " + Quote(work / "one.zip") + " one.dat");
    fs::remove_all(work / "one");
    const double mapped = static_cast<double>(fs::file_size(work / "one.zip") + kBytes) / 1048576.0;
    const Medians medians = Compare("one file of 200 MiB", work / "one.zip", work, Into::kEmptiedFolder, kPeers,
                                    kRounds, static_cast<double>(kBytes) / 1048576.0);
    std::printf("  our peak holds the pages of the archive and the target, mapped (%.1f MiB); beyond them: %.1f MiB\n",
                mapped, medians.peakMiB[0] - mapped);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = "all";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) {
      gRounds = std::atoi(argv[++i]);
    } else if (arg == "all" || arg == "deflate" || arg == "one" || arg == "legacy" || arg == "small") {
      mode = arg;
    } else {
      std::fprintf(stderr, "usage: zip_extract_bench [deflate | one | legacy | small] [--rounds N]\n");
      return 2;
    }
  }
  std::string pattern = (fs::temp_directory_path() / "zip-extract-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const fs::path work = pattern;
  if (mode == "all" || mode == "deflate" || mode == "one") LargeFiles(work, mode != "one", true);
  if (mode == "all" || mode == "legacy") LegacyMethods(work);
  if (mode == "all" || mode == "small") SmallFilesInOneFolder(work);
  fs::remove_all(work);
  return 0;
}
