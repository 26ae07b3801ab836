// Extraction with the component's defaults and the cases that break naive extractors:
// same names in two folders, directory entries, bad CRCs, overruns, passwords, unknown
// methods, odd dates and read-only files.

#include <chrono>

#include "archive/extract_messages.h"
#include "archive/directory_test_support.h"
#include "archive/dos_datetime.h"
#include "extract_test_support.h"

namespace brimsel::test {
namespace {

using platform::IDNO;
using platform::IDYES;

class ExtractEdgeCases : public ExtractionFixture {};

ZipBuilder TwoFoldersWithX() {
  ZipBuilder b;
  b.Add("a/x.txt", "first x");
  b.Add("b/x.txt", "second x, longer");
  return b;
}

TEST_F(ExtractEdgeCases, SameNameInTwoFoldersAnsweredNoKeepsTheFirst) {
  BoxRecorder boxes(IDNO);
  const std::string archive = WriteArchive(TwoFoldersWithX());
  zip.DoAll = true;
  std::vector<TSkipReason> skipped;
  zip.OnSkippingFile = [&](TUnzipper&, TSkipReason reason, const std::string& fName, int, bool&) {
    skipped.push_back(reason);
    EXPECT_EQ(fName, DestFile("x.txt"));
  };
  EXPECT_EQ(Extract(archive), 1);
  EXPECT_EQ(ReadDest("x.txt"), "first x");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].owner, 0u);
  EXPECT_EQ(boxes.shown[0].caption, "File Exists Alert");
  EXPECT_EQ(boxes.shown[0].text, "Replace existing file x.txt?");
  EXPECT_EQ(boxes.shown[0].flags & platform::MB_BUTTONS_MASK, platform::MB_YESNO);
  EXPECT_EQ(skipped, std::vector<TSkipReason>{TSkipReason::srNoOverwrite});
}

