// Hostile archives: lengths and offsets that point past the end, entry counts the file
// cannot hold, Zip64 records that point anywhere, every truncation and random damage.
// Loading must end (with entries or with one of the component's errors), never crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "archive/directory_test_support.h"
#include "platform/files.h"
#include "support/zip_builder.h"

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
  std::vector<std::string> lines;
  unzipper.ListEntries(lines);
  EXPECT_EQ(static_cast<std::size_t>(unzipper.EntryCount()), lines.size());
  return unzipper.EntryCount();
}

class ZipRobustnessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZipBuilder zip;
    zip.Add("ReadMe.TXT", "read me");
    zip.Add("sub/dir/a.txt", "aaaa").comment = "comment";
    zip.Add("sub/").centralExtra = Zip64Extra(1, 2);
    zip.Add("z.bin", std::string(300, 'z'));
    archive_ = zip.Build(&layout_);
  }
  std::string Write(const std::string& bytes) { return WriteArchive(dir_, "hostile.zip", bytes); }
  void Patch(std::string& bytes, std::uint64_t at, const std::string& with) {
    bytes.replace(static_cast<std::size_t>(at), with.size(), with);
  }

  TempDir dir_;
  ZipLayout layout_;
  std::string archive_;
};

TEST_F(ZipRobustnessTest, EntryCountBeyondTheRecordsPresent) {
  std::string bytes = archive_;
  Patch(bytes, layout_.endRecordOffset + 10, Le16(0xFFFE));
  // The missing records lead to the repair scan, which finds the four local headers.
  EXPECT_EQ(4, LoadCount(Write(bytes), TIncompleteZipMode::izAssumeMulti));
}

// One entry, with a Zip64 end record and locator before the end record.
std::string Zip64Archive(ZipLayout& layout) {
  ZipBuilder zip;
  zip.Add("a.txt", "a");
  zip.zip64EndRecord = true;
  return zip.Build(&layout);
}

TEST_F(ZipRobustnessTest, Zip64EntryCountOfAllOnes) {
  ZipLayout layout;
  std::string bytes = Zip64Archive(layout);
  const std::uint64_t zip64End = layout.endRecordOffset - 20 - 56;
  Patch(bytes, zip64End + 32, Le64(~0ull));
  EXPECT_EQ(1, LoadCount(Write(bytes), TIncompleteZipMode::izAssumeMulti));
}

TEST_F(ZipRobustnessTest, Zip64LocatorPointingAnywhere) {
  ZipLayout layout;
  const std::string good = Zip64Archive(layout);
  const std::vector<std::uint64_t> targets = {~0ull, 1ull << 62, layout.endRecordOffset - 20, layout.endRecordOffset, 0};
  for (std::uint64_t target : targets) {
    SCOPED_TRACE(target);
    std::string bytes = good;
    Patch(bytes, layout.endRecordOffset - 20 + 8, Le64(target));
    // Without a Zip64 end record the markers of the end record stand: 65535 entries at
    // offset 0xFFFFFFFF, which the repair scan answers.
    EXPECT_EQ(1, LoadCount(Write(bytes), TIncompleteZipMode::izAssumeMulti));
  }
}

TEST_F(ZipRobustnessTest, LengthsAndOffsetsPastTheEnd) {
  const std::uint64_t firstCentral = layout_.centralOffsets[0];
  const struct {
    std::uint64_t at;
    std::string value;
  } patches[] = {
      {firstCentral + 28, Le16(0xFFFF)},               // name length
      {firstCentral + 30, Le16(0xFFFF)},               // extra length
      {firstCentral + 32, Le16(0xFFFF)},               // comment length
      {firstCentral + 20, Le32(0xFFFFFFFF)},           // compressed size marker without Zip64 block
      {layout_.endRecordOffset + 16, Le32(0xFFFFFFF0)},  // directory offset
      {layout_.endRecordOffset + 20, Le16(0xFFFF)},    // archive comment length
      {layout_.localOffsets[1] + 18, Le32(0xFFFFFFFF)},  // local compressed size
  };
  for (const auto& patch : patches) {
    SCOPED_TRACE(patch.at);
    std::string bytes = archive_;
    Patch(bytes, patch.at, patch.value);
    for (auto mode : {TIncompleteZipMode::izAssumeMulti, TIncompleteZipMode::izAssumeBad}) {
      EXPECT_LE(LoadCount(Write(bytes), mode), 4);
    }
  }
}

TEST_F(ZipRobustnessTest, EveryTruncationEnds) {
  for (std::size_t n = 0; n <= archive_.size(); ++n) {
    SCOPED_TRACE(n);
    const std::string path = Write(archive_.substr(0, n));
    const int plain = LoadCount(path, TIncompleteZipMode::izAssumeMulti);
    EXPECT_EQ(n == archive_.size() ? 4 : 0, plain);
    EXPECT_LE(LoadCount(path, TIncompleteZipMode::izAssumeBad), 4);
  }
}

TEST_F(ZipRobustnessTest, RandomDamageEnds) {
  std::mt19937 random(20240607);
  for (int round = 0; round < 1500; ++round) {
    std::string bytes = archive_;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = static_cast<char>(random());
    const std::string path = Write(bytes);
    EXPECT_LE(LoadCount(path, TIncompleteZipMode::izAssumeMulti), 4);
    EXPECT_LE(LoadCount(path, TIncompleteZipMode::izAssumeBad), 4);
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
    for (auto mode : {TIncompleteZipMode::izAssumeMulti, TIncompleteZipMode::izAssumeBad,
                      TIncompleteZipMode::izAssumeNotAZip}) {
      LoadCount(platform::WindowsPath(file.path()), mode);
    }
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace brimsel::test
