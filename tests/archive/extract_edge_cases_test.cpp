// Extraction with the component's defaults and the cases that break naive extractors:
// same names in two folders, directory entries, bad CRCs, overruns, passwords, unknown
// methods, odd dates and read-only files.

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "archive/archive_test_support.h"
#include "archive/directory/dos_datetime.h"
#include "archive/extract/extract_messages.h"

namespace brimsel::test {
namespace {

using platform::IDNO;
using platform::IDYES;

class ExtractEdgeCases : public ExtractionFixture {
 protected:
  // The message of the error E that extracting `archive` raises.
  template <class E>
  std::string ErrorOf(const std::string& archive) {
    try {
      Extract(archive);
      ADD_FAILURE() << "no error";
    } catch (const E& e) {
      return e.Message();
    }
    return {};
  }
  void RecordSkips() {
    zip.OnSkippingFile = [this](TUnzipper&, TSkipReason reason, const std::string& fName, int, bool&) {
      skips.push_back(reason);
      skippedNames.push_back(fName);
    };
  }

  std::vector<TSkipReason> skips;
  std::vector<std::string> skippedNames;
};

// "x.txt" in two folders: the second asks whether to replace the first.
TEST_F(ExtractEdgeCases, SameNameInTwoFoldersFollowsTheOverwriteDecision) {
  std::vector<int> ids;
  const struct {
    const char* how;
    int answer;
    std::function<void()> setup;
    int count;
    std::string x;
    bool asked;  // with the message box
    std::vector<TSkipReason> skips;
  } rows[] = {
      {"box answered No", IDNO, [] {}, 1, "first x", true, {TSkipReason::srNoOverwrite}},
      {"box answered Yes", IDYES, [] {}, 2, "second x, longer", true, {}},
      {"handler answers Yes", IDNO,
       [&] {
         zip.OnHandleMessage = [&](TUnzipper&, int id, const std::string& text, const std::string& caption, unsigned,
                                   int& answer) {
           ids.push_back(id);
           EXPECT_EQ(text, "Replace existing file x.txt?");
           EXPECT_EQ(caption, kFileExistsCaption);
           answer = IDYES;
         };
       },
       2, "second x, longer", false, {}},
      {"Never", IDNO, [&] { zip.OverwriteMode = TUZOverwriteMode::Never; }, 1, "first x", false,
       {TSkipReason::srNoOverwrite}},
      {"Always", IDNO, [&] { zip.OverwriteMode = TUZOverwriteMode::Always; }, 2, "second x, longer", false, {}},
      {"prompt event renames", IDNO,
       [&] {
         zip.OnPromptForOverwrite = [&](TUnzipper&, bool& overwrite, int, std::string& fName) {
           fName = DestFile("x-2.txt");
           overwrite = true;
         };
       },
       2, "first x", false, {}},
  };
  const std::string archive = WriteArchive(StoredEntries({{"a/x.txt", "first x"}, {"b/x.txt", "second x, longer"}}));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.how);
    std::filesystem::remove_all(dir.path() / "dest");
    skips.clear();
    skippedNames.clear();
    zip.OverwriteMode = TUZOverwriteMode::Prompt;
    zip.OnHandleMessage = nullptr;
    zip.OnPromptForOverwrite = nullptr;
    BoxRecorder boxes(row.answer);
    RecordSkips();
    row.setup();
    EXPECT_EQ(Extract(archive), row.count);
    EXPECT_EQ(ReadDest("x.txt"), row.x);
    const ShownBox question{0, "Replace existing file x.txt?", "File Exists Alert", platform::MB_YESNO};
    EXPECT_EQ(boxes.shown, std::vector<ShownBox>(row.asked ? 1 : 0, question));
    EXPECT_EQ(skips, row.skips);
    EXPECT_EQ(skippedNames, std::vector<std::string>(row.skips.size(), DestFile("x.txt")));
  }
  EXPECT_EQ(ids, std::vector<int>{kMessageFileExists});
  EXPECT_EQ(ReadDest("x-2.txt"), "second x, longer");  // by the renaming prompt, the last row
}