TEST_F(ExtractEdgeCases, SameNameInTwoFoldersAnsweredYesReplacesIt) {
  BoxRecorder boxes(IDYES);
  zip.DoAll = true;
  EXPECT_EQ(Extract(WriteArchive(TwoFoldersWithX())), 2);
  EXPECT_EQ(ReadDest("x.txt"), "second x, longer");
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(ExtractEdgeCases, OverwriteQuestionGoesToTheHandlersWhenAssigned) {
  BoxRecorder boxes(IDNO);
  zip.DoAll = true;
  std::vector<int> ids;
  zip.OnHandleMessage = [&](TUnzipper&, int id, const std::string& text, const std::string& caption, unsigned,
                            int& answer) {
    ids.push_back(id);
    EXPECT_EQ(text, "Replace existing file x.txt?");
    EXPECT_EQ(caption, kFileExistsCaption);
    answer = IDYES;
  };
  EXPECT_EQ(Extract(WriteArchive(TwoFoldersWithX())), 2);
  EXPECT_EQ(ids, std::vector<int>{kMessageFileExists});
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(ReadDest("x.txt"), "second x, longer");
}

TEST_F(ExtractEdgeCases, PromptEventDecidesAndMayRenameTheTarget) {
  BoxRecorder boxes;
  zip.DoAll = true;
  zip.OnPromptForOverwrite = [&](TUnzipper&, bool& overwrite, int, std::string& fName) {
    fName = DestFile("x-2.txt");
    overwrite = true;
  };
  EXPECT_EQ(Extract(WriteArchive(TwoFoldersWithX())), 2);
  EXPECT_EQ(ReadDest("x.txt"), "first x");
  EXPECT_EQ(ReadDest("x-2.txt"), "second x, longer");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ExtractEdgeCases, NeverAndAlwaysNeedNoQuestion) {
  BoxRecorder boxes;
  zip.DoAll = true;
  zip.OverwriteMode = TUZOverwriteMode::Never;
  EXPECT_EQ(Extract(WriteArchive(TwoFoldersWithX())), 1);
  EXPECT_EQ(ReadDest("x.txt"), "first x");
  zip.OverwriteMode = TUZOverwriteMode::Always;
  zip.DoAll = true;
  EXPECT_EQ(zip.ExtractFiles(), 2);
  EXPECT_EQ(ReadDest("x.txt"), "second x, longer");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ExtractEdgeCases, IfNewerAndIfOlderCompareWithTheExistingFile) {
  ZipBuilder b;
  b.Add("x.txt", "from 2020").dosDateTime = DosDateTime(2020, 6, 1, 12, 0, 0);
  const std::string archive = WriteArchive(b);
  const auto entryTime = *DosDateTimeToTimePoint(DosDateTime(2020, 6, 1, 12, 0, 0));
  dir.Write("dest/x.txt", "from 2010");
  ASSERT_TRUE(platform::SetLastWriteTime(DestFile("x.txt"), entryTime - std::chrono::hours(24 * 3650)));
  zip.OverwriteMode = TUZOverwriteMode::ifOlder;  // the entry is newer: kept
  zip.DoAll = true;
  EXPECT_EQ(Extract(archive), 0);
  EXPECT_EQ(ReadDest("x.txt"), "from 2010");
  zip.OverwriteMode = TUZOverwriteMode::ifNewer;
  zip.DoAll = true;
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(ReadDest("x.txt"), "from 2020");
  // Now the file carries the entry's own time: neither is later.
  zip.DoAll = true;
  EXPECT_EQ(zip.ExtractFiles(), 0);
}

TEST_F(ExtractEdgeCases, RetainAttributesOffLeavesTheFileWritable) {
  ZipBuilder b;
  b.Add("ro.txt", "read only").externalAttributes = 0x21;
  zip.DoAll = true;
  zip.RetainAttributes = false;
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_FALSE(platform::IsReadOnly(DestFile("ro.txt")));
}

TEST_F(ExtractEdgeCases, ArchiveIsClosedAfterwardsUnlessKeptOpenOrLeftByAnError) {
  ZipBuilder good;
  good.Add("f.txt", "f");
  InspectableUnzipper unzipper;
  unzipper.SetZipName(WriteArchive(good));
  unzipper.SetDestDir(Dest());
  unzipper.DoAll = true;
  EXPECT_EQ(unzipper.ExtractFiles(), 1);
  EXPECT_FALSE(unzipper.ArchiveIsOpen());
  unzipper.KeepZipOpen = true;
  unzipper.OverwriteMode = TUZOverwriteMode::Always;
  EXPECT_EQ(unzipper.ExtractFiles(), 1);
  EXPECT_TRUE(unzipper.ArchiveIsOpen());

  ZipBuilder cut;
  cut.Add("cut.txt", "c").compressedSizeField = 0x00FFFFFF;
  cut.entries[0].uncompressedSizeField = 0x00FFFFFF;
  unzipper.KeepZipOpen = false;
  unzipper.SetZipName(WriteArchive(cut, "cut.zip"));
  EXPECT_THROW(unzipper.ExtractFiles(), EFatalUnzipError);
  EXPECT_TRUE(unzipper.ArchiveIsOpen());
  EXPECT_FALSE(unzipper.KeepZipOpen);
}

TEST_F(ExtractEdgeCases, DirectoryEntryIsCountedAndCreatesNothing) {
  ZipBuilder b;
  b.Add("sub/");
  b.Add("sub/a.txt", "a");
  zip.DoAll = true;
  EXPECT_EQ(Extract(WriteArchive(b)), 2);
  EXPECT_EQ(ReadDest("a.txt"), "a");
  EXPECT_FALSE(platform::DirectoryExists(DestFile("sub")));
}

TEST_F(ExtractEdgeCases, RecreatedDirectoriesHoldTheirFiles) {
  ZipBuilder b;
  b.Add("empty/");
  b.Add("sub/dir/a.txt", "a");
  zip.DoAll = true;
  zip.RecreateDirs = true;
  EXPECT_EQ(Extract(WriteArchive(b)), 2);
  EXPECT_TRUE(platform::DirectoryExists(DestFile("empty")));
  EXPECT_EQ(ReadDest("sub\\dir\\a.txt"), "a");
}

TEST_F(ExtractEdgeCases, OnlyDirectoryEntriesSelectNothing) {
  ZipBuilder b;
  b.Add("one/");
  b.Add("two/");
  zip.DoAll = true;
  int infoFiles = -1;
  zip.OnStartUnZipInfo = [&](TUnzipper&, int numFiles, std::uint64_t, bool&) { infoFiles = numFiles; };
  EXPECT_EQ(Extract(WriteArchive(b)), 0);
  EXPECT_EQ(infoFiles, 0);
}

TEST_F(ExtractEdgeCases, BadCrcLeavesNoFileAndTheNextEntryFollows) {
  ZipBuilder b;
  b.Add("bad.txt", "some content").crc = 0x12345678;
  b.Add("good.txt", "fine");
  zip.DoAll = true;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> crcs;
  zip.OnBadCRC = [&](TUnzipper&, std::uint32_t calc, std::uint32_t stored, int) { crcs.emplace_back(calc, stored); };
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_FALSE(platform::FileExists(DestFile("bad.txt")));
  EXPECT_EQ(ReadDest("good.txt"), "fine");
  ASSERT_EQ(crcs.size(), 1u);
  EXPECT_EQ(crcs[0].first, Crc32("some content"));
  EXPECT_EQ(crcs[0].second, 0x12345678u);
}

TEST_F(ExtractEdgeCases, OverrunIsDeletedAndNotCounted) {
  const std::string plain(100000, 'q');
  ZipBuilder b;
  AddCompressed(b, "big.bin", plain).uncompressedSizeField = 40000;  // inflates past it
  b.Add("after.txt", "after");
  zip.DoAll = true;
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_FALSE(platform::FileExists(DestFile("big.bin")));
  EXPECT_EQ(ReadDest("after.txt"), "after");
}

TEST_F(ExtractEdgeCases, ShortOutputIsNotCountedEvenWithAMatchingCrc) {
  // The stored size promises more than the data holds; the file was sized at once, so a
  // count here would leave a file padded with zeros.
  ZipBuilder b;
  AddCompressed(b, "short.bin", "only this").uncompressedSizeField = 5000;
  zip.DoAll = true;
  EXPECT_EQ(Extract(WriteArchive(b)), 0);
  EXPECT_FALSE(platform::FileExists(DestFile("short.bin")));
}

TEST_F(ExtractEdgeCases, EncryptedEntryIsSkippedWithAnEmptyPassword) {
  ZipBuilder b;
  AddEncrypted(b, "secret/s.txt", "classified", "pw");
  b.Add("open.txt", "public");
  zip.DoAll = true;
  std::vector<std::string> skipped;
  zip.OnSkippingFile = [&](TUnzipper&, TSkipReason reason, const std::string& fName, int, bool&) {
    EXPECT_EQ(reason, TSkipReason::srBadPassword);
    skipped.push_back(fName);
  };
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_FALSE(platform::FileExists(DestFile("s.txt")));
  EXPECT_EQ(ReadDest("open.txt"), "public");
  EXPECT_EQ(skipped, std::vector<std::string>{"secret\\s.txt"});
}

TEST_F(ExtractEdgeCases, EncryptedEntriesExtractWithTheRightPassword) {
  ZipBuilder b;
  AddEncrypted(b, "d.txt", std::string(70000, 'd') + "tail", "pw", true);
  AddEncrypted(b, "s.txt", std::string(50000, 's') + "tail", "pw", false);
  zip.DoAll = true;
  zip.Password = "pw";
  EXPECT_EQ(Extract(WriteArchive(b)), 2);
  EXPECT_EQ(ReadDest("d.txt"), std::string(70000, 'd') + "tail");
  EXPECT_EQ(ReadDest("s.txt"), std::string(50000, 's') + "tail");
}

TEST_F(ExtractEdgeCases, BadPasswordEventSuppliesTheRightOne) {
  ZipBuilder b;
  AddEncrypted(b, "d.txt", "deflated secret", "right");
  zip.DoAll = true;
  zip.Password = "wrong";
  int asked = 0;
  zip.OnBadPassword = [&](TUnzipper&, int, std::string& newPassword) {
    ++asked;
    newPassword = "right";
  };
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(zip.Password, "right");
  EXPECT_EQ(ReadDest("d.txt"), "deflated secret");
}

TEST_F(ExtractEdgeCases, CustomDecryptionReplacesTheBuiltInOne) {
  // The header is checked with the built-in cipher; the data after it goes through the
  // event, which here undoes a plain XOR.
  const std::string plain = std::string(40000, 'x') + "through the event";
  std::string scrambled = RawDeflate(plain);
  for (char& c : scrambled) c = static_cast<char>(c ^ 0x5A);
  ZipBuilder b;
  ZipEntrySpec& e = b.Add("d.txt", Encrypt("pw", "", static_cast<std::uint8_t>(Crc32(plain) >> 24)) + scrambled);
  e.method = 8;
  e.flags = 0x0001;
  e.crc = Crc32(plain);
  e.uncompressedSizeField = static_cast<std::uint32_t>(plain.size());
  zip.DoAll = true;
  zip.Password = "pw";
  std::size_t seen = 0;
  zip.OnDecrypt = [&](TUnzipper&, std::uint8_t* data, std::size_t length, const std::string& password) {
    EXPECT_EQ(password, "pw");
    for (std::size_t i = 0; i < length; ++i) data[i] ^= 0x5A;
    seen += length;
  };
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_EQ(seen, scrambled.size());
  EXPECT_EQ(ReadDest("d.txt"), plain);
}

ZipBuilder UnknownMethod(std::uint32_t crc, std::string data = {}) {
  ZipBuilder b;
  ZipEntrySpec& e = b.Add("tok.dat", std::move(data));
  e.method = 12;
  e.crc = crc;
  return b;
}

TEST_F(ExtractEdgeCases, UnknownMethodWithCrcZeroAndNoDataGivesAnEmptyFile) {
  BoxRecorder boxes;
  zip.DoAll = true;
  EXPECT_EQ(Extract(WriteArchive(UnknownMethod(0))), 1);
  EXPECT_TRUE(platform::FileExists(DestFile("tok.dat")));
  EXPECT_EQ(ReadDest("tok.dat"), "");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].owner, 0u);
  EXPECT_EQ(boxes.shown[0].text, "Unknown Compression Method");
  EXPECT_EQ(boxes.shown[0].caption, "Zip Error");
  EXPECT_EQ(boxes.shown[0].flags, platform::MB_OK);
}

