#pragma once
// Helpers of the extraction tests: archives built in a temporary folder, raw deflate and
// traditional encryption of entry data, and a recorder of the message boxes shown.

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <string_view>
#include <vector>

#include "archive/unzipper.h"
#include "archive/zip_crypto.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "support/temp_dir.h"
#include "support/zip_builder.h"

namespace brimsel::test {

inline std::string RawDeflate(std::string_view plain, int level = 6) {
  z_stream zs{};
  EXPECT_EQ(deflateInit2(&zs, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&zs, static_cast<uLong>(plain.size())), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  zs.avail_in = static_cast<uInt>(plain.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// The 12-byte encryption header (its last byte the check byte) and the payload, encrypted.
inline std::string Encrypt(std::string_view password, std::string_view payload, std::uint8_t checkByte) {
  std::string data = std::string(11, '\x5A') + static_cast<char>(checkByte) + std::string(payload);
  ZipCryptoKeys keys(password);
  keys.Encrypt(reinterpret_cast<std::uint8_t*>(data.data()), data.size());
  return data;
}

// An entry with compressed data: `plain` is what it must extract to.
inline ZipEntrySpec& AddCompressed(ZipBuilder& zip, std::string name, std::string_view plain) {
  ZipEntrySpec& e = zip.Add(std::move(name), RawDeflate(plain));
  e.method = 8;
  e.crc = Crc32(plain);
  e.uncompressedSizeField = static_cast<std::uint32_t>(plain.size());
  return e;
}

// An encrypted entry, deflated or stored.
inline ZipEntrySpec& AddEncrypted(ZipBuilder& zip, std::string name, std::string_view plain,
                                  std::string_view password, bool deflated = true) {
  const std::uint32_t crc = Crc32(plain);
  ZipEntrySpec& e = zip.Add(std::move(name), Encrypt(password, deflated ? RawDeflate(plain) : std::string(plain),
                                                     static_cast<std::uint8_t>(crc >> 24)));
  e.method = deflated ? 8 : 0;
  e.flags = 0x0001;
  e.crc = crc;
  e.uncompressedSizeField = static_cast<std::uint32_t>(plain.size());
  return e;
}

struct ShownBox {
  platform::WindowHandle owner;
  std::string text;
  std::string caption;
  unsigned flags;
};

// Answers every message box with `answer` and records it; the previous handler comes back
// at the end of the test.
class BoxRecorder {
 public:
  explicit BoxRecorder(int answer = platform::IDNO)
      : previous_(platform::SetMessageBoxHandler(
            [this](platform::WindowHandle owner, const std::string& text, const std::string& caption, unsigned flags) {
              shown.push_back({owner, text, caption, flags});
              return answer_;
            })),
        answer_(answer) {}
  ~BoxRecorder() { platform::SetMessageBoxHandler(std::move(previous_)); }
  BoxRecorder(const BoxRecorder&) = delete;
  BoxRecorder& operator=(const BoxRecorder&) = delete;

  void Answer(int answer) { answer_ = answer; }
  std::vector<ShownBox> shown;

 private:
  platform::MessageBoxHandler previous_;
  int answer_;
};

// A temporary folder holding the archive and the destination below it.
class ExtractionFixture : public ::testing::Test {
 protected:
  std::string WriteArchive(const ZipBuilder& builder, std::string_view name = "pkg.zip") {
    dir.Write(name, builder.Build());
    return dir.WinPath() + std::string(name);
  }
  std::string Dest() const { return dir.WinPath() + "dest"; }
  std::string DestFile(std::string_view relative) const { return Dest() + "\\" + std::string(relative); }
  std::string ReadDest(std::string_view relative) const { return TempDir::Read(platform::NativePath(DestFile(relative))); }
  int Extract(const std::string& archive) {
    zip.SetZipName(archive);
    zip.SetDestDir(Dest());
    zip.LoadDirectory();
    return zip.ExtractFiles();
  }

  TempDir dir;
  TUnzipper zip;
};

}  // namespace brimsel::test