TEST_F(ExtractEdgeCases, IfNewerAndIfOlderCompareWithTheExistingFile) {
  ZipBuilder b = StoredEntries({{"x.txt", "from 2020"}});
  b.entries[0].dosDateTime = DosDateTime(2020, 6, 1, 12, 0, 0);
  const std::string archive = WriteArchive(b);
  const auto entryTime = *DosDateTimeToTimePoint(DosDateTime(2020, 6, 1, 12, 0, 0));
  dir.Write("dest/x.txt", "from 2010");
  ASSERT_TRUE(platform::SetLastWriteTime(DestFile("x.txt"), entryTime - std::chrono::hours(24 * 3650)));
  zip.OverwriteMode = TUZOverwriteMode::ifOlder;  // the entry is newer: kept
  EXPECT_EQ(Extract(archive), 0);
  EXPECT_EQ(ReadDest("x.txt"), "from 2010");
  zip.OverwriteMode = TUZOverwriteMode::ifNewer;
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(ReadDest("x.txt"), "from 2020");
  EXPECT_EQ(zip.ExtractFiles(), 0);  // now the file carries the entry's own time: neither is later
}

TEST_F(ExtractEdgeCases, ArchiveIsClosedAfterwardsUnlessKeptOpenOrLeftByAnError) {
  InspectableUnzipper unzipper;
  unzipper.SetZipName(WriteArchive(StoredEntries({{"f.txt", "f"}})));
  unzipper.SetDestDir(Dest());
  unzipper.DoAll = true;
  EXPECT_EQ(unzipper.ExtractFiles(), 1);
  EXPECT_FALSE(unzipper.ArchiveIsOpen());
  unzipper.KeepZipOpen = true;
  unzipper.OverwriteMode = TUZOverwriteMode::Always;
  EXPECT_EQ(unzipper.ExtractFiles(), 1);
  EXPECT_TRUE(unzipper.ArchiveIsOpen());

  ZipBuilder cut = StoredEntries({{"cut.txt", "c"}});
  cut.entries[0].compressedSizeField = cut.entries[0].uncompressedSizeField = 0x00FFFFFF;
  unzipper.KeepZipOpen = false;
  unzipper.SetZipName(WriteArchive(cut, "cut.zip"));
  EXPECT_THROW(unzipper.ExtractFiles(), EFatalUnzipError);
  EXPECT_TRUE(unzipper.ArchiveIsOpen());
  EXPECT_FALSE(unzipper.KeepZipOpen);
}

TEST_F(ExtractEdgeCases, DirectoryEntriesAreCountedAndCreatedOnlyWithRecreateDirs) {
  EXPECT_EQ(Extract(WriteArchive(StoredEntries({{"empty/", ""}, {"sub/dir/a.txt", "a"}}))), 2);
  EXPECT_EQ(ReadDest("a.txt"), "a");
  EXPECT_FALSE(platform::DirectoryExists(DestFile("empty")));
  EXPECT_FALSE(platform::DirectoryExists(DestFile("sub")));

  zip.RecreateDirs = true;
  EXPECT_EQ(zip.ExtractFiles(), 2);
  EXPECT_TRUE(platform::DirectoryExists(DestFile("empty")));
  EXPECT_EQ(ReadDest("sub\\dir\\a.txt"), "a");
}

TEST_F(ExtractEdgeCases, OnlyDirectoryEntriesSelectNothing) {
  int infoFiles = -1;
  zip.OnStartUnZipInfo = [&](TUnzipper&, int numFiles, std::uint64_t, bool&) { infoFiles = numFiles; };
  EXPECT_EQ(Extract(WriteArchive(StoredEntries({{"one/", ""}, {"two/", ""}}))), 0);
  EXPECT_EQ(infoFiles, 0);
}