TEST_F(ExtractEdgeCases, UnknownMethodWithACrcLeavesNoFile) {
  BoxRecorder boxes;
  zip.DoAll = true;
  EXPECT_EQ(Extract(WriteArchive(UnknownMethod(0xDEADBEEF, "abc"))), 0);
  EXPECT_FALSE(platform::FileExists(DestFile("tok.dat")));
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(ExtractEdgeCases, UnknownMethodWithCrcZeroButDataIsNotAFileOfZeros) {
  BoxRecorder boxes;
  zip.DoAll = true;
  EXPECT_EQ(Extract(WriteArchive(UnknownMethod(0, "abc"))), 0);
  EXPECT_FALSE(platform::FileExists(DestFile("tok.dat")));
}

TEST_F(ExtractEdgeCases, MonthThirteenGivesDecember) {
  ZipBuilder b;
  b.Add("d.txt", "dated").dosDateTime = DosDateTime(2021, 13, 5, 10, 20, 30);
  zip.DoAll = true;
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  const auto time = platform::LastWriteTime(DestFile("d.txt"));
  ASSERT_TRUE(time);
  EXPECT_EQ(time, DosDateTimeToTimePoint(DosDateTime(2021, 12, 5, 10, 20, 30)));
}

TEST_F(ExtractEdgeCases, ReadOnlyEntryGivesAReadOnlyFile) {
  ZipBuilder b;
  b.Add("ro.txt", "read only").externalAttributes = 0x21;
  b.Add("rw.txt", "writable").externalAttributes = 0x20;
  zip.DoAll = true;
  EXPECT_EQ(Extract(WriteArchive(b)), 2);
  EXPECT_TRUE(platform::IsReadOnly(DestFile("ro.txt")));
  EXPECT_FALSE(platform::IsReadOnly(DestFile("rw.txt")));
}

TEST_F(ExtractEdgeCases, ReadOnlyEntryWithABadCrcStillLeavesNoFile) {
  ZipBuilder b;
  ZipEntrySpec& e = b.Add("ro.txt", "read only");
  e.externalAttributes = 0x21;
  e.crc = 1;
  zip.DoAll = true;
  EXPECT_EQ(Extract(WriteArchive(b)), 0);
  EXPECT_FALSE(platform::FileExists(DestFile("ro.txt")));
}

TEST_F(ExtractEdgeCases, ReadOnlyExistingTargetIsSkippedAfterYes) {
  BoxRecorder boxes(IDYES);
  dir.Write("dest/x.txt", "old");
  ASSERT_TRUE(platform::SetFileAttributes(DestFile("x.txt"), platform::kAttributeReadOnly));
  ZipBuilder b;
  b.Add("x.txt", "new");
  zip.DoAll = true;
  std::vector<TSkipReason> skipped;
  zip.OnSkippingFile = [&](TUnzipper&, TSkipReason reason, const std::string&, int, bool&) { skipped.push_back(reason); };
  EXPECT_EQ(Extract(WriteArchive(b)), 0);
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(skipped, std::vector<TSkipReason>{TSkipReason::srCreateError});
  EXPECT_EQ(ReadDest("x.txt"), "old");
}

TEST_F(ExtractEdgeCases, ReplaceReadOnlyReplacesIt) {
  BoxRecorder boxes(IDYES);
  dir.Write("dest/x.txt", "old");
  ASSERT_TRUE(platform::SetFileAttributes(DestFile("x.txt"), platform::kAttributeReadOnly));
  ZipBuilder b;
  b.Add("x.txt", "new");
  zip.DoAll = true;
  zip.ReplaceReadOnly = true;
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_EQ(ReadDest("x.txt"), "new");
}

TEST_F(ExtractEdgeCases, MissingDestinationIsCreatedWithItsParents) {
  ZipBuilder b;
  b.Add("f.txt", "f");
  zip.DoAll = true;
  zip.SetZipName(WriteArchive(b));
  zip.SetDestDir(dir.WinPath() + "one\\two\\three\\");
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(TempDir::Read(dir.path() / "one/two/three/f.txt"), "f");
}

TEST_F(ExtractEdgeCases, TruncatedDataRaisesPrematureEndAndStillCompletes) {
  ZipBuilder b;
  b.Add("whole.txt", "whole");
  b.Add("cut.txt", std::string(5000, 'c'));
  std::string bytes = b.Build();
  // The second entry's data claims more bytes than the file holds.
  ZipBuilder lying = b;
  lying.entries[1].compressedSizeField = 0x00FFFFFF;
  lying.entries[1].uncompressedSizeField = 0x00FFFFFF;
  zip.DoAll = true;
  int completed = -1;
  zip.OnUnZipComplete = [&](TUnzipper&, int count) { completed = count; };
  try {
    Extract(WriteArchive(lying));
    ADD_FAILURE() << "no error";
  } catch (const EFatalUnzipError& e) {
    EXPECT_EQ(e.Message(), "Premature end of file reached");
  }
  EXPECT_EQ(completed, 1);
  EXPECT_EQ(ReadDest("whole.txt"), "whole");
  EXPECT_FALSE(zip.KeepZipOpen);
}

TEST_F(ExtractEdgeCases, CorruptDeflateRaisesTheCompressionError) {
  ZipBuilder b;
  ZipEntrySpec& e = b.Add("z.bin", std::string("\xff\xff\xff\xff\xff\xff", 6));
  e.method = 8;
  e.uncompressedSizeField = 10;
  zip.DoAll = true;
  try {
    Extract(WriteArchive(b));
    ADD_FAILURE() << "no error";
  } catch (const EZCompressionError& error) {
    EXPECT_EQ(error.Message(), "error");
  }
}

TEST_F(ExtractEdgeCases, IncompleteArchiveRaisesOutOfExtractFiles) {
  ZipBuilder b;
  b.Add("f.txt", "f");
  b.writeEndRecord = false;
  zip.DoAll = true;
  EXPECT_THROW(Extract(WriteArchive(b)), EIncompleteZip);
}

}  // namespace
}  // namespace brimsel::test
