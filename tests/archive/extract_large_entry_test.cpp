// A deflated entry larger than the ones inflated in memory: where the build can, it goes
// from the archive into the target file in place, in one piece. Damage, more or less output
// than declared, and an archive that ends inside the data must end exactly as they end for
// an entry that is streamed chunk by chunk.

#include <algorithm>

#include "archive/archive_test_support.h"
#include "archive/codecs/decoder_io.h"

namespace brimsel::test {
namespace {

constexpr std::size_t kLarge = (3u << 20) + 12345;  // past the in-memory limit, not a whole chunk

std::string LargePlain() {
  std::string plain(kLarge, '\0');
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>('a' + (i * i + i / 7777) % 23);
  return plain;
}

// Deflate data that decode to `plain` and then meet `tail`, which the stream reads as its
// next block: it never ends cleanly at the end of `plain`.
std::string DeflateThenBlock(std::string_view plain, std::string_view tail) {
  z_stream zs{};
  EXPECT_EQ(deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&zs, static_cast<uLong>(plain.size())) + 64, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  zs.avail_in = static_cast<uInt>(plain.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&zs, Z_FULL_FLUSH), Z_OK);  // ends on a byte boundary, no final block
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out + std::string(tail);
}

class ExtractLargeEntry : public ExtractionFixture {
 protected:
  void SetUp() override { zip.OverwriteMode = TUZOverwriteMode::Always; }

  // Bytes of the named file that are neither the plain text at their place nor zero.
  std::size_t ForeignBytes(std::string_view name) {
    const std::string file = ReadDest(name);
    std::size_t foreign = 0;
    for (std::size_t i = 0; i < file.size(); ++i)
      foreign += file[i] != '\0' && (i >= plain.size() || file[i] != plain[i]) ? 1 : 0;
    return foreign;
  }

  const std::string plain = LargePlain();
};

TEST_F(ExtractLargeEntry, ReplacesALargerFileExactlyAndReportsEveryChunk) {
  PumpCounter pump;  // the window answers while the entry is decoded in one piece
  ZipBuilder b;
  AddCompressed(b, "big.bin", plain);
  dir.Write("dest/big.bin", std::string(kLarge + 70000, 'o'));
  std::vector<int> percents;
  zip.OnFilePercentDone = [&](TUnzipper&, int percent) { percents.push_back(percent); };
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_TRUE(ReadDest("big.bin") == plain);
  EXPECT_EQ(percents.size(), (kLarge + kDecoderChunkSize - 1) / kDecoderChunkSize);
  EXPECT_EQ(percents.back(), 100);
}

TEST_F(ExtractLargeEntry, MoreOrLessOutputThanDeclaredLeavesNoFileAndTheNextEntryFollows) {
  ZipBuilder b;
  AddCompressed(b, "over.bin", plain).uncompressedSizeField = static_cast<std::uint32_t>(kLarge - 1);
  AddCompressed(b, "short.bin", plain).uncompressedSizeField = static_cast<std::uint32_t>(kLarge + 5000);
  b.Add("good.txt", "fine");
  std::vector<std::pair<int, std::uint32_t>> badCrcs;  // index, computed
  zip.OnBadCRC = [&](TUnzipper&, std::uint32_t calc, std::uint32_t, int index) { badCrcs.emplace_back(index, calc); };
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_FALSE(DestExists("over.bin"));
  EXPECT_FALSE(DestExists("short.bin"));
  EXPECT_EQ(ReadDest("good.txt"), "fine");
  // The overrun is told with the CRC-32 of the whole chunks written before it; the short
  // output has the very CRC stored, which is no mismatch.
  const std::size_t fitted = (kLarge - 1) / kDecoderChunkSize * kDecoderChunkSize;
  EXPECT_EQ(badCrcs, (std::vector<std::pair<int, std::uint32_t>>{{0, Crc32(plain.substr(0, fitted))}}));
}

// The stream breaks after the whole of `plain`: the error comes out of the extraction, and
// the file holds what was written before it and zeros, nothing of a decoder's guesses or of
// the file it replaced.
TEST_F(ExtractLargeEntry, DamageRaisesTheInflateErrorAndLeavesOnlyWhatWasWritten) {
  ZipBuilder b;
  ZipEntrySpec& e = b.Add("damaged.bin", DeflateThenBlock(plain, "\xff\xff"));  // reserved block type
  e.method = 8;
  e.crc = Crc32(plain);
  e.uncompressedSizeField = static_cast<std::uint32_t>(kLarge + 100000);
  dir.Write("dest/damaged.bin", std::string(kLarge + 100000, 'o'));
  EXPECT_EQ(ErrorOf<EZCompressionError>(WriteArchive(b)), "error");
  EXPECT_EQ(ReadDest("damaged.bin").size(), kLarge + 100000);
  EXPECT_EQ(ForeignBytes("damaged.bin"), 0u);
  EXPECT_EQ(ReadDest("damaged.bin").substr(0, 1 << 20), plain.substr(0, 1 << 20));
}

// The data run on past the end of the archive file: a stored block that the file cuts short.
TEST_F(ExtractLargeEntry, DataCutByTheEndOfTheArchiveRaiseThePrematureEnd) {
  ZipBuilder b;
  b.Add("first.txt", "first");
  ZipEntrySpec& e = b.Add("cut.bin", DeflateThenBlock(plain, std::string("\x00\xff\xff\x00\x00", 5)));
  e.method = 8;
  e.crc = Crc32(plain);
  e.uncompressedSizeField = static_cast<std::uint32_t>(kLarge + 0xFFFF);
  e.compressedSizeField = 0x00FFFFFF;  // more than the file holds
  dir.Write("dest/cut.bin", std::string(kLarge + 0xFFFF, 'o'));
  EXPECT_EQ(ErrorOf<EFatalUnzipError>(WriteArchive(b)), "Premature end of file reached");
  EXPECT_EQ(ReadDest("first.txt"), "first");
  EXPECT_EQ(ForeignBytes("cut.bin"), 0u);
}

}  // namespace
}  // namespace brimsel::test
