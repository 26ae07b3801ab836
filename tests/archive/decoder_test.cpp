// The decoders and their input and output on their own: chunking, the pump, the checks of
// every flush, and damaged data that must end in a status or an error, never in a crash.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "archive/crc32.h"
#include "archive/decoder_io.h"
#include "archive/entry_decoder.h"
#include "archive/wildcard.h"
#include "archive/zip_crypto.h"
#include "archive/zip_exceptions.h"
#include "extract_test_support.h"
#include "platform/pump.h"

namespace brimsel {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// A source over memory that records the size of every read.
struct MemoryInput {
  explicit MemoryInput(std::string data) : bytes(std::move(data)) {}
  ByteSource Source(std::uint64_t compressedSize) {
    return ByteSource(
        [this](std::uint8_t* buffer, std::size_t count) {
          reads.push_back(count);
          const std::size_t n = std::min(count, bytes.size() - pos);
          std::memcpy(buffer, bytes.data() + pos, n);
          pos += n;
          return n;
        },
        compressedSize);
  }
  std::string bytes;
  std::size_t pos = 0;
  std::vector<std::size_t> reads;
};

struct MemoryOutput {
  ByteSink Sink(std::uint64_t size) {
    return ByteSink(
        [this](const std::uint8_t* data, std::size_t count) {
          chunks.push_back(count);
          text.append(reinterpret_cast<const char*>(data), count);
          return count;
        },
        size);
  }
  std::string text;
  std::vector<std::size_t> chunks;
};

TEST(Crc32, CheckValueAndChunking) {
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32("", 0), 0u);
  std::string data(100003, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + (i >> 8));
  std::uint32_t running = kCrc32Initial;
  for (std::size_t at = 0; at < data.size(); at += 333)
    running = Crc32Update(running, data.data() + at, std::min<std::size_t>(333, data.size() - at));
  EXPECT_EQ(~running, Crc32(data.data(), data.size()));
  EXPECT_EQ(~running, test::Crc32(data));
}

TEST(ZipCrypto, HeaderCheckByteAndRoundTrip) {
  EXPECT_EQ(PasswordCheckByte(0x0000, 0x5A3B1234, 0xAB000000), 0xAB);
  EXPECT_EQ(PasswordCheckByte(0x0008, 0x5A3B1234, 0xAB000000), 0x12);
  const std::string sealed = test::Encrypt("secret", "plain text", 0x77);
  std::uint8_t header[kEncryptionHeaderSize];
  std::memcpy(header, sealed.data(), sizeof header);
  ZipCryptoKeys right("secret");
  EXPECT_TRUE(DecryptEncryptionHeader(right, header, 0x77));
  std::string rest = sealed.substr(kEncryptionHeaderSize);
  right.Decrypt(reinterpret_cast<std::uint8_t*>(rest.data()), rest.size());
  EXPECT_EQ(rest, "plain text");
  std::memcpy(header, sealed.data(), sizeof header);
  ZipCryptoKeys wrong("Secret");
  EXPECT_FALSE(DecryptEncryptionHeader(wrong, header, 0x77));
}

TEST(DecoderIo, InputComesInChunksOfAtMost32768WithThePumpBeforeEach) {
  int pumps = 0;
  auto previous = platform::SetMessagePump([&] { ++pumps; });
  MemoryInput input(std::string(100000, 's'));
  ByteSource source = input.Source(100000);
  source.SetPumpMessages(true);
  MemoryOutput output;
  ByteSink sink = output.Sink(100000);
  EXPECT_EQ(DecodeEntryData(kMethodStored, 0, source, sink), DecodeStatus::Complete);
  sink.Flush();
  platform::SetMessagePump(std::move(previous));
  EXPECT_EQ(input.reads, (std::vector<std::size_t>{32768, 32768, 32768, 1696}));
  EXPECT_EQ(pumps, 4);
  EXPECT_EQ(output.chunks, (std::vector<std::size_t>{32768, 32768, 32768, 1696}));
  EXPECT_EQ(sink.Crc32(), test::Crc32(std::string(100000, 's')));
}

TEST(DecoderIo, ShortReadIsAPrematureEnd) {
  MemoryInput input("only ten b");
  ByteSource source = input.Source(50);
  std::uint8_t byte;
  EXPECT_THROW(source.NextByte(byte), EFatalUnzipError);
}

