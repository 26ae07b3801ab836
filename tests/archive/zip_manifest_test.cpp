// Every archive of the test corpus (made by other tools) loads with the entries its
// MANIFEST.tsv gives: stored name, method, flags, sizes and CRC-32.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "archive/directory_test_support.h"
#include "platform/files.h"

namespace brimsel::test {
namespace {

const std::filesystem::path kCorpus = std::filesystem::path(BRIMSEL_TEST_DATA_DIR) / "zip";

struct ExpectedEntry {
  std::string storedName;  // "/" turned into "\"
  unsigned method = 0;
  unsigned flags = 0;
  std::uint64_t compressed = 0;
  std::uint64_t uncompressed = 0;
  std::uint32_t crc = 0;
  bool operator<(const ExpectedEntry& o) const { return storedName < o.storedName; }
  bool operator==(const ExpectedEntry& o) const = default;
};

std::ostream& operator<<(std::ostream& out, const ExpectedEntry& e) {
  return out << e.storedName << " m" << e.method << " f" << e.flags << " " << e.compressed << "/" << e.uncompressed
             << " crc " << std::hex << e.crc << std::dec;
}

std::vector<std::string> SplitTabs(const std::string& line) { return Fields(line); }

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::map<std::string, std::vector<ExpectedEntry>> ReadManifest() {
  std::ifstream in(kCorpus / "MANIFEST.tsv");
  std::map<std::string, std::vector<ExpectedEntry>> manifest;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    const auto f = SplitTabs(line);
    auto& entries = manifest[f[0]];
    if (f[2].empty()) continue;  // "(whole archive)": no entries expected
    ExpectedEntry e;
    e.storedName = FromHex(f[2]);
    std::replace(e.storedName.begin(), e.storedName.end(), '/', '\\');
    e.method = static_cast<unsigned>(std::stoul(f[3]));
    e.flags = static_cast<unsigned>(std::stoul(f[4], nullptr, 16));
    e.compressed = std::stoull(f[5]);
    e.uncompressed = std::stoull(f[6]);
    e.crc = static_cast<std::uint32_t>(std::stoul(f[7], nullptr, 16));
    entries.push_back(e);
  }
  return manifest;
}

TEST(ZipManifestTest, EveryArchiveListsTheEntriesOfTheManifest) {
  const auto manifest = ReadManifest();
  ASSERT_EQ(43u, manifest.size());
  for (const auto& [archive, expectedEntries] : manifest) {
    SCOPED_TRACE(archive);
    InspectableUnzipper unzipper;
    unzipper.SetZipName(platform::WindowsPath(kCorpus / archive));
    ASSERT_NO_THROW(unzipper.LoadDirectory());
    EXPECT_FALSE(unzipper.Repaired());
    std::vector<ExpectedEntry> loaded;
    for (int i = 0; i < unzipper.ViewCount(); ++i) {
      const TZipEntryInfo& e = unzipper.EntryAt(i);
      loaded.push_back({e.StoredName(), e.CompressionMethod, e.Flags, e.EffectiveCompressedSize(),
                        e.EffectiveUncompressedSize(), e.CRC32});
      if (i > 0) {
        EXPECT_LT(unzipper.EntryAt(i - 1).EffectiveRelativeOffset(), e.EffectiveRelativeOffset());
      }
    }
    std::vector<ExpectedEntry> expected = expectedEntries;
    std::sort(expected.begin(), expected.end());
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(expected, loaded);
    std::vector<std::string> lines;
    unzipper.ListEntries(lines);
    EXPECT_EQ(expected.size(), lines.size());
  }
}

TEST(ZipManifestTest, TruncatedDownloadLoadsNothingUnderTheDefaults) {
  TUnzipper unzipper;
  unzipper.SetZipName(platform::WindowsPath(kCorpus / "iz_truncated.zip"));
  unzipper.LoadDirectory();
  EXPECT_EQ(0, unzipper.EntryCount());
  EXPECT_FALSE(unzipper.ZipName().empty());
}

TEST(ZipManifestTest, TruncatedDownloadIsRebuiltByTheRepairScan) {
  TUnzipper unzipper;
  unzipper.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  unzipper.SetZipName(platform::WindowsPath(kCorpus / "iz_tree.zip"));
  unzipper.LoadDirectory();
  const int whole = unzipper.EntryCount();
  unzipper.SetZipName(platform::WindowsPath(kCorpus / "iz_truncated.zip"));
  unzipper.LoadDirectory();
  EXPECT_TRUE(unzipper.Repaired());
  EXPECT_EQ(whole, unzipper.EntryCount());
}

TEST(ZipManifestTest, ListingLinesOfKnownArchives) {
  InspectableUnzipper unzipper;
  unzipper.SetZipName(platform::WindowsPath(kCorpus / "py_gbk_name.zip"));
  unzipper.LoadDirectory();
  std::vector<std::string> lines;
  unzipper.ListEntries(lines);
  ASSERT_EQ(4u, lines.size());
  // 说明.txt, then the folder 更新\ and 更新\版本.ini: GBK bytes as stored (code page 936).
  EXPECT_EQ("\xCB\xB5\xC3\xF7.txt", Fields(lines[0])[0]);
  EXPECT_EQ("", Fields(lines[1])[0]);
  EXPECT_EQ("\xB8\xFC\xD0\xC2\\", Fields(lines[1]).back());
  EXPECT_EQ("\xB0\xE6\xB1\xBE.ini", Fields(lines[2])[0]);

  unzipper.SetZipName(platform::WindowsPath(kCorpus / "iz_comments.zip"));
  unzipper.LoadDirectory();
  unzipper.ListEntries(lines);
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("readme.txt@", Fields(lines[0])[0]);
  EXPECT_EQ("x.txt@", Fields(lines[1])[0]);
  const auto f = Fields(lines[0]);
  EXPECT_EQ((std::vector<std::string>{"    2826", "     297", " 11%", "def", ""}),
            std::vector<std::string>(f.begin() + 3, f.end()));
}

}  // namespace
}  // namespace brimsel::test
