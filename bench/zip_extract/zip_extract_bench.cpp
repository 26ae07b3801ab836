// zip_extract_bench [deflate | legacy | small]: extraction speed of the zip component
// against unzip, bsdtar and 7-Zip ("deflate", "legacy" and "small" run those cases alone).
//
// 1. Deflate, made with Debian's zip (its default level) in a temporary folder: a package
//    of 200 MiB in about 400 files of mixed content, and one file of 200 MiB. Every
//    extractor unpacks each into its folder, emptied first, in five interleaved rounds;
//    medians count.
// 2. The legacy-method archives of the test corpus (Shrink, Reduce, ten Implode) are each
//    extracted in 21 interleaved rounds, medians counted; unzip runs once per round as a
//    process (it cannot read Reduce at all), so its figure includes a process start.
// 3. 20,000 small files (1 to 4 KiB) in one folder, deflated by zip, unpacked into a new
//    folder and over the files of the round before, in five interleaved rounds; medians.
// The peers run as processes; ours runs in this process. Every timed run starts after a
// sync, so that none pays for writing back the files of the run before. Goal: every case
// at least as fast as every peer, the legacy methods other than Implode within 2x of unzip.

#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

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
std::uint64_t MakeOneFile(const fs::path& root, std::uint64_t bytes) {
  std::mt19937_64 random(5);
  const fs::path file = root / "one.dat";
  fs::create_directories(root);
  std::ofstream out(file, std::ios::binary);
  for (std::uint64_t done = 0; done < bytes; done += 1 << 20) {
    const std::string block = MakeContent(static_cast<int>(done >> 20), 1 << 20, random);
    out.write(block.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(block.size(), bytes - done)));
  }
  return bytes;
}

double OursOnce(const fs::path& archive, const fs::path& dest, bool fresh = true) {
  if (fresh) fs::remove_all(dest);
  brimsel::TUnzipper zip;
  zip.DoAll = true;
  zip.RecreateDirs = true;  // as the peers do
  zip.OverwriteMode = brimsel::TUZOverwriteMode::Always;
  zip.SetZipName(brimsel::platform::WindowsPath(archive));
  zip.SetDestDir(brimsel::platform::WindowsPath(dest));
  ::sync();  // no run pays for the writing back of the one before
  const auto start = Clock::now();
  zip.LoadDirectory();
  const int count = zip.ExtractFiles();
  const double s = Seconds(Clock::now() - start);
  if (count <= 0) std::fprintf(stderr, "nothing extracted from %s\n", archive.c_str());
  return s;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A peer run as a process: its command, with ARCHIVE and DEST standing for the paths.
struct Peer {
  const char* name;
  std::string command;
};

const std::vector<Peer>& Peers() {
  static const std::vector<Peer> peers = {
      {"unzip", "unzip -o -qq ARCHIVE -d DEST"},
      {"bsdtar", "mkdir -p DEST && bsdtar -x -f ARCHIVE -C DEST"},
      {"7-Zip", "7zz x -y -bd -bso0 -bsp0 -aoa ARCHIVE -oDEST"},
  };
  return peers;
}

double PeerOnce(const Peer& peer, const fs::path& archive, const fs::path& dest, bool fresh) {
  if (fresh) fs::remove_all(dest);
  std::string command = peer.command;
  for (const auto& [key, value] : {std::pair{std::string("ARCHIVE"), Quote(archive)}, {"DEST", Quote(dest)}})
    for (std::size_t at; (at = command.find(key)) != std::string::npos;) command.replace(at, key.size(), value);
  ::sync();
  const auto start = Clock::now();
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) std::fprintf(stderr, "%s failed\n", peer.name);
  return Seconds(Clock::now() - start);
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
  kExistingFiles,  // over the files of the round before
};

// Ours and every peer in interleaved rounds; prints the medians and our ratio to each peer.
void Compare(const char* label, const fs::path& archive, const fs::path& work, Into into, double mib) {
  constexpr int kRounds = 5;
  const std::vector<Peer>& peers = Peers();
  std::vector<double> ours;
  std::vector<std::vector<double>> theirs(peers.size());
  const bool fresh = into != Into::kExistingFiles;
  auto folder = [&](const std::string& name, int round) {
    return into == Into::kNewFolders ? work / (name + "-" + std::to_string(round)) : work / name;
  };
  if (!fresh) {  // the files to write over
    OursOnce(archive, folder("ours", 0));
    for (std::size_t p = 0; p < peers.size(); ++p) PeerOnce(peers[p], archive, folder(peers[p].name, 0), true);
  }
  for (int round = 0; round < kRounds; ++round) {
    ours.push_back(OursOnce(archive, folder("ours", round), fresh));
    for (std::size_t p = 0; p < peers.size(); ++p)
      theirs[p].push_back(PeerOnce(peers[p], archive, folder(peers[p].name, round), fresh));
  }
  const double o = Median(ours);
  std::printf("%-34s ours %7.3f s", label, o);
  if (mib > 0) std::printf(" (%4.0f MiB/s)", mib / o);
  for (std::size_t p = 0; p < peers.size(); ++p)
    std::printf("   %s %7.3f s (x%.2f)", peers[p].name, Median(theirs[p]), o / Median(theirs[p]));
  std::printf("\n");
  for (int round = 0; round < kRounds; ++round) {
    fs::remove_all(folder("ours", round));
    for (const Peer& peer : peers) fs::remove_all(folder(peer.name, round));
  }
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
  Compare("20000 small files, fresh folder", package, work, Into::kNewFolders, 0);
  Compare("20000 small files, over existing", package, work, Into::kExistingFiles, 0);
  fs::remove_all(tree);  // only now: see Compare
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

// Case 1: large files, deflated.
void LargeFiles(const fs::path& work) {
  constexpr std::uint64_t kBytes = 200ull << 20;
  const std::uint64_t bytes = MakeTree(work / "tree", kBytes);
  std::size_t files = 0;
  for (const auto& item : fs::recursive_directory_iterator(work / "tree")) files += item.is_regular_file();
  Run("cd " + Quote(work / "tree") + " && zip -qr " + Quote(work / "package.zip") + " .");
  fs::remove_all(work / "tree");
  MakeOneFile(work / "one", kBytes);
  Run("cd " + Quote(work / "one") + " && zip -q " + Quote(work / "one.zip") + " one.dat");
  fs::remove_all(work / "one");
  const std::string label = "package, " + std::to_string(files) + " files, " + std::to_string(bytes >> 20) + " MiB";
  Compare(label.c_str(), work / "package.zip", work, Into::kEmptiedFolder, static_cast<double>(bytes) / 1048576.0);
  Compare("one file of 200 MiB", work / "one.zip", work, Into::kEmptiedFolder, static_cast<double>(kBytes) / 1048576.0);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "all";
  std::string pattern = (fs::temp_directory_path() / "zip-extract-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const fs::path work = pattern;
  if (mode == "all" || mode == "deflate") LargeFiles(work);
  if (mode == "all" || mode == "legacy") LegacyMethods(work);
  if (mode == "all" || mode == "small") SmallFilesInOneFolder(work);
  fs::remove_all(work);
  return 0;
}