TEST(DecoderIo, FlushChecksTheSizeAndTheWrite) {
  MemoryOutput output;
  ByteSink sink = output.Sink(3);
  sink.Write(Bytes("abcd").data(), 4);
  EXPECT_THROW(sink.Flush(), EBiggerThanUncompressed);
  EXPECT_TRUE(output.text.empty());

  ByteSink failing([](const std::uint8_t*, std::size_t count) { return count - 1; }, 10);
  failing.Put('x');
  failing.Put('y');
  EXPECT_THROW(failing.Flush(), ECantWriteUCF);
}

TEST(Inflate, DecodesInChunksAndStopsAtTheStreamEnd) {
  std::string plain;
  for (int i = 0; i < 200000; ++i) plain += static_cast<char>('a' + (i * i) % 23);
  MemoryInput input(test::RawDeflate(plain) + "trailing bytes after the stream");
  ByteSource source = input.Source(input.bytes.size());
  MemoryOutput output;
  ByteSink sink = output.Sink(plain.size());
  EXPECT_EQ(DecodeEntryData(kMethodDeflated, 0, source, sink), DecodeStatus::Complete);
  sink.Flush();
  EXPECT_EQ(output.text, plain);
  for (std::size_t chunk : output.chunks) EXPECT_LE(chunk, kDecoderChunkSize);
}

TEST(Inflate, EndOfInputBeforeTheStreamEndIsTruncated) {
  const std::string deflated = test::RawDeflate(std::string(50000, 'z') + "end");
  MemoryInput input(deflated.substr(0, deflated.size() / 2));
  ByteSource source = input.Source(input.bytes.size());
  MemoryOutput output;
  ByteSink sink = output.Sink(50003);
  EXPECT_EQ(DecodeEntryData(kMethodDeflated, 0, source, sink), DecodeStatus::Truncated);
}

// The compressed data of one entry of a corpus archive, found by walking its local headers.
struct CorpusEntry {
  std::string data;
  std::uint16_t method = 0, flags = 0;
  std::uint32_t crc = 0, size = 0;
};

