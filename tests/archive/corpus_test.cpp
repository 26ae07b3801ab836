// Every archive of the test corpus (made by other tools) against its MANIFEST.tsv: it loads
// with the stored names, methods, flags, sizes and CRC-32s listed, and extracts to the
// SHA-256 digests listed, for every method; the entries damaged on purpose leave no file.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

#include "archive/archive_test_support.h"
#include "archive/directory/oem_codepage.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "support/sha256.h"

namespace brimsel::test {
namespace {

const std::string kCorpus = std::string(BRIMSEL_TEST_DATA_DIR) + "/zip/";

// The rows of a TSV file of the corpus below its header, 13 fields each.
std::vector<std::vector<std::string>> ReadTsv(const std::string& name) {
  std::ifstream in(kCorpus + name);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    rows.push_back(Fields(line));
    rows.back().resize(13);
  }
  return rows;
}

// Stored name ("/" turned into "\"), method, flags, compressed and uncompressed size, CRC-32.
using EntryFacts = std::tuple<std::string, unsigned, unsigned, std::uint64_t, std::uint64_t, std::uint32_t>;

struct ManifestEntry {
  EntryFacts facts;
  std::string sha256;  // "-" for a directory
  bool corrupt = false;
  std::string trace;
};

// Archive name -> its entries; an archive listed only as a whole has none.
std::map<std::string, std::vector<ManifestEntry>> ReadManifest() {
  std::map<std::string, std::vector<ManifestEntry>> manifest;
  for (const auto& f : ReadTsv("MANIFEST.tsv")) {
    auto& entries = manifest[f[0]];
    if (f[2].empty()) continue;
    std::string stored;
    for (std::size_t i = 0; i + 1 < f[2].size(); i += 2) stored += static_cast<char>(std::stoi(f[2].substr(i, 2), nullptr, 16));
    std::replace(stored.begin(), stored.end(), '/', '\\');
    // A name flagged as UTF-8 is held in the system code page.
    if (std::stoul(f[4], nullptr, 16) & kFlagUtf8Name) Utf8ToAnsiInPlace(stored);
    entries.push_back({{stored, static_cast<unsigned>(std::stoul(f[3])), static_cast<unsigned>(std::stoul(f[4], nullptr, 16)),
                        std::stoull(f[5]), std::stoull(f[6]), static_cast<std::uint32_t>(std::stoul(f[7], nullptr, 16))},
                       f[8], f[12].find("CORRUPT ON PURPOSE") != std::string::npos, f[1] + " (" + f[3] + ")"});
  }
  return manifest;
}

TEST(CorpusTest, EveryArchiveLoadsTheEntriesOfTheManifestInLocalOrder) {
  const auto manifest = ReadManifest();
  ASSERT_EQ(43u, manifest.size());
  for (const auto& [archive, entries] : manifest) {
    SCOPED_TRACE(archive);
    InspectableUnzipper unzipper;
    unzipper.SetZipName(platform::WindowsPath(kCorpus + archive));
    ASSERT_NO_THROW(unzipper.LoadDirectory());
    EXPECT_FALSE(unzipper.Repaired());
    std::vector<EntryFacts> loaded, expected;
    for (int i = 0; i < unzipper.ViewCount(); ++i) {
      const TZipEntryInfo& e = unzipper.EntryAt(i);
      loaded.emplace_back(e.StoredName(), e.CompressionMethod, e.Flags, e.EffectiveCompressedSize(),
                          e.EffectiveUncompressedSize(), e.CRC32);
      if (i > 0) {
        EXPECT_LT(unzipper.EntryAt(i - 1).EffectiveRelativeOffset(), e.EffectiveRelativeOffset());
      }
    }
    for (const ManifestEntry& e : entries) expected.push_back(e.facts);
    std::sort(expected.begin(), expected.end());
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(expected, loaded);
    EXPECT_EQ(expected.size(), Listing(unzipper).size());
  }
}

// Under the defaults it loads no entry (checked with the manifest above).
TEST(CorpusTest, TruncatedDownloadIsRebuiltByTheRepairScan) {
  TUnzipper unzipper;
  unzipper.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  unzipper.SetZipName(platform::WindowsPath(kCorpus + "iz_tree.zip"));
  unzipper.LoadDirectory();
  const int whole = unzipper.EntryCount();
  unzipper.SetZipName(platform::WindowsPath(kCorpus + "iz_truncated.zip"));
  unzipper.LoadDirectory();
  EXPECT_TRUE(unzipper.Repaired());
  EXPECT_EQ(whole, unzipper.EntryCount());
}

TEST(CorpusTest, ListingLinesOfKnownArchives) {
  TUnzipper unzipper;
  unzipper.SetZipName(platform::WindowsPath(kCorpus + "py_gbk_name.zip"));
  unzipper.LoadDirectory();
  auto lines = Listing(unzipper);
  ASSERT_EQ(4u, lines.size());
  // 说明.txt, then the folder 更新\ and 更新\版本.ini: GBK bytes as stored (code page 936).
  EXPECT_EQ("\xCB\xB5\xC3\xF7.txt", Fields(lines[0])[0]);
  EXPECT_EQ("", Fields(lines[1])[0]);
  EXPECT_EQ("\xB8\xFC\xD0\xC2\\", Fields(lines[1]).back());
  EXPECT_EQ("\xB0\xE6\xB1\xBE.ini", Fields(lines[2])[0]);

  unzipper.SetZipName(platform::WindowsPath(kCorpus + "iz_comments.zip"));
  unzipper.LoadDirectory();
  lines = Listing(unzipper);
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("readme.txt@", Fields(lines[0])[0]);
  EXPECT_EQ("x.txt@", Fields(lines[1])[0]);
  const auto f = Fields(lines[0]);
  EXPECT_EQ((std::vector<std::string>{"    2826", "     297", " 11%", "def", ""}),
            std::vector<std::string>(f.begin() + 3, f.end()));
}

struct ArchiveCase {
  std::string name;
  std::string password;
};
void PrintTo(const ArchiveCase& archive, std::ostream* out) { *out << archive.name; }

std::vector<ArchiveCase> CorpusArchives() {
  std::vector<ArchiveCase> cases;
  for (const auto& row : ReadTsv("ARCHIVES.tsv")) cases.push_back({row[0], row[5]});
  return cases;
}

class CorpusExtraction : public ::testing::TestWithParam<ArchiveCase> {};

TEST_P(CorpusExtraction, ExtractsTheManifestContents) {
  const ArchiveCase& archive = GetParam();
  TempDir dir;
  TUnzipper zip;
  zip.SetDestDir(dir.WinPath() + "out");
  zip.SetZipName(platform::WindowsPath(kCorpus + archive.name));
  // Folders recreated and names kept as stored, so that every entry has its own file.
  zip.RecreateDirs = true;
  zip.OEMConvert = TOEMConvert::oemNever;
  zip.OverwriteMode = TUZOverwriteMode::Always;
  zip.DoAll = true;
  zip.Password = archive.password;
  std::set<std::string> written;
  zip.OnEndUnZip = [&](TUnzipper&, int, const std::string& fName) { written.insert(fName); };

  if (archive.name == "iz_truncated.zip") {
    zip.LoadDirectory();
    EXPECT_THROW(zip.ExtractFiles(), EIncompleteZip);
    EXPECT_FALSE(platform::DirectoryExists(dir.WinPath() + "out"));
    return;
  }

  const int count = zip.ExtractFiles();
  int expected = 0;
  const auto manifest = ReadManifest();
  for (const ManifestEntry& entry : manifest.at(archive.name)) {
    if (!entry.corrupt) ++expected;
    if (entry.sha256 == "-") continue;  // a directory
    const std::string target = zip.DestDir() + "\\" + std::get<0>(entry.facts);
    SCOPED_TRACE(entry.trace);
    // A name GBK cannot hold is refused by the file name rule, not written under another.
    const std::string fileName = target.substr(platform::LastDelimiter(target, "\\") + 1);
    if (!platform::IsPlainFileName(fileName)) {
      if (!entry.corrupt) --expected;
      EXPECT_EQ(written.count(target), 0u);
      continue;
    }
    if (entry.corrupt) {
      EXPECT_FALSE(platform::FileExists(target));
      EXPECT_EQ(written.count(target), 0u);
    } else {
      EXPECT_EQ(written.count(target), 1u);
      EXPECT_EQ(Sha256OfFile(platform::NativePath(target)), entry.sha256);
    }
  }
  EXPECT_EQ(count, expected);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusExtraction, ::testing::ValuesIn(CorpusArchives()),
                         [](const ::testing::TestParamInfo<ArchiveCase>& param) {
                           std::string name;
                           for (char c : param.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace brimsel::test