TEST_F(ExtractEdgeCases, BadCrcOverrunAndShortOutputLeaveNoFileAndTheNextEntryFollows) {
  ZipBuilder b = StoredEntries({{"bad.txt", "some content"}, {"ro.txt", "read only"}});
  b.entries[0].crc = 0x12345678;
  b.entries[1].crc = 1;
  b.entries[1].externalAttributes = 0x21;  // deleted although read-only
  AddCompressed(b, "big.bin", std::string(100000, 'q')).uncompressedSizeField = 40000;  // inflates past it
  // The stored size promises more than the data holds; the file was sized at once, so a
  // count here would leave a file padded with zeros.
  AddCompressed(b, "short.bin", "only this").uncompressedSizeField = 5000;
  b.Add("good.txt", "fine");
  std::map<int, std::pair<std::uint32_t, std::uint32_t>> crcs;  // index -> computed, stored
  zip.OnBadCRC = [&](TUnzipper&, std::uint32_t calc, std::uint32_t stored, int index) { crcs[index] = {calc, stored}; };
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  for (const char* name : {"bad.txt", "ro.txt", "big.bin", "short.bin"}) EXPECT_FALSE(DestExists(name)) << name;
  EXPECT_EQ(ReadDest("good.txt"), "fine");
  EXPECT_EQ(crcs[0], std::make_pair(Crc32("some content"), 0x12345678u));
  EXPECT_EQ(crcs[1], std::make_pair(Crc32("read only"), 1u));
  // The short output has the very CRC stored: that is no CRC mismatch.
  EXPECT_EQ(crcs.count(3), 0u);
  EXPECT_EQ(crcs.count(4), 0u);
}

TEST_F(ExtractEdgeCases, DeflatedEntryWithNoDataIsAnEmptyFile) {
  ZipBuilder b;
  b.Add("empty.bin", "").method = 8;
  bool badCrc = false;
  zip.OnBadCRC = [&](TUnzipper&, std::uint32_t, std::uint32_t, int) { badCrc = true; };
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_EQ(ReadDest("empty.bin"), "");
  EXPECT_FALSE(badCrc);
}

TEST_F(ExtractEdgeCases, EncryptedEntryIsSkippedWithAnEmptyPasswordAndExtractsWithTheRightOne) {
  ZipBuilder b;
  AddEncrypted(b, "secret/d.txt", std::string(70000, 'd') + "tail", "pw", true);
  AddEncrypted(b, "s.txt", std::string(50000, 's') + "tail", "pw", false);
  b.Add("open.txt", "public");
  RecordSkips();
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_FALSE(DestExists("d.txt") || DestExists("s.txt"));
  EXPECT_EQ(ReadDest("open.txt"), "public");
  EXPECT_EQ(skips, std::vector<TSkipReason>(2, TSkipReason::srBadPassword));
  EXPECT_EQ(skippedNames, (std::vector<std::string>{"secret\\d.txt", "s.txt"}));

  zip.Password = "pw";
  zip.OverwriteMode = TUZOverwriteMode::Always;
  EXPECT_EQ(zip.ExtractFiles(), 3);
  EXPECT_EQ(ReadDest("d.txt"), std::string(70000, 'd') + "tail");
  EXPECT_EQ(ReadDest("s.txt"), std::string(50000, 's') + "tail");
}

