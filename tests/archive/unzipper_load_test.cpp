// Loading a directory: the outcomes for empty, short and damaged archives, names and
// directories, order, the recovery paths and the assignment rules of ZipName.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "archive/archive_test_support.h"
#include "archive/unzipper_load_fixture.h"

namespace brimsel::test {
namespace {

// The archive cut just before its end record.
std::string WithoutEndRecord(const ZipBuilder& zip) {
  ZipLayout layout;
  return zip.Build(&layout).substr(0, layout.endRecordOffset);
}

TEST_F(UnzipperLoadTest, ZeroTo21BytesLoadWithoutEntriesUnderTheDefaults) {
  const std::string whole = TwoEntries().Build();
  for (std::size_t n = 0; n <= 21; ++n) {
    SCOPED_TRACE(n);
    EXPECT_TRUE(Load(whole.substr(whole.size() - n), "short" + std::to_string(n) + ".zip").empty());
    EXPECT_TRUE(Listing(unzipper_).empty());
    EXPECT_FALSE(unzipper_.ZipName().empty());
  }
}

TEST_F(UnzipperLoadTest, LostEndRecordLoadsNothingAndClosesTheArchive) {
  unzipper_.KeepZipOpen = true;
  EXPECT_TRUE(Load(WithoutEndRecord(TwoEntries())).empty());
  EXPECT_FALSE(unzipper_.ArchiveIsOpen());
}

TEST_F(UnzipperLoadTest, RefusedArchivesRaiseAndClearTheComponent) {
  Load(TwoEntries().Build());
  const std::string absent = dir_.WinPath() + "absent.zip";
  EXPECT_EQ(0u, ExpectRefused<EFOpenError>(absent).rfind("Cannot open file \"" + absent + "\". ", 0));
  unzipper_.IncompleteZipMode = TIncompleteZipMode::izAssumeNotAZip;
  EXPECT_EQ("Not a valid zip file!", ExpectRefused<ENotAZipFile>(Write("just some text, no zip at all", "text.zip")));
  unzipper_.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;  // and no local header to rebuild from
  ExpectRefused<EBadZipFile>(Write(std::string(5000, 'x'), "noise.zip"));
}

TEST_F(UnzipperLoadTest, InCompleteZipEventChoosesTheModeAndIsRetriedOnce) {
  const std::string truncated = WithoutEndRecord(TwoEntries());
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
  ZipBuilder zip = TwoEntries();
  zip.Build(&layout);
  // The comment ends in a complete end record that names only the second central record.
  zip.archiveComment = Le32(0x06054b50) + Le16(0) + Le16(0) + Le16(1) + Le16(1) + Le32(46 + 10) +
                       Le32(static_cast<std::uint32_t>(layout.centralOffsets[1])) + Le16(0);
  EXPECT_EQ(Names{"second.txt"}, Load(zip.Build()));
  EXPECT_EQ(1, unzipper_.EndRecord().TotalEntries);
}

TEST_F(UnzipperLoadTest, NamesSplitMarkedAndLoweredForTheListing) {
  const struct {
    std::string stored;
    std::uint16_t flags;
    std::string comment, fileName, directory, listedName, listedDirectory;
  } rows[] = {
      {"sub/dir/a.txt", 0, "", "a.txt", "sub\\dir\\", "a.txt", "sub\\dir\\"},
      {"sub/", 0, "", "", "sub\\", "", "sub\\"},
      {"c:b.txt", 0, "", "b.txt", "c:\\", "b.txt", "c:\\"},  // a backslash is appended
      // Double-byte characters whose second byte is "\" are not split there.
      {"sub/\x81\x5C" "a.txt", 0, "", "\x81\x5C" "a.txt", "sub\\", "\x81\x5C" "a.txt", "sub\\"},
      {"\x95\x5C", 0, "", "\x95\x5C", "", "\x95\x5C", ""},
      {"both.txt", 1, "note", "both.txt", "", "both.txt#@", ""},
      {"secret.txt", 1, "", "secret.txt", "", "secret.txt#", ""},
      {"noted.txt", 0, "note", "noted.txt", "", "noted.txt@", ""},
      // The listing lowers every byte A to Z, second bytes "A" and "Z" too; the entry keeps its case.
      {"Dir/ReadMe.TXT", 0, "", "ReadMe.TXT", "Dir\\", "readme.txt", "dir\\"},
      {"\x81\x41\x81\x5A.TXT", 0, "", "\x81\x41\x81\x5A.TXT", "", "\x81\x61\x81\x7A.txt", ""},
  };
  ZipBuilder zip;
  for (const auto& row : rows) {
    ZipEntrySpec& e = zip.Add(row.stored, "x");
    e.flags = row.flags;
    e.comment = row.comment;
  }
  Load(zip.Build());
  const auto lines = Listing(unzipper_);
  ASSERT_EQ(std::size(rows), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(rows[i].stored);
    const int index = static_cast<int>(i);
    EXPECT_EQ(rows[i].fileName, unzipper_.EntryFileName(index));
    EXPECT_EQ(rows[i].fileName, unzipper_.EntryAt(index).FileName);
    EXPECT_EQ(rows[i].directory, unzipper_.EntryAt(index).Directory);
    EXPECT_EQ(rows[i].listedName, Fields(lines[i]).front());
    EXPECT_EQ(rows[i].listedDirectory, Fields(lines[i]).back());
  }
  EXPECT_EQ(13, unzipper_.EntryAt(0).FileNameLength);
}

TEST_F(UnzipperLoadTest, EntriesAreInLocalHeaderOrderAMissingExtraFieldIsSteppedBackOver) {
  ZipBuilder zip = StoredEntries({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  zip.centralOrder = {2, 0, 1};
  EXPECT_EQ((Names{"a", "b", "c"}), Load(zip.Build()));
  EXPECT_FALSE(unzipper_.Repaired());

  zip.centralOrder.clear();
  zip.entries[0].centralExtra = std::string(12, '\x07');
  zip.entries[0].omitCentralExtraBytes = true;
  EXPECT_EQ((Names{"a", "b", "c"}), Load(zip.Build(), "extra.zip"));
  EXPECT_FALSE(unzipper_.Repaired());
  EXPECT_EQ(0, unzipper_.EntryAt(0).ExtraFieldLength);
}

TEST_F(UnzipperLoadTest, TwoRecordsWithOneOffsetLeadToTheRepairScan) {
  ZipBuilder zip = StoredEntries({{"first.txt", "1"}, {"second.txt", "22"}, {"third.txt", "333"}});
  zip.entries[2].offsetOfEntry = 0;
  // The list is rebuilt from the local headers; each central record is then merged into
  // the entry it names, so the first entry ends up with the last record naming it.
  EXPECT_EQ((Names{"third.txt", "second.txt", "third.txt"}), Load(zip.Build()));
  EXPECT_TRUE(unzipper_.Repaired());
  EXPECT_EQ(0u, unzipper_.EntryAt(0).EffectiveRelativeOffset());
  EXPECT_EQ(3u, unzipper_.EntryAt(2).EffectiveUncompressedSize());
  EXPECT_EQ(0x20u, unzipper_.EntryAt(1).ExternalAttributes);  // merged
  EXPECT_EQ(0u, unzipper_.EntryAt(2).ExternalAttributes);     // no central record named it
}

TEST_F(UnzipperLoadTest, BadModeRepairsAnArchiveWithoutEndRecord) {
  EXPECT_EQ((Names{"first.txt", "second.txt"}), Repair(WithoutEndRecord(TwoEntries())));
  EXPECT_TRUE(unzipper_.Repaired());
  // The merged central records supply what the local headers lack.
  EXPECT_EQ(0x20u, unzipper_.EntryAt(0).ExternalAttributes);

  ZipBuilder described = TwoEntries();  // the scan skips a data descriptor
  described.entries[0].writeDataDescriptor = true;
  described.entries[0].zeroLocalSizes = false;
  described.entries[0].flags = 8;
  EXPECT_EQ((Names{"first.txt", "second.txt"}), Repair(WithoutEndRecord(described), "described.zip"));
}

TEST_F(UnzipperLoadTest, RepairScanPumpsWhileSearchingAndPerHeader) {
  ZipBuilder zip = StoredEntries({{"a.txt", "a"}, {"b.txt", "b"}});
  zip.prefix = std::string(3 * 10240 + 5, 'x');
  PumpCounter pump;
  EXPECT_EQ((Names{"a.txt", "b.txt"}), Repair(WithoutEndRecord(zip)));
  // Three times while looking for the first signature, once per local header and once
  // per central record merged afterwards.
  EXPECT_EQ(3 + 2 + 2, pump.count);
}

TEST_F(UnzipperLoadTest, SelfExtractorIsScannedFrom14000) {
  ZipLayout layout;
  ZipBuilder zip = StoredEntries({{"payload.txt", "p"}});
  zip.prefix = StoredEntries({{"stub.txt", "inside the stub"}}).Build(&layout).substr(0, layout.centralStart);
  zip.prefix.resize(14000, '\0');
  const std::string truncated = WithoutEndRecord(zip);
  EXPECT_EQ(Names{"payload.txt"}, Repair(truncated, "setup.exe"));
  EXPECT_EQ(Names{"stub.txt"}, Repair(truncated, "setup.zip"));
}

TEST_F(UnzipperLoadTest, Month0AndDay0ListAsFirstOfJanuary) {
  ZipBuilder zip = StoredEntries({{"a.txt", "a"}});
  zip.entries[0].dosDateTime = DosDateTime(2021, 0, 0, 14, 5, 0);
  Load(zip.Build());
  const auto fields = Fields(Listing(unzipper_)[0]);
  EXPECT_EQ("01-01-21", fields[1]);
  EXPECT_EQ("02:05pm", fields[2]);
  EXPECT_EQ(DosDateTime(2021, 1, 1, 14, 5, 0), unzipper_.EntryAt(0).DateTime);
}

TEST_F(UnzipperLoadTest, Zip64FieldsComeFromTheExtraBlock) {
  ZipBuilder zip = StoredEntries({{"small.txt", "s"}, {"big.bin", "b"}});
  ZipEntrySpec& big = zip.entries[1];
  big.compressedSizeField = big.uncompressedSizeField = big.offsetField = 0xFFFFFFFF;
  ZipLayout layout;
  zip.Build(&layout);
  big.centralExtra = Le16(0x5455) + Le16(1) + "x" +  // another block first
                     Zip64Extra(0x123456789ull, 0x100000000ull, layout.localOffsets[1]);
  zip.zip64EndRecord = true;
  // Listed first: the Zip64 offset below the first entry's decides the order.
  zip.entries[0].offsetField = 0x7FFFFFFF;
  EXPECT_EQ((Names{"big.bin", "small.txt"}), Load(zip.Build()));
  const TZipEntryInfo& entry = unzipper_.EntryAt(0);
  EXPECT_EQ(0x123456789ull, entry.EffectiveUncompressedSize());
  EXPECT_EQ(0x100000000ull, entry.EffectiveCompressedSize());
  EXPECT_EQ(layout.localOffsets[1], entry.EffectiveRelativeOffset());
  ASSERT_TRUE(unzipper_.EndRecord().Zip64EndRecord.has_value());
  EXPECT_EQ(2u, unzipper_.EndRecord().EffectiveTotalEntries());
  const auto fields = Fields(Listing(unzipper_)[0]);
  EXPECT_EQ((Names{"4886718345", "4294967296", " 88%"}), Names(fields.begin() + 3, fields.begin() + 6));
}

TEST_F(UnzipperLoadTest, SamePathOrUnchangedFileKeepsTheDirectoryAChangedOneIsReloaded) {
  const std::string path = Write(TwoEntries().Build());
  unzipper_.SetZipName(path);
  unzipper_.LoadDirectory();
  const auto loadedAt = *platform::LastWriteTime(path);
  std::string upper = path;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  unzipper_.SetZipName(upper);
  EXPECT_EQ(2, unzipper_.EntryCount());
  EXPECT_EQ(path, unzipper_.ZipName());

  // Same size and time: the directory loaded counts as current.
  Write(StoredEntries({{"firsX.txt", "one"}, {"secoXd.txt", "two two"}}).Build());
  platform::SetLastWriteTime(path, loadedAt);
  unzipper_.LoadDirectory();
  EXPECT_EQ("first.txt", unzipper_.EntryFileName(0));

  Write(StoredEntries({{"only.txt", "x"}}).Build());
  platform::SetLastWriteTime(path, loadedAt + std::chrono::seconds(10));
  unzipper_.LoadDirectory();
  EXPECT_EQ(1, unzipper_.EntryCount());
  EXPECT_EQ("only.txt", unzipper_.EntryFileName(0));

  unzipper_.SetZipName(Write(TwoEntries().Build(), "another.zip"));
  EXPECT_EQ(0, unzipper_.EntryCount());
}

TEST_F(UnzipperLoadTest, IndexOutOfRangeRaisesListError) {
  Load(TwoEntries().Build());
  for (int index : {-1, 2}) {
    try {
      unzipper_.EntryFileName(index);
      ADD_FAILURE() << index;
    } catch (const EListError& e) {
      EXPECT_EQ("Index " + std::to_string(index) + " is out of range", e.what());
    }
  }
}

TEST_F(UnzipperLoadTest, DirectoryCopyInZfcFileIsUsed) {
  ZipLayout layout;
  const std::string whole = TwoEntries().Build(&layout);
  std::string zfc = whole.substr(layout.centralStart);
  zfc.replace(layout.endRecordOffset - layout.centralStart + 16, 4, Le32(0));  // directory at offset 0
  Write(zfc, "package.zfc");
  EXPECT_EQ((Names{"first.txt", "second.txt"}), Load(whole.substr(0, layout.centralStart)));

  // In a path written with "/", the dot of a folder is no extension either.
  dir_.Write("v1.2/package.zfc", zfc);
  const std::string linuxPath = (dir_.Write("v1.2/package", whole.substr(0, layout.centralStart))).string();
  unzipper_.SetZipName(linuxPath);
  unzipper_.LoadDirectory();
  EXPECT_EQ(unzipper_.EntryCount(), 2);
}

TEST_F(UnzipperLoadTest, MultiPartArchiveReadsOnlyTheOpenPartAndDiskNumbersAbove999MeanNoEndRecord) {
  ZipBuilder zip = StoredEntries({{"a.txt", "a"}});
  zip.entries[0].diskNumberStart = 2;
  zip.thisDisk = zip.startDisk = 2;
  EXPECT_EQ(Names{"a.txt"}, Load(zip.Build()));
  EXPECT_EQ(3, unzipper_.NumberOfParts());
  zip.startDisk = 1;  // the directory starts in an earlier part
  ExpectRefused<EMultiPartZip>(Write(zip.Build(), "set.zip"));

  zip.entries[0].diskNumberStart = 0;
  zip.thisDisk = 1000;
  zip.startDisk = 0;
  EXPECT_TRUE(Load(zip.Build(), "a.zip").empty());
  zip.thisDisk = 1;
  zip.startDisk = 2;  // start disk after this disk
  EXPECT_TRUE(Load(zip.Build(), "b.zip").empty());
}

TEST_F(UnzipperLoadTest, PumpRunsPerRecordOnlyWhenAsked) {
  PumpCounter pump;
  Load(TwoEntries().Build());
  EXPECT_EQ(2, pump.count);
  unzipper_.DoProcessMessages = false;
  Load(TwoEntries().Build(), "b.zip");
  EXPECT_EQ(2, pump.count);
}

// The defaults that no other test relies on, and the assignment rule of DestDir.
TEST_F(UnzipperLoadTest, DefaultsAndDestDir) {
  TUnzipper u;
  EXPECT_FALSE(u.DoAll || u.FlushFilesOnClose);
  EXPECT_EQ(TZipSortMode::ByNone, u.SortMode);
  EXPECT_EQ(TOEMConvert::oemAlways, u.OEMConvert);
  EXPECT_EQ(TBlockMode::bmStandard, u.BlockMode);
  EXPECT_TRUE(u.ZipName().empty() && u.DestDir().empty() && u.Password.empty() && u.RootDir.empty());
  u.SetThisVersion(5);
  EXPECT_EQ(TUnzipper::kThisVersion, u.ThisVersion());
  u.SetDestDir("C:\\update\\\\");  // loses one trailing backslash
  EXPECT_EQ("C:\\update\\", u.DestDir());
  u.SetDestDir("C:\\\x95\x5C");  // a double-byte character, not a separator
  EXPECT_EQ("C:\\\x95\x5C", u.DestDir());
}

}  // namespace
}  // namespace brimsel::test
