// Loading a directory: the outcomes for empty, short and damaged archives, names and
// directories, order, the recovery paths and the assignment rules of ZipName.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "archive/directory_test_support.h"
#include "platform/files.h"
#include "platform/pump.h"
#include "support/zip_builder.h"

namespace brimsel::test {
namespace {

std::string TwoEntryArchive(ZipLayout* layout = nullptr) {
  ZipBuilder zip;
  zip.Add("first.txt", "one");
  zip.Add("second.txt", "two two");
  return zip.Build(layout);
}

class UnzipperLoadTest : public ::testing::Test {
 protected:
  std::string Write(std::string_view bytes, std::string_view name = "package.zip") {
    return WriteArchive(dir_, name, bytes);
  }
  // Loads the archive and returns the file names in index order.
  std::vector<std::string> Load(std::string_view bytes, std::string_view name = "package.zip") {
    unzipper_.SetZipName(Write(bytes, name));
    unzipper_.LoadDirectory();
    std::vector<std::string> names;
    for (int i = 0; i < unzipper_.EntryCount(); ++i) names.push_back(unzipper_.EntryFileName(i));
    return names;
  }

  TempDir dir_;
  InspectableUnzipper unzipper_;
};

TEST_F(UnzipperLoadTest, EmptyFileIsAnArchiveWithNoEntries) {
  EXPECT_TRUE(Load("").empty());
  EXPECT_TRUE(Listing(unzipper_).empty());
  EXPECT_FALSE(unzipper_.ZipName().empty());
}

TEST_F(UnzipperLoadTest, OneTo21BytesLoadWithoutEntriesUnderTheDefaults) {
  const std::string whole = TwoEntryArchive();
  for (std::size_t n = 1; n <= 21; ++n) {
    SCOPED_TRACE(n);
    EXPECT_TRUE(Load(whole.substr(whole.size() - n), "short" + std::to_string(n) + ".zip").empty());
    EXPECT_FALSE(unzipper_.ZipName().empty());
  }
}

TEST_F(UnzipperLoadTest, LostEndRecordLoadsNothingAndClosesTheArchive) {
  ZipLayout layout;
  const std::string whole = TwoEntryArchive(&layout);
  unzipper_.KeepZipOpen = true;
  EXPECT_TRUE(Load(whole.substr(0, layout.endRecordOffset)).empty());
  EXPECT_FALSE(unzipper_.ArchiveIsOpen());
}

TEST_F(UnzipperLoadTest, NotAZipModeRaisesAndClearsTheComponent) {
  unzipper_.IncompleteZipMode = TIncompleteZipMode::izAssumeNotAZip;
  unzipper_.SetZipName(Write("just some text, no zip at all"));
  EXPECT_THROW(
      {
        try {
          unzipper_.LoadDirectory();
        } catch (const ENotAZipFile& e) {
          EXPECT_STREQ("Not a valid zip file!", e.what());
          throw;
        }
      },
      ENotAZipFile);
  EXPECT_TRUE(unzipper_.ZipName().empty());
}

TEST_F(UnzipperLoadTest, BadModeRepairsAnArchiveWithoutEndRecord) {
  ZipLayout layout;
  const std::string whole = TwoEntryArchive(&layout);
  unzipper_.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  EXPECT_EQ((std::vector<std::string>{"first.txt", "second.txt"}), Load(whole.substr(0, layout.endRecordOffset)));
  EXPECT_TRUE(unzipper_.Repaired());
  // The merged central records supply what the local headers lack.
  EXPECT_EQ(0x20u, unzipper_.EntryAt(0).ExternalAttributes);
}

TEST_F(UnzipperLoadTest, BadModeWithoutLocalHeadersRaisesBadZipFile) {
  unzipper_.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  unzipper_.SetZipName(Write(std::string(5000, 'x')));
  EXPECT_THROW(unzipper_.LoadDirectory(), EBadZipFile);
  EXPECT_TRUE(unzipper_.ZipName().empty());
}

TEST_F(UnzipperLoadTest, InCompleteZipEventChoosesTheModeAndIsRetriedOnce) {
  ZipLayout layout;
  const std::string truncated = TwoEntryArchive(&layout).substr(0, layout.endRecordOffset);
  int fired = 0;
  unzipper_.OnInCompleteZip = [&](TUnzipper&, TIncompleteZipMode& mode) {
    EXPECT_EQ(TIncompleteZipMode::izAssumeMulti, mode);
    ++fired;
  };
  EXPECT_TRUE(Load(truncated).empty());
  EXPECT_EQ(2, fired);  // first attempt and the one retry

  fired = 0;
  unzipper_.OnInCompleteZip = [&](TUnzipper&, TIncompleteZipMode& mode) {
    ++fired;
    mode = TIncompleteZipMode::izAssumeBad;
  };
  EXPECT_EQ(2u, Load(truncated, "other.zip").size());
  EXPECT_EQ(1, fired);
  EXPECT_EQ(TIncompleteZipMode::izAssumeBad, unzipper_.IncompleteZipMode);
}

TEST_F(UnzipperLoadTest, SignatureNearestTheEndWins) {
  ZipLayout layout;
  ZipBuilder zip;
  zip.Add("first.txt", "one");
  zip.Add("second.txt", "two");
  zip.Build(&layout);
  // The comment ends in a complete end record that names only the second central record.
  zip.archiveComment = Le32(0x06054b50) + Le16(0) + Le16(0) + Le16(1) + Le16(1) + Le32(46 + 10) +
                       Le32(static_cast<std::uint32_t>(layout.centralOffsets[1])) + Le16(0);
  EXPECT_EQ((std::vector<std::string>{"second.txt"}), Load(zip.Build()));
  EXPECT_EQ(1, unzipper_.EndRecord().TotalEntries);
}

TEST_F(UnzipperLoadTest, NamesSplitIntoDirectoryAndFileName) {
  ZipBuilder zip;
  zip.Add("sub/dir/a.txt", "a");
  zip.Add("sub/");
  zip.Add("c:b.txt", "b");
  EXPECT_EQ((std::vector<std::string>{"a.txt", "", "b.txt"}), Load(zip.Build()));
  const auto lines = Listing(unzipper_);
  EXPECT_EQ(0u, lines[0].rfind("a.txt\t", 0));
  EXPECT_EQ("sub\\dir\\", Fields(lines[0]).back());
  EXPECT_EQ('\t', lines[1][0]);
  EXPECT_EQ("sub\\", Fields(lines[1]).back());
  EXPECT_EQ("c:\\", unzipper_.EntryAt(2).Directory);  // a backslash is appended
  EXPECT_EQ(13, unzipper_.EntryAt(0).FileNameLength);
}

TEST_F(UnzipperLoadTest, DoubleByteCharactersAreNotSplitAtTheirSecondByte) {
  ZipBuilder zip;
  zip.Add("sub/\x81\x5C" "a.txt", "a");  // the second byte of the character is "\"
  zip.Add("\x95\x5C", "b");          // ends in a character whose second byte is "\"
  Load(zip.Build());
  EXPECT_EQ("\x81\x5C" "a.txt", unzipper_.EntryAt(0).FileName);
  EXPECT_EQ("sub\\", unzipper_.EntryAt(0).Directory);
  EXPECT_EQ("\x95\x5C", unzipper_.EntryAt(1).FileName);
  EXPECT_EQ("", unzipper_.EntryAt(1).Directory);
}

TEST_F(UnzipperLoadTest, EncryptedAndCommentedEntriesAreMarked) {
  ZipBuilder zip;
  zip.Add("both.txt", "x").flags = 1;
  zip.entries.back().comment = "note";
  zip.Add("secret.txt", "x").flags = 1;
  zip.Add("noted.txt", "x").comment = "note";
  Load(zip.Build());
  const auto lines = Listing(unzipper_);
  EXPECT_EQ("both.txt#@", Fields(lines[0])[0]);
  EXPECT_EQ("secret.txt#", Fields(lines[1])[0]);
  EXPECT_EQ("noted.txt@", Fields(lines[2])[0]);
}

TEST_F(UnzipperLoadTest, ListingLowersEveryByteAToZ) {
  ZipBuilder zip;
  zip.Add("Dir/ReadMe.TXT", "x");
  zip.Add("\x81\x41\x81\x5A.TXT", "x");  // second bytes "A" and "Z"
  Load(zip.Build());
  const auto lines = Listing(unzipper_);
  EXPECT_EQ("readme.txt", Fields(lines[0])[0]);
  EXPECT_EQ("dir\\", Fields(lines[0]).back());
  EXPECT_EQ("\x81\x61\x81\x7A.txt", Fields(lines[1])[0]);
  EXPECT_EQ("ReadMe.TXT", unzipper_.EntryFileName(0));  // the entry keeps its case
}

TEST_F(UnzipperLoadTest, EntriesAreInLocalHeaderOrder) {
  ZipBuilder zip;
  zip.Add("a", "1");
  zip.Add("b", "2");
  zip.Add("c", "3");
  zip.centralOrder = {2, 0, 1};
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Load(zip.Build()));
  EXPECT_FALSE(unzipper_.Repaired());
}

TEST_F(UnzipperLoadTest, MissingExtraFieldIsSteppedBackOver) {
  ZipBuilder zip;
  zip.Add("first.txt", "1");
  zip.entries.back().centralExtra = std::string(12, '\x07');
  zip.entries.back().omitCentralExtraBytes = true;
  zip.Add("second.txt", "2");
  zip.Add("third.txt", "3");
  EXPECT_EQ((std::vector<std::string>{"first.txt", "second.txt", "third.txt"}), Load(zip.Build()));
  EXPECT_FALSE(unzipper_.Repaired());
  EXPECT_EQ(0, unzipper_.EntryAt(0).ExtraFieldLength);
}

TEST_F(UnzipperLoadTest, TwoRecordsWithOneOffsetLeadToTheRepairScan) {
  ZipBuilder zip;
  zip.Add("first.txt", "1");
  zip.Add("second.txt", "22");
  zip.Add("third.txt", "333").offsetOfEntry = 0;
  // The list is rebuilt from the local headers; each central record is then merged into
  // the entry it names, so the first entry ends up with the last record naming it.
  EXPECT_EQ((std::vector<std::string>{"third.txt", "second.txt", "third.txt"}), Load(zip.Build()));
  EXPECT_TRUE(unzipper_.Repaired());
  EXPECT_EQ(0u, unzipper_.EntryAt(0).EffectiveRelativeOffset());
  EXPECT_EQ(3u, unzipper_.EntryAt(2).EffectiveUncompressedSize());
  EXPECT_EQ(0x20u, unzipper_.EntryAt(1).ExternalAttributes);  // merged
  EXPECT_EQ(0u, unzipper_.EntryAt(2).ExternalAttributes);     // no central record named it
}

TEST_F(UnzipperLoadTest, RepairScanSkipsDataDescriptors) {
  ZipLayout layout;
  ZipBuilder zip;
  zip.Add("first.txt", "1111").writeDataDescriptor = true;
  zip.entries.back().zeroLocalSizes = false;
  zip.entries.back().flags = 8;
  zip.Add("second.txt", "2");
  const std::string truncated = zip.Build(&layout).substr(0, layout.endRecordOffset);
  unzipper_.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  EXPECT_EQ((std::vector<std::string>{"first.txt", "second.txt"}), Load(truncated));
}

TEST_F(UnzipperLoadTest, RepairScanPumpsWhileSearchingAndPerHeader) {
  ZipLayout layout;
  ZipBuilder zip;
  zip.prefix = std::string(3 * 10240 + 5, 'x');
  zip.Add("a.txt", "a");
  zip.Add("b.txt", "b");
  const std::string truncated = zip.Build(&layout).substr(0, layout.endRecordOffset);
  int pumped = 0;
  auto previous = platform::SetMessagePump([&] { ++pumped; });
  unzipper_.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt"}), Load(truncated));
  // Three times while looking for the first signature, once per local header and once
  // per central record merged afterwards.
  EXPECT_EQ(3 + 2 + 2, pumped);
  platform::SetMessagePump(previous);
}

TEST_F(UnzipperLoadTest, SelfExtractorIsScannedFrom14000) {
  ZipLayout layout;
  ZipBuilder stub;
  stub.Add("stub.txt", "inside the stub");
  ZipBuilder zip;
  zip.prefix = stub.Build(&layout).substr(0, layout.centralStart);
  zip.prefix.resize(14000, '\0');
  zip.Add("payload.txt", "p");
  const std::string truncated = zip.Build(&layout).substr(0, layout.endRecordOffset);
  unzipper_.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
  EXPECT_EQ((std::vector<std::string>{"payload.txt"}), Load(truncated, "setup.exe"));
  EXPECT_EQ((std::vector<std::string>{"stub.txt"}), Load(truncated, "setup.zip"));
}

TEST_F(UnzipperLoadTest, Month0AndDay0ListAsFirstOfJanuary) {
  ZipBuilder zip;
  zip.Add("a.txt", "a").dosDateTime = DosDateTime(2021, 0, 0, 14, 5, 0);
  Load(zip.Build());
  const auto fields = Fields(Listing(unzipper_)[0]);
  EXPECT_EQ("01-01-21", fields[1]);
  EXPECT_EQ("02:05pm", fields[2]);
  EXPECT_EQ(DosDateTime(2021, 1, 1, 14, 5, 0), unzipper_.EntryAt(0).DateTime);
}

TEST_F(UnzipperLoadTest, Zip64FieldsComeFromTheExtraBlock) {
  ZipBuilder zip;
  zip.Add("small.txt", "s");
  ZipEntrySpec& big = zip.Add("big.bin", "b");
  big.compressedSizeField = 0xFFFFFFFF;
  big.uncompressedSizeField = 0xFFFFFFFF;
  big.offsetField = 0xFFFFFFFF;
  ZipLayout layout;
  zip.Build(&layout);
  big.centralExtra = Le16(0x5455) + Le16(1) + "x" +  // another block first
                     Zip64Extra(0x123456789ull, 0x100000000ull, layout.localOffsets[1]);
  zip.zip64EndRecord = true;
  // Listed first: the Zip64 offset below the first entry's decides the order.
  zip.entries[0].offsetField = 0x7FFFFFFF;
  EXPECT_EQ((std::vector<std::string>{"big.bin", "small.txt"}), Load(zip.Build()));
  const TZipEntryInfo& entry = unzipper_.EntryAt(0);
  EXPECT_EQ(0x123456789ull, entry.EffectiveUncompressedSize());
  EXPECT_EQ(0x100000000ull, entry.EffectiveCompressedSize());
  EXPECT_EQ(layout.localOffsets[1], entry.EffectiveRelativeOffset());
  ASSERT_TRUE(unzipper_.EndRecord().Zip64EndRecord.has_value());
  EXPECT_EQ(2u, unzipper_.EndRecord().EffectiveTotalEntries());
  const auto fields = Fields(Listing(unzipper_)[0]);
  EXPECT_EQ("4886718345", fields[3]);
  EXPECT_EQ("4294967296", fields[4]);
  EXPECT_EQ(" 88%", fields[5]);
}

TEST_F(UnzipperLoadTest, SamePathInOtherCaseKeepsTheDirectory) {
  const std::string path = Write(TwoEntryArchive());
  unzipper_.SetZipName(path);
  unzipper_.LoadDirectory();
  std::string upper = path;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  unzipper_.SetZipName(upper);
  EXPECT_EQ(2, unzipper_.EntryCount());
  EXPECT_EQ(path, unzipper_.ZipName());
  unzipper_.SetZipName(Write(TwoEntryArchive(), "another.zip"));
  EXPECT_EQ(0, unzipper_.EntryCount());
}

TEST_F(UnzipperLoadTest, RewrittenArchiveIsReloadedUnchangedOneIsNot) {
  const std::string path = Write(TwoEntryArchive());
  unzipper_.SetZipName(path);
  unzipper_.LoadDirectory();
  const auto loadedAt = *platform::LastWriteTime(path);

  // Same size and time: the directory loaded counts as current.
  ZipBuilder same;
  same.Add("firsX.txt", "one");
  same.Add("secoXd.txt", "two two");
  Write(same.Build());
  platform::SetLastWriteTime(path, loadedAt);
  unzipper_.LoadDirectory();
  EXPECT_EQ("first.txt", unzipper_.EntryFileName(0));

  ZipBuilder bigger;
  bigger.Add("only.txt", "x");
  Write(bigger.Build());
  platform::SetLastWriteTime(path, loadedAt + std::chrono::seconds(10));
  unzipper_.LoadDirectory();
  EXPECT_EQ(1, unzipper_.EntryCount());
  EXPECT_EQ("only.txt", unzipper_.EntryFileName(0));
}

TEST_F(UnzipperLoadTest, ArchiveKeptOpenIsReopenedWhenReplaced) {
  const std::string path = Write(TwoEntryArchive());
  unzipper_.KeepZipOpen = true;
  unzipper_.SetZipName(path);
  unzipper_.LoadDirectory();
  EXPECT_TRUE(unzipper_.ArchiveIsOpen());
  const auto loadedAt = *platform::LastWriteTime(path);

  ZipBuilder replacement;
  for (int i = 0; i < 50; ++i) replacement.Add("entry" + std::to_string(i), std::string(100, 'x'));
  const std::string other = Write(replacement.Build(), "replacement.zip");
  std::filesystem::rename(platform::NativePath(other), platform::NativePath(path));
  platform::SetLastWriteTime(path, loadedAt + std::chrono::seconds(10));
  unzipper_.LoadDirectory();
  EXPECT_EQ(50, unzipper_.EntryCount());
}

TEST_F(UnzipperLoadTest, IndexOutOfRangeRaisesListError) {
  Load(TwoEntryArchive());
  for (int index : {-1, 2}) {
    try {
      unzipper_.EntryFileName(index);
      ADD_FAILURE() << index;
    } catch (const EListError& e) {
      EXPECT_EQ("Index " + std::to_string(index) + " is out of range", e.what());
    }
  }
}

TEST_F(UnzipperLoadTest, MissingArchiveRaisesTheOpenErrorAndClears) {
  Load(TwoEntryArchive());
  unzipper_.SetZipName(dir_.WinPath() + "absent.zip");
  try {
    unzipper_.LoadDirectory();
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(0u, std::string(e.what()).rfind("Cannot open file \"" + dir_.WinPath() + "absent.zip\". ", 0));
  }
  EXPECT_TRUE(unzipper_.ZipName().empty());
  EXPECT_EQ(0, unzipper_.EntryCount());
}

TEST_F(UnzipperLoadTest, DirectoryCopyInZfcFileIsUsed) {
  ZipLayout layout;
  const std::string whole = TwoEntryArchive(&layout);
  std::string zfc = whole.substr(layout.centralStart);
  zfc.replace(layout.endRecordOffset - layout.centralStart + 16, 4, Le32(0));  // directory at offset 0
  Write(zfc, "package.zfc");
  EXPECT_EQ((std::vector<std::string>{"first.txt", "second.txt"}), Load(whole.substr(0, layout.centralStart)));
}

TEST_F(UnzipperLoadTest, MultiPartArchiveReadsOnlyTheOpenPart) {
  ZipBuilder zip;
  zip.Add("a.txt", "a").diskNumberStart = 2;
  zip.thisDisk = 2;
  zip.startDisk = 2;
  EXPECT_EQ((std::vector<std::string>{"a.txt"}), Load(zip.Build()));
  EXPECT_EQ(3, unzipper_.NumberOfParts());

  zip.startDisk = 1;  // the directory starts in an earlier part
  unzipper_.SetZipName(Write(zip.Build(), "set.zip"));
  EXPECT_THROW(unzipper_.LoadDirectory(), EMultiPartZip);
  EXPECT_TRUE(unzipper_.ZipName().empty());
}

TEST_F(UnzipperLoadTest, DiskNumbersAbove999MeanNoEndRecord) {
  ZipBuilder zip;
  zip.Add("a.txt", "a");
  zip.thisDisk = 1000;
  EXPECT_TRUE(Load(zip.Build()).empty());
  zip.thisDisk = 1;
  zip.startDisk = 2;  // start disk after this disk
  EXPECT_TRUE(Load(zip.Build(), "b.zip").empty());
}

TEST_F(UnzipperLoadTest, PumpRunsPerRecordOnlyWhenAsked) {
  int pumped = 0;
  auto previous = platform::SetMessagePump([&] { ++pumped; });
  Load(TwoEntryArchive());
  EXPECT_EQ(2, pumped);
  pumped = 0;
  unzipper_.DoProcessMessages = false;
  Load(TwoEntryArchive(), "b.zip");
  EXPECT_EQ(0, pumped);
  platform::SetMessagePump(previous);
}

TEST_F(UnzipperLoadTest, DefaultsOfANewComponent) {
  TUnzipper u;
  EXPECT_FALSE(u.DoAll);
  EXPECT_FALSE(u.RecreateDirs);
  EXPECT_EQ(TUZOverwriteMode::Prompt, u.OverwriteMode);
  EXPECT_TRUE(u.RetainAttributes);
  EXPECT_FALSE(u.ReplaceReadOnly);
  EXPECT_FALSE(u.KeepZipOpen);
  EXPECT_TRUE(u.DoProcessMessages);
  EXPECT_EQ(TIncompleteZipMode::izAssumeMulti, u.IncompleteZipMode);
  EXPECT_EQ(TZipSortMode::ByNone, u.SortMode);
  EXPECT_EQ(TOEMConvert::oemAlways, u.OEMConvert);
  EXPECT_FALSE(u.FlushFilesOnClose);
  EXPECT_EQ(TBlockMode::bmStandard, u.BlockMode);
  EXPECT_TRUE(u.ZipName().empty() && u.DestDir().empty() && u.Password.empty() && u.RootDir.empty());
  EXPECT_EQ(0, u.EntryCount());
  u.SetThisVersion(5);
  EXPECT_EQ(TUnzipper::kThisVersion, u.ThisVersion());
}

TEST_F(UnzipperLoadTest, DestDirLosesOneTrailingBackslash) {
  unzipper_.SetDestDir("C:\\update\\\\");
  EXPECT_EQ("C:\\update\\", unzipper_.DestDir());
  unzipper_.SetDestDir("C:\\\x95\x5C");  // a double-byte character, not a separator
  EXPECT_EQ("C:\\\x95\x5C", unzipper_.DestDir());
}

}  // namespace
}  // namespace brimsel::test