TEST_F(ExtractEdgeCases, BadPasswordEventSuppliesTheRightOne) {
  ZipBuilder b;
  AddEncrypted(b, "d.txt", "deflated secret", "right");
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

TEST_F(ExtractEdgeCases, UnknownMethodGivesAnEmptyFileOnlyForCrcZeroAndNoData) {
  const struct {
    std::uint32_t crc;
    std::string data;
    int count;
  } rows[] = {{0, "", 1}, {0xDEADBEEF, "abc", 0}, {0, "abc", 0}};  // data with CRC 0 is no file of zeros
  for (const auto& row : rows) {
    SCOPED_TRACE(row.crc);
    BoxRecorder boxes;
    ZipBuilder b = StoredEntries({{"tok.dat", row.data}});
    b.entries[0].method = 12;
    b.entries[0].crc = row.crc;
    EXPECT_EQ(Extract(WriteArchive(b, "tok" + std::to_string(row.crc) + row.data + ".zip")), row.count);
    EXPECT_EQ(DestExists("tok.dat"), row.count == 1);
    if (row.count == 1) {
      EXPECT_EQ(ReadDest("tok.dat"), "");
    }
    platform::DeleteFile(DestFile("tok.dat"));
    EXPECT_EQ(boxes.shown, (std::vector<ShownBox>{{0, "Unknown Compression Method", "Zip Error", platform::MB_OK}}));
  }
}

TEST_F(ExtractEdgeCases, DateAndReadOnlyAttributeAreGivenToTheFiles) {
  ZipBuilder b = StoredEntries({{"d.txt", "dated"}, {"ro.txt", "read only"}, {"rw.txt", "writable"}});
  b.entries[0].dosDateTime = DosDateTime(2021, 13, 5, 10, 20, 30);  // month 13 gives December
  b.entries[1].externalAttributes = 0x21;
  EXPECT_EQ(Extract(WriteArchive(b)), 3);
  const auto time = platform::LastWriteTime(DestFile("d.txt"));
  ASSERT_TRUE(time);
  EXPECT_EQ(time, DosDateTimeToTimePoint(DosDateTime(2021, 12, 5, 10, 20, 30)));
  EXPECT_TRUE(platform::IsReadOnly(DestFile("ro.txt")));
  EXPECT_FALSE(platform::IsReadOnly(DestFile("rw.txt")));

  // Without RetainAttributes, into a destination that is created with its parents.
  zip.SetDestDir(dir.WinPath() + "one\\two\\three\\");
  zip.RetainAttributes = false;
  EXPECT_EQ(zip.ExtractFiles(), 3);
  EXPECT_EQ(TempDir::Read(dir.path() / "one/two/three/ro.txt"), "read only");
  EXPECT_FALSE(platform::IsReadOnly(dir.WinPath() + "one\\two\\three\\ro.txt"));
}

TEST_F(ExtractEdgeCases, RetryOfASkippedEntryIsObeyedTenTimes) {
  dir.Write("dest/x.txt", "old");
  int asked = 0;
  zip.OverwriteMode = TUZOverwriteMode::Never;
  zip.OnSkippingFile = [&](TUnzipper&, TSkipReason, const std::string&, int, bool& retry) {
    ++asked;
    retry = true;
  };
  EXPECT_EQ(Extract(WriteArchive(StoredEntries({{"x.txt", "new"}, {"y.txt", "next"}}))), 1);
  EXPECT_EQ(asked, 11);
  EXPECT_EQ(ReadDest("y.txt"), "next");
}

TEST_F(ExtractEdgeCases, ReadOnlyExistingTargetIsSkippedAfterYesUnlessReplaceReadOnly) {
  BoxRecorder boxes(IDYES);
  RecordSkips();
  dir.Write("dest/x.txt", "old");
  ASSERT_TRUE(platform::SetFileAttributes(DestFile("x.txt"), platform::kAttributeReadOnly));
  EXPECT_EQ(Extract(WriteArchive(StoredEntries({{"x.txt", "new"}}))), 0);
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(skips, std::vector<TSkipReason>{TSkipReason::srCreateError});
  EXPECT_EQ(ReadDest("x.txt"), "old");

  zip.ReplaceReadOnly = true;
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(ReadDest("x.txt"), "new");
}

TEST_F(ExtractEdgeCases, TruncatedDataCorruptDeflateAndIncompleteArchiveRaise) {
  ZipBuilder b = StoredEntries({{"whole.txt", "whole"}, {"cut.txt", std::string(5000, 'c')}});
  // The second entry's data claims more bytes than the file holds.
  b.entries[1].compressedSizeField = b.entries[1].uncompressedSizeField = 0x00FFFFFF;
  int completed = -1;
  zip.OnUnZipComplete = [&](TUnzipper&, int count) { completed = count; };
  dir.Write("dest/cut.txt", std::string(20000, 'o'));  // nothing of it may show through
  zip.OverwriteMode = TUZOverwriteMode::Always;
  EXPECT_EQ(ErrorOf<EFatalUnzipError>(WriteArchive(b)), "Premature end of file reached");
  EXPECT_EQ(completed, 1);
  EXPECT_EQ(ReadDest("whole.txt"), "whole");
  EXPECT_EQ(ReadDest("cut.txt").find('o'), std::string::npos);
  EXPECT_FALSE(zip.KeepZipOpen);

  ZipBuilder corrupt = StoredEntries({{"z.bin", std::string("\xff\xff\xff\xff\xff\xff", 6)}});
  corrupt.entries[0].method = 8;
  corrupt.entries[0].uncompressedSizeField = 10;
  EXPECT_EQ(ErrorOf<EZCompressionError>(WriteArchive(corrupt, "corrupt.zip")), "error");

  ZipBuilder incomplete = StoredEntries({{"f.txt", "f"}});
  incomplete.writeEndRecord = false;
  EXPECT_THROW(Extract(WriteArchive(incomplete, "incomplete.zip")), EIncompleteZip);
}

}  // namespace
}  // namespace brimsel::test