std::vector<CorpusEntry> EntriesOf(const std::string& archive) {
  std::ifstream in(std::string(BRIMSEL_TEST_DATA_DIR) + "/zip/" + archive, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string zipBytes = buffer.str();
  auto u16 = [&](std::size_t at) { return static_cast<std::uint16_t>(static_cast<std::uint8_t>(zipBytes[at]) | static_cast<std::uint8_t>(zipBytes[at + 1]) << 8); };
  auto u32 = [&](std::size_t at) { return static_cast<std::uint32_t>(u16(at) | static_cast<std::uint32_t>(u16(at + 2)) << 16); };
  std::vector<CorpusEntry> entries;
  for (std::size_t at = 0; at + 30 <= zipBytes.size() && u32(at) == 0x04034b50;) {
    CorpusEntry e;
    e.flags = u16(at + 6);
    e.method = u16(at + 8);
    e.crc = u32(at + 14);
    const std::uint32_t compressed = u32(at + 18);
    e.size = u32(at + 22);
    const std::size_t data = at + 30 + u16(at + 26) + u16(at + 28);
    e.data = zipBytes.substr(data, compressed);
    entries.push_back(e);
    at = data + compressed;
  }
  return entries;
}

class LegacyDecoder : public ::testing::TestWithParam<const char*> {};

TEST_P(LegacyDecoder, DamagedDataNeverDecodesToTheOriginal) {
  for (const CorpusEntry& entry : EntriesOf(GetParam())) {
    if (entry.size < 100 || entry.method == 0) continue;
    SCOPED_TRACE(entry.method);
    auto decode = [&](const std::string& data, DecodeStatus& status) {
      MemoryInput input(data);
      ByteSource source = input.Source(data.size());
      MemoryOutput output;
      ByteSink sink = output.Sink(entry.size);
      status = DecodeEntryData(entry.method, entry.flags, source, sink);
      sink.Flush();
      return status == DecodeStatus::Complete && sink.Crc32() == entry.crc && sink.Written() == entry.size;
    };
    DecodeStatus status;
    EXPECT_TRUE(decode(entry.data, status));
    EXPECT_FALSE(decode(entry.data.substr(0, entry.data.size() / 2), status));
    EXPECT_EQ(status, DecodeStatus::Truncated);
    for (std::size_t at : {std::size_t{0}, std::size_t{7}, entry.data.size() / 3, entry.data.size() / 2}) {
      std::string damaged = entry.data;
      damaged[at] = static_cast<char>(damaged[at] ^ 0xA5);
      try {
        EXPECT_FALSE(decode(damaged, status)) << "byte " << at;
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
  EXPECT_TRUE(MatchesWildcard("*.txt", "readme.txt"));
  EXPECT_TRUE(MatchesWildcard("*.txt", "sub\\dir\\deep.txt"));
  EXPECT_FALSE(MatchesWildcard("*.txt", "readme.txt.bak"));
  EXPECT_TRUE(MatchesWildcard("readme.txt", "readme.txt"));
  EXPECT_FALSE(MatchesWildcard("readme.txt", "docs\\readme.txt"));
  EXPECT_TRUE(MatchesWildcard("*\\readme.txt", "docs\\readme.txt"));
  EXPECT_TRUE(MatchesWildcard("docs/*", "docs\\readme.txt"));
  EXPECT_TRUE(MatchesWildcard("?.dat", "a.dat"));
  EXPECT_FALSE(MatchesWildcard("?.dat", "ab.dat"));
  EXPECT_TRUE(MatchesWildcard("*", ""));
  EXPECT_FALSE(MatchesWildcard("?", ""));
  EXPECT_TRUE(MatchesWildcard("a*b*c", "aXXbYYbZc"));
  EXPECT_FALSE(MatchesWildcard("a*b*c", "aXXbYYbZ"));
  // One "?" takes a whole double-byte character (说 = 0xCBB5).
  EXPECT_TRUE(MatchesWildcard("?.txt", "\xCB\xB5.txt"));
  EXPECT_FALSE(MatchesWildcard("??.txt", "\xCB\xB5.txt"));
  // Long runs of stars stay fast.
  EXPECT_FALSE(MatchesWildcard(std::string(50, '*') + "x", std::string(5000, 'a')));
}

class Selection : public test::ExtractionFixture {};

TEST_F(Selection, FilesListPicksEntriesByLoweredPathAndIsEmptiedAfterwards) {
  test::ZipBuilder b;
  b.Add("ReadMe.TXT", "r");
  b.Add("Docs/Guide.TXT", "g");
  b.Add("bin/Update.EXE", "u");
  const std::string archive = WriteArchive(b);
  zip.FilesList = {"*.TxT"};
  int files = 0;
  std::uint64_t bytes = 0;
  zip.OnStartUnZipInfo = [&](TUnzipper&, int numFiles, std::uint64_t totalBytes, bool&) {
    files = numFiles;
    bytes = totalBytes;
  };
  EXPECT_EQ(Extract(archive), 2);
  EXPECT_EQ(files, 2);
  EXPECT_EQ(bytes, 2u);
  EXPECT_TRUE(zip.FilesList.empty());
  EXPECT_TRUE(platform::FileExists(DestFile("guide.txt")));
  EXPECT_FALSE(platform::FileExists(DestFile("Update.EXE")));
  zip.FilesList = {"bin\\update.exe"};
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(ReadDest("Update.EXE"), "u");
}

TEST_F(Selection, EventsReportProgressAndMayStopOrSkip) {
  test::ZipBuilder b;
  b.Add("big.bin", std::string(80000, 'b'));
  b.Add("small.txt", "s");
  const std::string archive = WriteArchive(b);
  zip.DoAll = true;
  zip.OnStartUnZipInfo = [](TUnzipper&, int, std::uint64_t, bool& stop) { stop = true; };
  EXPECT_EQ(Extract(archive), 0);
  EXPECT_FALSE(platform::FileExists(DestFile("big.bin")));

  zip.OnStartUnZipInfo = nullptr;
  std::vector<int> filePercents, totalPercents;
  zip.OnFilePercentDone = [&](TUnzipper&, int p) { filePercents.push_back(p); };
  zip.OnTotalPercentDone = [&](TUnzipper&, int p) { totalPercents.push_back(p); };
  zip.OnStartUnZip = [](TUnzipper&, int index, std::string&, bool& skip) { skip = index == 1; };
  zip.DoAll = true;
  EXPECT_EQ(zip.ExtractFiles(), 1);
  EXPECT_EQ(filePercents, (std::vector<int>{41, 82, 100}));
  EXPECT_EQ(totalPercents, (std::vector<int>{41, 82, 100}));
  EXPECT_FALSE(platform::FileExists(DestFile("small.txt")));
}

}  // namespace
}  // namespace brimsel
