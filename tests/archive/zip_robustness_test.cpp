// Hostile archives: lengths and offsets that point past the end, entry counts the file
// cannot hold, Zip64 records that point anywhere, every truncation and random damage.
// Loading must end (with entries or with one of the component's errors), never crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>

#include "archive/archive_test_support.h"

namespace brimsel::test {
namespace {

// Loads under `mode`; returns the entry count, or -1 when the component refused the archive.
int LoadCount(const std::string& path, TIncompleteZipMode mode) {
  TUnzipper unzipper;
  unzipper.DoProcessMessages = false;
  unzipper.IncompleteZipMode = mode;
  unzipper.SetZipName(path);
  try {
    unzipper.LoadDirectory();
  } catch (const Exception&) {
    return -1;
  }
  EXPECT_EQ(static_cast<std::size_t>(unzipper.EntryCount()), Listing(unzipper).size());
  return unzipper.EntryCount();
}

constexpr TIncompleteZipMode kMulti = TIncompleteZipMode::izAssumeMulti;
constexpr TIncompleteZipMode kBad = TIncompleteZipMode::izAssumeBad;

class ZipRobustnessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZipBuilder zip;
    zip.Add("ReadMe.TXT", "read me");
    zip.Add("sub/dir/a.txt", "aaaa").comment = "comment";
    zip.Add("sub/").centralExtra = Zip64Extra(1, 2);
    zip.Add("z.bin", std::string(300, 'z'));
    archive_ = zip.Build(&layout_);
    ZipBuilder zip64;  // one entry, with a Zip64 end record and locator before the end record
    zip64.Add("a.txt", "a");
    zip64.zip64EndRecord = true;
    zip64_ = zip64.Build(&zip64Layout_);
  }
  std::string Write(const std::string& bytes) { return WriteArchive(dir_, "hostile.zip", bytes); }

  TempDir dir_;
  ZipLayout layout_, zip64Layout_;
  std::string archive_, zip64_;
};

TEST_F(ZipRobustnessTest, PatchedFieldsEndInTheRecordsPresent) {
  const std::uint64_t central = layout_.centralOffsets[0];
  const std::uint64_t locator = zip64Layout_.endRecordOffset - 20;
  const std::uint64_t zip64End = locator - 56;
  const struct {
    const std::string& base;
    std::uint64_t at;
    std::string value;
    std::optional<int> entries;  // under izAssumeMulti; else at most the four there are, in both modes
  } rows[] = {
      // The missing records lead to the repair scan, which finds the four local headers.
      {archive_, layout_.endRecordOffset + 10, Le16(0xFFFE), 4},  // entry count
      {zip64_, zip64End + 32, Le64(~0ull), 1},                      // Zip64 entry count
      // Without a Zip64 end record the markers of the end record stand: 65535 entries at
      // offset 0xFFFFFFFF, which the repair scan answers.
      {zip64_, locator + 8, Le64(~0ull), 1},
      {zip64_, locator + 8, Le64(1ull << 62), 1},
      {zip64_, locator + 8, Le64(locator), 1},
      {zip64_, locator + 8, Le64(zip64Layout_.endRecordOffset), 1},
      {zip64_, locator + 8, Le64(0), 1},
      {archive_, central + 28, Le16(0xFFFF), {}},                      // name length
      {archive_, central + 30, Le16(0xFFFF), {}},                      // extra length
      {archive_, central + 32, Le16(0xFFFF), {}},                      // comment length
      {archive_, central + 20, Le32(0xFFFFFFFF), {}},                  // size marker without Zip64 block
      {archive_, layout_.endRecordOffset + 16, Le32(0xFFFFFFF0), {}},  // directory offset
      {archive_, layout_.endRecordOffset + 20, Le16(0xFFFF), {}},      // archive comment length
      {archive_, layout_.localOffsets[1] + 18, Le32(0xFFFFFFFF), {}},  // local compressed size
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.at);
    std::string bytes = row.base;
    bytes.replace(static_cast<std::size_t>(row.at), row.value.size(), row.value);
    const std::string path = Write(bytes);
    if (row.entries) {
      EXPECT_EQ(*row.entries, LoadCount(path, kMulti));
    } else {
      EXPECT_LE(LoadCount(path, kMulti), 4);
      EXPECT_LE(LoadCount(path, kBad), 4);
    }
  }
}

TEST_F(ZipRobustnessTest, EveryTruncationEnds) {
  for (std::size_t n = 0; n <= archive_.size(); ++n) {
    SCOPED_TRACE(n);
    const std::string path = Write(archive_.substr(0, n));
    EXPECT_EQ(n == archive_.size() ? 4 : 0, LoadCount(path, kMulti));
    EXPECT_LE(LoadCount(path, kBad), 4);
  }
}

TEST_F(ZipRobustnessTest, RandomDamageEnds) {
  std::mt19937 random(20240607);
  for (int round = 0; round < 1500; ++round) {
    std::string bytes = archive_;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = static_cast<char>(random());
    const std::string path = Write(bytes);
    EXPECT_LE(LoadCount(path, kMulti), 4);
    EXPECT_LE(LoadCount(path, kBad), 4);
  }
}

// Inputs that once made loading fail badly, kept so that it never happens again.
TEST(ZipRegressionTest, KeptInputsLoadOrAreRefused) {
  const std::filesystem::path folder = std::filesystem::path(BRIMSEL_TEST_DATA_DIR) / "zip_regressions";
  int inputs = 0;
  for (const auto& file : std::filesystem::directory_iterator(folder)) {
    if (file.path().filename() == "README.md") continue;
    SCOPED_TRACE(file.path().string());
    ++inputs;
    for (auto mode : {kMulti, kBad, TIncompleteZipMode::izAssumeNotAZip}) LoadCount(platform::WindowsPath(file.path()), mode);
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace brimsel::test
