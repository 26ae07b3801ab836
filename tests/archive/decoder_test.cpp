// The decoders and their input and output on their own: chunking, the pump, the checks of
// every flush, and damaged data that must end in a status or an error, never in a crash.
// Then the selection of entries by wildcard and the events around it.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "archive/archive_test_support.h"
#include "archive/codecs/decoder_io.h"
#include "archive/directory/little_endian.h"
#include "archive/directory/zip_records.h"
#include "archive/extract/entry_decoder.h"
#include "archive/extract/wildcard.h"
#include "archive/test_shrinker.h"
#include "archive/zip_exceptions.h"

namespace brimsel::test {
namespace {

// What decoding all of `data` into a sink of `size` bytes gave, flushed: the status, the
// output, the size of every read and of every output chunk (as the progress hears of it;
// the file may take several in one write), and the sink's CRC-32 and count.
struct Decoded {
  DecodeStatus status;
  std::string text;
  std::vector<std::size_t> reads, chunks;
  std::uint32_t crc;
  std::uint64_t written;
};

Decoded Decode(std::uint16_t method, std::uint16_t flags, const std::string& data, std::uint64_t size,
               bool pump = false) {
  Decoded d{};
  std::size_t pos = 0;
  ByteSource source(
      [&](std::uint8_t* buffer, std::size_t count) {
        d.reads.push_back(count);
        const std::size_t n = std::min(count, data.size() - pos);
        std::memcpy(buffer, data.data() + pos, n);
        pos += n;
        return n;
      },
      data.size());
  source.SetPumpMessages(pump);
  ByteSink sink(
      [&](const std::uint8_t* bytes, std::size_t count) {
        d.text.append(reinterpret_cast<const char*>(bytes), count);
        return count;
      },
      size);
  sink.SetProgress([&](std::size_t chunk) { d.chunks.push_back(chunk); });
  d.status = DecodeEntryData(method, flags, source, sink);
  sink.Flush();
  d.crc = sink.Crc32();
  d.written = sink.Written();
  return d;
}

// The round trip of the cipher is checked by the extraction tests; the check byte of an
// entry with a data descriptor comes from its time instead of its CRC.
TEST(ZipCrypto, CheckByteFollowsTheDataDescriptorFlag) {
  EXPECT_EQ(PasswordCheckByte(0x0000, 0x5A3B1234, 0xAB000000), 0xAB);
  EXPECT_EQ(PasswordCheckByte(0x0008, 0x5A3B1234, 0xAB000000), 0x12);
}

TEST(DecoderIo, InputComesInChunksOfAtMost32768WithThePumpBeforeEach) {
  PumpCounter pump;
  const Decoded d = Decode(kMethodStored, 0, std::string(100000, 's'), 100000, true);
  EXPECT_EQ(d.status, DecodeStatus::Complete);
  EXPECT_EQ(d.reads, (std::vector<std::size_t>{32768, 32768, 32768, 1696}));
  EXPECT_EQ(pump.count, 4);
  EXPECT_EQ(d.chunks, (std::vector<std::size_t>{32768, 32768, 32768, 1696}));
  EXPECT_EQ(d.crc, Crc32(std::string(100000, 's')));
}

TEST(DecoderIo, ShortReadIsAPrematureEndAndFlushChecksTheSizeAndTheWrite) {
  ByteSource source([](std::uint8_t*, std::size_t count) { return count - 1; }, 50);
  std::uint8_t byte;
  EXPECT_THROW(source.NextByte(byte), EFatalUnzipError);

  std::size_t written = 0;
  ByteSink sink(
      [&](const std::uint8_t*, std::size_t count) {
        written += count;
        return count;
      },
      3);
  sink.Write(reinterpret_cast<const std::uint8_t*>("abcd"), 4);
  EXPECT_THROW(sink.Flush(), EBiggerThanUncompressed);
  EXPECT_EQ(written, 0u);

  ByteSink failing([](const std::uint8_t*, std::size_t count) { return count - 1; }, 10);
  failing.Put('x');
  failing.Put('y');
  EXPECT_THROW(failing.Flush(), ECantWriteUCF);
}

TEST(Inflate, DecodesInChunksAndStopsAtTheStreamEndOrReportsTruncation) {
  std::string plain;
  for (int i = 0; i < 200000; ++i) plain += static_cast<char>('a' + (i * i) % 23);
  const std::string deflated = RawDeflate(plain);
  const Decoded whole = Decode(kMethodDeflated, 0, deflated + "trailing bytes after the stream", plain.size());
  EXPECT_EQ(whole.status, DecodeStatus::Complete);
  EXPECT_EQ(whole.text, plain);
  for (std::size_t chunk : whole.chunks) EXPECT_LE(chunk, kDecoderChunkSize);
  EXPECT_EQ(Decode(kMethodDeflated, 0, deflated.substr(0, deflated.size() / 2), plain.size()).status,
            DecodeStatus::Truncated);
}

// Small entries are inflated whole, large ones streamed: both end alike when the output
// outgrows the declared size (the chunks that fit are written) or the archive ends early.
TEST(Inflate, HeldWholeOrStreamedAnEntryFailsTheSameWay) {
  for (const std::size_t length : {std::size_t{100000}, std::size_t{3} << 20}) {
    std::string plain;
    for (std::size_t i = 0; i < length; ++i) plain += static_cast<char>('a' + (i * i) % 23);
    const std::string deflated = RawDeflate(plain);
    std::string written;
    ByteSource source(
        [&, pos = std::size_t{0}](std::uint8_t* buffer, std::size_t count) mutable {
          const std::size_t n = std::min(count, deflated.size() - pos);
          std::memcpy(buffer, deflated.data() + pos, n);
          pos += n;
          return n;
        },
        deflated.size());
    ByteSink sink(
        [&](const std::uint8_t* bytes, std::size_t count) {
          written.append(reinterpret_cast<const char*>(bytes), count);
          return count;
        },
        length - 1);
    EXPECT_THROW(
        {
          DecodeEntryData(kMethodDeflated, 0, source, sink);
          sink.Flush();
        },
        EBiggerThanUncompressed);
    EXPECT_EQ(written, plain.substr(0, (length - 1) / kDecoderChunkSize * kDecoderChunkSize));

    ByteSource cutShort([](std::uint8_t*, std::size_t count) { return count - 1; }, deflated.size());
    ByteSink nowhere([](const std::uint8_t*, std::size_t count) { return count; }, length);
    EXPECT_THROW(DecodeEntryData(kMethodDeflated, 0, cutShort, nowhere), EFatalUnzipError);
  }
}

// A partial clear frees the code sent last (258, "bc") while the next code (257) takes it
// as its prefix; 258 then becomes "xy", so 257 reads "xyx" and the code added after it
// must begin with "x", not with the "b" of 258's former string.
TEST(Unshrink, ReadsStringsThroughTheTableAsAPartialClearLeftIt) {
  CodeWriter codes;
  for (unsigned code : {97u, 98u, 99u, 258u, 256u, 2u, 120u, 121u, 257u, 259u}) codes.Put(code, 9);
  const Decoded d = Decode(kMethodShrunk, 0, codes.Finish(), 12);
  EXPECT_EQ(d.status, DecodeStatus::Complete);
  EXPECT_EQ(d.text, "abcbcxyxyxyx");
}

TEST(Unshrink, RestoresWhatTheOriginalArchiverWayOfClearingMakes) {
  std::mt19937 random(13);
  const char* words[] = {"shrink ", "partial ", "clear ", "Brimsel ", "\r\n", "0x7F "};
  std::string plain;
  while (plain.size() < 3 * 1024 * 1024) {
    switch (random() % 4) {
      case 0: for (int i = 0; i < 300; ++i) plain += words[random() % 6]; break;
      case 1: for (int i = 0; i < 2000; ++i) plain += static_cast<char>(random()); break;
      case 2: {
        const unsigned letters = 2 + random() % 15;
        for (int i = 0; i < 30000; ++i) plain += static_cast<char>('a' + random() % letters);
        break;
      }
      default: plain.append(random() % 500, static_cast<char>('a' + random() % 26));
    }
  }
  TestShrinker shrinker;
  const std::string shrunk = shrinker.Shrink(plain);
  EXPECT_GT(shrinker.Clears(), 50);
  EXPECT_GT(shrinker.StaleFirstBytes(), 0);
  const Decoded d = Decode(kMethodShrunk, 0, shrunk, plain.size());
  EXPECT_EQ(d.status, DecodeStatus::Complete);
  EXPECT_TRUE(d.text == plain);
}

class LegacyDecoder : public ::testing::TestWithParam<const char*> {};

TEST_P(LegacyDecoder, DamagedDataNeverDecodesToTheOriginal) {
  const std::string zip = TempDir::Read(std::filesystem::path(BRIMSEL_TEST_DATA_DIR) / "zip" / GetParam());
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(zip.data());
  // Walks the local headers; skips stored and small entries.
  namespace f = local_header;
  for (std::size_t at = 0; at + kLocalHeaderSize <= zip.size() && LoadLe32(bytes + at) == kLocalHeaderSignature;) {
    const std::uint8_t* h = bytes + at;
    const std::uint16_t flags = LoadLe16(h + f::kFlags), method = LoadLe16(h + f::kMethod);
    const std::uint32_t crc = LoadLe32(h + f::kCrc32), compressed = LoadLe32(h + f::kCompressedSize);
    const std::uint32_t size = LoadLe32(h + f::kUncompressedSize);
    const std::size_t start = at + kLocalHeaderSize + LoadLe16(h + f::kNameLength) + LoadLe16(h + f::kExtraLength);
    const std::string data = zip.substr(start, compressed);
    at = start + compressed;
    if (size < 100 || method == 0) continue;
    SCOPED_TRACE(method);
    DecodeStatus status;
    auto decodesToTheOriginal = [&](const std::string& input) {
      const Decoded d = Decode(method, flags, input, size);
      status = d.status;
      return d.status == DecodeStatus::Complete && d.crc == crc && d.written == size;
    };
    EXPECT_TRUE(decodesToTheOriginal(data));
    EXPECT_FALSE(decodesToTheOriginal(data.substr(0, data.size() / 2)));
    EXPECT_EQ(status, DecodeStatus::Truncated);
    for (std::size_t damagedAt : {std::size_t{0}, std::size_t{7}, data.size() / 3, data.size() / 2}) {
      std::string damaged = data;
      damaged[damagedAt] = static_cast<char>(damaged[damagedAt] ^ 0xA5);
      try {
        EXPECT_FALSE(decodesToTheOriginal(damaged)) << "byte " << damagedAt;
        // Data that break their method name the rule they broke.
        if (status == DecodeStatus::Corrupt) {
          EXPECT_STRNE(status.Rule(), DecodeStatus(DecodeStatus::Corrupt).Rule());
        }
      } catch (const EBiggerThanUncompressed&) {
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, LegacyDecoder,
                         ::testing::Values("hw_shrink.zip", "hw_reduce1.zip", "hw_reduce2.zip", "hw_reduce3.zip",
                                           "hw_reduce4.zip", "hw_implode_4k2.zip", "hw_implode_4k3.zip",
                                           "hw_implode_8k2.zip", "hw_implode_8k3.zip"));

TEST(Wildcard, WindowsStylePatterns) {
  const struct {
    std::string pattern, name;
    bool matches;
  } rows[] = {
      {"*.txt", "readme.txt", true},          {"*.txt", "sub\\dir\\deep.txt", true},
      {"*.txt", "readme.txt.bak", false},     {"readme.txt", "readme.txt", true},
      {"readme.txt", "docs\\readme.txt", false}, {"*\\readme.txt", "docs\\readme.txt", true},
      {"docs/*", "docs\\readme.txt", true},   {"?.dat", "a.dat", true},
      {"?.dat", "ab.dat", false},             {"*", "", true},
      {"?", "", false},                       {"a*b*c", "aXXbYYbZc", true},
      {"a*b*c", "aXXbYYbZ", false},
      {"?.txt", "\xCB\xB5.txt", true},  // one "?" takes a whole double-byte character (说)
      {"??.txt", "\xCB\xB5.txt", false},
      {std::string(50, '*') + "x", std::string(5000, 'a'), false},  // long runs of stars stay fast
  };
  for (const auto& row : rows) EXPECT_EQ(row.matches, MatchesWildcard(row.pattern, row.name)) << row.pattern;
}

class Selection : public ExtractionFixture {};

TEST_F(Selection, FilesListPicksEntriesByLoweredPathAndIsEmptiedAfterwards) {
  ZipBuilder b;
  b.Add("ReadMe.TXT", "r");
  b.Add("Docs/Guide.TXT", "g");
  b.Add("bin/Update.EXE", "u");
  zip.FilesList = {"*.TxT"};
  int files = 0;
  std::uint64_t bytes = 0;
  zip.OnStartUnZipInfo = [&](TUnzipper&, int numFiles, std::uint64_t totalBytes, bool&) {
    files = numFiles;
    bytes = totalBytes;
  };
  EXPECT_EQ(Extract(WriteArchive(b), false), 2);
  EXPECT_EQ(files, 2);
  EXPECT_EQ(bytes, 2u);
  EXPECT_TRUE(zip.FilesList.empty());
  EXPECT_TRUE(DestExists("guide.txt"));
  EXPECT_FALSE(DestExists("Update.EXE"));
  zip.FilesList = {"bin\\update.exe"};
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(ReadDest("Update.EXE"), "u");
}

TEST_F(Selection, EventsReportProgressAndMayStopOrSkip) {
  ZipBuilder b;
  b.Add("big.bin", std::string(80000, 'b'));
  b.Add("small.txt", "s");
  zip.OnStartUnZipInfo = [](TUnzipper&, int, std::uint64_t, bool& stop) { stop = true; };
  EXPECT_EQ(Extract(WriteArchive(b)), 0);
  EXPECT_FALSE(DestExists("big.bin"));

  zip.OnStartUnZipInfo = nullptr;
  std::vector<int> filePercents, totalPercents;
  zip.OnFilePercentDone = [&](TUnzipper&, int p) { filePercents.push_back(p); };
  zip.OnTotalPercentDone = [&](TUnzipper&, int p) { totalPercents.push_back(p); };
  zip.OnStartUnZip = [](TUnzipper&, int index, std::string&, bool& skip) { skip = index == 1; };
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(filePercents, (std::vector<int>{41, 82, 100}));
  EXPECT_EQ(totalPercents, (std::vector<int>{41, 82, 100}));
  EXPECT_FALSE(DestExists("small.txt"));
}

}  // namespace
}  // namespace brimsel::test
