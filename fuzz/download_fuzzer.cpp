// libFuzzer target: the HTTP exchange of the package download, from the real download loop
// down to the header lines, against a server played from memory (support/
// scripted_connection.h). The package file is a real file on a RAM-backed folder: the
// download reads its size to resume.
//
// An input is two bytes of settings, then the HEAD reply and the GET reply parted by a line
// "~~~"; without that line the GET reply is the whole text and the HEAD reply its header
// block. Settings, first byte: bits 0-1 the file before (none, empty, 1000 or 5000 bytes),
// bits 2-3 and 4-5 how the HEAD and the GET connection end once their reply is sent (close,
// silence, reset, refused), bit 6 a fresh download (a leftover is deleted) rather than a
// resumed one, bit 7 Close confirmed at the first progress shown. Second byte: the most one
// receive hands out (0: no limit).
//
// Besides the sanitizers' faults, these are faults: a request that is not the HEAD, then
// the GET with the range of the file's size; a file that holds other bytes than the body of
// the GET reply, or more than the HEAD reply announced; a download called complete whose
// file is short of that length; progress beyond its maximum.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/download_package.h"
#include "net/download_view.h"
#include "support/scripted_connection.h"

namespace {

namespace fs = std::filesystem;
using brimsel::fuzz::ScriptedConnection;
using brimsel::fuzz::ScriptedReply;

constexpr char kUrl[] = "http://127.0.0.1/update/Brimsel.zip";
constexpr std::string_view kSeparator = "\n~~~\n";

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::abort();
}

// The package file: its native path, for the checks here, and its path as the download is
// given it. The process works in a scratch folder of its own, where the package's path is
// its name alone: every file call of the download then looks up one name, not five.
struct Package {
  Package() {
    std::string pattern = (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()).string() +
                          "/brimsel-download-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data()) || ::chdir(pattern.c_str()) != 0) std::abort();
    native = "Brimsel.zip";
    path = "Brimsel.zip";
  }
  fs::path native;
  std::string path;
};

const Package& ThePackage() {
  static const Package package;
  return package;
}

class CheckingView : public brimsel::DownloadView {
 public:
  explicit CheckingView(bool cancelAtProgress) : cancelAtProgress_(cancelAtProgress) {}
  bool& CancelFlag() override { return cancel_; }
  void SetDownLabel(const std::string&) override {}
  void SetProgressMax(int max) override { max_ = max; }
  void SetProgressPosition(int position) override {
    if (position < 0 || position > max_) Fail("progress " + std::to_string(position) + " of " + std::to_string(max_));
    if (cancelAtProgress_) cancel_ = true;
  }

 private:
  bool cancelAtProgress_;
  bool cancel_ = false;
  int max_ = 0;
};

// Where the body of a reply starts, as the download reads its header lines: after the
// first line that is CR LF alone. npos when there is none.
std::size_t BodyStart(std::string_view reply) {
  for (std::size_t at = 0;;) {
    const std::size_t end = reply.find("\r\n", at);
    if (end == std::string_view::npos) return end;
    if (end == at) return end + 2;
    at = end + 2;
  }
}

ScriptedReply::End EndOf(unsigned bits) { return static_cast<ScriptedReply::End>(bits & 3); }

// The file an earlier run left: none, or `size` bytes.
void MakeLeftover(std::optional<std::size_t> size) {
  ::unlink(ThePackage().native.c_str());
  if (!size) return;
  const int fd = ::open(ThePackage().native.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::string bytes(*size, 'x');
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
  ::close(fd);
}

std::string ReadPackage() {
  std::string bytes;
  const int fd = ::open(ThePackage().native.c_str(), O_RDONLY);
  if (fd < 0) return bytes;
  char buffer[8192];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned settings = data[0];
  const std::size_t chunk = data[1];
  const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);
  std::string head, get;
  if (const std::size_t separator = text.find(kSeparator); separator != std::string_view::npos) {
    head = text.substr(0, separator);
    get = text.substr(separator + kSeparator.size());
  } else {
    get = text;
    head = text.substr(0, std::min(BodyStart(text), text.size()));
  }

  constexpr std::optional<std::size_t> kLeftovers[] = {std::nullopt, 0, 1000, 5000};
  const std::optional<std::size_t> leftover = kLeftovers[settings & 3];
  MakeLeftover(leftover);
  const bool fresh = (settings & 0x40) != 0;
  const auto start = static_cast<std::int64_t>(fresh ? 0 : leftover.value_or(0));

  ScriptedConnection connection({{head, EndOf(settings >> 2)}, {get, EndOf(settings >> 4)}}, chunk);
  CheckingView view((settings & 0x80) != 0);
  brimsel::DownloadLimits limits;
  limits.headerWaitMs = 100;
  // Time runs a tenth of a second at each look at the clock: a silent server is given up
  // after some hundred rounds instead of 30 s.
  auto now = brimsel::PaceRule::Clock::time_point{};
  limits.pace.now = [&now] { return now += std::chrono::milliseconds(100); };
  const brimsel::DownloadReport report =
      fresh ? brimsel::DownloadPackageReporting(connection, view, kUrl, ThePackage().path, limits)
            : brimsel::ContinuePackageDownloadReporting(connection, view, kUrl, ThePackage().path, limits);

  const std::vector<std::string>& sent = connection.Sent();
  if (!sent.empty() && !sent[0].starts_with("HEAD /update/Brimsel.zip HTTP/1.1\r\n")) Fail("the first request: " + sent[0]);
  if (sent.size() > 1) {
    if (!sent[1].starts_with("GET /update/Brimsel.zip HTTP/1.1\r\n")) Fail("the second request: " + sent[1]);
    if (sent[1].find("\r\nRANGE: bytes=" + std::to_string(start) + "-\r\n") == std::string::npos)
      Fail("the range of a file of " + std::to_string(start) + " bytes: " + sent[1]);
  }

  const std::string file = ReadPackage();
  const auto fileSize = static_cast<std::int64_t>(file.size());
  const std::int64_t total = report.totalLength;
  if (report.outcome == brimsel::DownloadOutcome::Complete && fileSize < total) Fail("complete but short");
  if (report.received > 0) {
    // The body went to the file from where the range began, or from its start when the
    // server sent the whole package instead.
    const std::size_t body = BodyStart(get);
    const std::size_t from = report.getStatus == 200 ? 0 : static_cast<std::size_t>(start);
    if (body == std::string::npos || fileSize > std::max(start, total) || report.received > report.rangeLength ||
        file.compare(from, std::string::npos, get, body, static_cast<std::size_t>(report.received)) != 0)
      Fail("the file does not hold the body as sent");
  }
  return 0;
}
