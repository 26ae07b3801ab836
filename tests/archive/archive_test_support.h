#pragma once
// Helpers of the archive tests: a component that shows its entries, the fields of a listing
// line, raw deflate and traditional encryption of entry data, a recorder of the message
// boxes shown, a counter of the message pump, and a temporary folder for archive and output.

#include <gtest/gtest.h>
#include <zlib.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive/codecs/zip_crypto.h"
#include "archive/unzipper.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/pump.h"
#include "support/temp_dir.h"
#include "support/zip_builder.h"

namespace brimsel::test {

// TUnzipper with the entry access that extraction uses made visible.
class InspectableUnzipper : public TUnzipper {
 public:
  using TUnzipper::ArchiveIsOpen;
  using TUnzipper::EntryAt;
  using TUnzipper::ViewCount;
};

// Writes `bytes` as `name` into the folder and returns its Windows-style path.
inline std::string WriteArchive(const TempDir& dir, std::string_view name, std::string_view bytes) {
  dir.Write(name, bytes);
  return dir.WinPath() + std::string(name);
}

inline std::vector<std::string> Listing(const TUnzipper& unzipper) {
  std::vector<std::string> lines;
  unzipper.ListEntries(lines);
  return lines;
}

// The TAB-separated fields of a listing line.
inline std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.emplace_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

// Stored entries given as {name, data} pairs.
inline ZipBuilder StoredEntries(std::initializer_list<std::pair<std::string, std::string>> entries) {
  ZipBuilder zip;
  for (const auto& [name, data] : entries) zip.Add(name, data);
  return zip;
}

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
  bool operator==(const ShownBox&) const = default;
};
inline void PrintTo(const ShownBox& box, std::ostream* out) {
  *out << "{" << box.owner << ", \"" << box.text << "\", \"" << box.caption << "\", " << box.flags << "}";
}

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

  std::vector<ShownBox> shown;

 private:
  platform::MessageBoxHandler previous_;
  int answer_;
};

// Counts the calls of the message pump; the previous pump comes back at the end of the test.
class PumpCounter {
 public:
  PumpCounter() : previous_(platform::SetMessagePump([this] { ++count; })) {}
  ~PumpCounter() { platform::SetMessagePump(std::move(previous_)); }
  PumpCounter(const PumpCounter&) = delete;
  PumpCounter& operator=(const PumpCounter&) = delete;

  int count = 0;

 private:
  decltype(platform::SetMessagePump(nullptr)) previous_;
};

// A temporary folder holding the archive and the destination below it.
class ExtractionFixture : public ::testing::Test {
 protected:
  std::string WriteArchive(const ZipBuilder& builder, std::string_view name = "pkg.zip") {
    return test::WriteArchive(dir, name, builder.Build());
  }
  std::string Dest() const { return dir.WinPath() + "dest"; }
  std::string DestFile(std::string_view relative) const { return Dest() + "\\" + std::string(relative); }
  std::string ReadDest(std::string_view relative) const { return TempDir::Read(platform::NativePath(DestFile(relative))); }
  bool DestExists(std::string_view relative) const { return platform::FileExists(DestFile(relative)); }
  // Loads and extracts every entry, or those of FilesList when `all` is false.
  int Extract(const std::string& archive, bool all = true) {
    zip.SetZipName(archive);
    zip.SetDestDir(Dest());
    zip.DoAll = all;
    zip.LoadDirectory();
    return zip.ExtractFiles();
  }

  TempDir dir;
  TUnzipper zip;
};

}  // namespace brimsel::test
