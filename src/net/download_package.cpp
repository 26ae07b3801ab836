#include "net/download_package.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>

#include "net/download_outcome.h"
#include "net/download_progress.h"
#include "net/download_view.h"
#include "net/package_requests.h"
#include "net/package_writer.h"
#include "net/reply_headers.h"
#include "net/url_parts.h"
#include "platform/client_socket.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/free_space.h"
#include "platform/network_limits.h"
#include "platform/pump.h"

namespace brimsel {
namespace {

using platform::ClientConnection;

// What the header block of one reply said.
struct ReplyHeaders {
  int status = 0;
  std::optional<std::int32_t> contentLength;  // the last Content-Length line
  std::optional<std::int64_t> rangeStart;     // the last Content-Range line's first byte; -1: no range
};

enum class HeaderOutcome { Complete, Cancelled, Failed };

// Reads header lines up to the blank line. A server that closed or stopped sending before
// it, a line that never ends, or a block past its size or its time fails the exchange.
// The window is pumped while the reply is awaited, so that Close still works.
HeaderOutcome ReadReplyHeaders(ClientConnection& socket, const bool& cancelFlag, const DownloadLimits& limits,
                               ReplyHeaders& reply) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.headerBlockMs);
  auto lastPump = std::chrono::steady_clock::now();
  const auto keepWaiting = [&] {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPump >= std::chrono::milliseconds(platform::kPumpIntervalMs)) {
      lastPump = now;
      platform::ProcessMessages();
    }
    return !cancelFlag && now < deadline;
  };
  std::size_t blockBytes = 0;
  bool first = true;
  while (socket.Active()) {
    if (cancelFlag) return HeaderOutcome::Cancelled;
    const std::size_t room = std::min(limits.maxHeaderLine, limits.maxHeaderBlock - blockBytes);
    if (room == 0) return HeaderOutcome::Failed;
    const std::string line = ReadHeaderLine(socket, limits.headerWaitMs, "\r\n", room, keepWaiting);
    if (line.empty()) return cancelFlag ? HeaderOutcome::Cancelled : HeaderOutcome::Failed;
    blockBytes += line.size();
    if (first) reply.status = StatusCodeOf(line);
    first = false;
    if (const auto length = ContentLengthOf(line)) reply.contentLength = length;
    if (const auto start = ContentRangeStartOf(line)) reply.rangeStart = start;
    if (line == "\r\n") return HeaderOutcome::Complete;
  }
  return HeaderOutcome::Failed;
}

// Closes the connection when the download ends, whichever way it ends. Meanwhile a connect
// ends its wait once Close is confirmed.
class ConnectionCloser {
 public:
  ConnectionCloser(ClientConnection& socket, const bool& cancelFlag) : socket_(socket) {
    socket_.SetCancelFlag(&cancelFlag);
  }
  ~ConnectionCloser() {
    socket_.SetActive(false);
    socket_.SetCancelFlag(nullptr);
  }
  ConnectionCloser(const ConnectionCloser&) = delete;
  ConnectionCloser& operator=(const ConnectionCloser&) = delete;

 private:
  ClientConnection& socket_;
};

void Reconnect(ClientConnection& socket) {
  socket.SetActive(false);
  socket.SetActive(true);
}

[[noreturn]] void RaiseFileError(const platform::File& file) { throw Exception(file.LastError()); }

// Whether the volume of the package file can take the `toWrite` bytes still to come; a
// volume whose free space the system cannot tell is given the benefit of the doubt.
bool RoomForPackage(const std::string& localPath, std::int64_t toWrite, DownloadReport& report) {
  if (toWrite <= 0) return true;
  const std::string folder = localPath.substr(0, localPath.find_last_of("\\/") + 1);
  const std::optional<std::uint64_t> free = platform::FreeSpaceOf(folder.empty() ? "." : folder);
  if (!free || static_cast<std::uint64_t>(toWrite) <= *free) return true;
  report.detail = std::to_string(toWrite) + " bytes to write, " + std::to_string(*free) + " bytes free on the volume";
  return false;
}

// The body loop: what arrives is received straight into the package's block until the file
// holds the whole package (Complete), or the user cancels, or the server fails it. Receives
// are as large as the bytes still wanted; the window follows by 4096-byte chunks.
DownloadOutcome ReceiveBody(ClientConnection& socket, DownloadView& view, const DownloadLimits& limits,
                            const ReplyHeaders& get, std::int64_t totalLength, PackageWriter& writer,
                            DownloadReport& report) {
  std::int64_t& received = report.received;
  const std::int64_t rangeLength = get.contentLength.value_or(0);
  DownloadProgress progress(view, rangeLength);
  PaceWatch pace(limits.pace);
  platform::TWinSocketStream stream(socket, 0);
  while (socket.Active()) {
    if (view.CancelFlag()) return DownloadOutcome::Cancelled;
    const std::int64_t size = writer.Size();
    if (size >= totalLength) return DownloadOutcome::Complete;
    // What is not the package, or has no known length, is never written.
    if (!IsSuccessStatus(get.status) || !get.contentLength) return DownloadOutcome::GetRefused;
    // The server has sent all it promised and the file is still short.
    if (received >= rangeLength) return DownloadOutcome::BodyShort;
    if (pace.TooSlow()) return DownloadOutcome::BodyTooSlow;

    if (!stream.WaitForData(platform::kPumpIntervalMs)) {
      progress.Waiting();
      continue;  // the tests above come again: cancelled, too slow, dropped
    }
    // Bytes beyond the promised length, or beyond the package's end, are never taken.
    const auto wanted = static_cast<std::size_t>(std::min(rangeLength - received, totalLength - size));
    const std::span<char> room = writer.Room(wanted);
    const int count = socket.ReceiveBuf(room.data(), static_cast<int>(room.size()));
    if (count == 0) return DownloadOutcome::BodyClosedEarly;  // closed before the end of the package
    writer.Commit(static_cast<std::size_t>(count));
    received += count;
    pace.Received(count);
    progress.Received(received, received == rangeLength || writer.Size() >= totalLength);
  }
  return DownloadOutcome::BodyClosedEarly;
}

// A header loop that did not reach the blank line: cancelled, or the reply was incomplete.
DownloadOutcome ReportedOutcome(HeaderOutcome outcome, DownloadOutcome incomplete) {
  return outcome == HeaderOutcome::Cancelled ? DownloadOutcome::Cancelled : incomplete;
}

// Steps 3 to 12; raises on failures of the file or the socket.
DownloadOutcome Download(ClientConnection& socket, DownloadView& view, const std::string& url, const std::string& localPath,
                         const DownloadLimits& limits, DownloadReport& report) {
  bool& cancelFlag = view.CancelFlag();

  platform::File file;
  const bool existing = platform::FileExists(localPath);
  if (!file.Open(localPath, existing ? platform::File::Mode::Write : platform::File::Mode::Create)) {
    RaiseFileError(file);
  }
  const std::int64_t startOffset = existing ? file.Size() : 0;
  if (startOffset < 0 || startOffset > std::numeric_limits<std::int32_t>::max()) RaiseFileError(file);
  if (!file.Seek(startOffset)) RaiseFileError(file);

  ConnectionCloser closer(socket, cancelFlag);
  socket.SetActive(false);
  socket.SetHost(HostFromUrl(url));
  socket.SetPort(kPackagePort);
  const std::string path = PathFromUrl(url);
  const std::string host = HostFromUrl(url);

  Reconnect(socket);
  socket.SendText(HeadRequest(host, path));
  ReplyHeaders head;
  const HeaderOutcome headOutcome = ReadReplyHeaders(socket, cancelFlag, limits, head);
  report.headStatus = head.status;
  if (head.contentLength) report.totalLength = *head.contentLength;
  if (headOutcome != HeaderOutcome::Complete) return ReportedOutcome(headOutcome, DownloadOutcome::HeadIncomplete);
  // Without its length, or from a reply that is no success, nothing could be called complete.
  if (!IsSuccessStatus(head.status)) return DownloadOutcome::HeadRefused;
  if (!head.contentLength) return DownloadOutcome::HeadNoLength;
  const std::int64_t totalLength = *head.contentLength;
  if (!RoomForPackage(localPath, totalLength - startOffset, report)) return DownloadOutcome::NoRoom;

  Reconnect(socket);
  socket.SendText(GetRequest(host, path, startOffset));
  ReplyHeaders get;
  const HeaderOutcome getOutcome = ReadReplyHeaders(socket, cancelFlag, limits, get);
  report.getStatus = get.status;
  if (get.contentLength) report.rangeLength = *get.contentLength;
  if (getOutcome != HeaderOutcome::Complete) return ReportedOutcome(getOutcome, DownloadOutcome::GetIncomplete);
  // Part of the package from elsewhere than the file's end would be written in the wrong place.
  if (get.status == 206 && get.rangeStart && *get.rangeStart != startOffset) {
    report.detail = "asked from byte " + std::to_string(startOffset) + ", sent from " +
                    (*get.rangeStart < 0 ? std::string("no range it names") : "byte " + std::to_string(*get.rangeStart));
    return DownloadOutcome::GetWrongRange;
  }
  // A server that ignores the range sends the whole package: write it from the start.
  if (get.status == 200 && startOffset > 0) {
    if (!file.SetSize(0) || !file.Seek(0)) RaiseFileError(file);
  }

  PackageWriter writer(file);
  const DownloadOutcome outcome = ReceiveBody(socket, view, limits, get, totalLength, writer, report);
  if (outcome == DownloadOutcome::BodyTooSlow) report.detail = DescribePaceRule(limits.pace);
  // Only bytes that have reached the disk make a complete package.
  writer.Flush();
  return outcome;
}

}  // namespace

DownloadReport ContinuePackageDownloadReporting(ClientConnection& socket, DownloadView& view, const std::string& url,
                                                const std::string& localPath, const DownloadLimits& limits) {
  DownloadReport report;
  try {
    view.CancelFlag() = false;
    report.outcome = Download(socket, view, url, localPath, limits, report);
  } catch (const std::exception& error) {
    // Every failure is reported by the result alone; its text is kept for the log. A wait
    // given up for a confirmed Close is the cancel it is.
    report.outcome = view.CancelFlag() ? DownloadOutcome::Cancelled : DownloadOutcome::Failed;
    report.detail = error.what();
  } catch (...) {
    report.outcome = view.CancelFlag() ? DownloadOutcome::Cancelled : DownloadOutcome::Failed;
  }
  return report;
}

DownloadReport DownloadPackageReporting(ClientConnection& socket, DownloadView& view, const std::string& url,
                                        const std::string& localPath, const DownloadLimits& limits) {
  try {
    if (platform::FileExists(localPath)) platform::DeleteFile(localPath);
  } catch (...) {
    // A leftover that cannot be deleted is appended to.
  }
  return ContinuePackageDownloadReporting(socket, view, url, localPath, limits);
}

bool ContinuePackageDownload(ClientConnection& socket, DownloadView& view, const std::string& url,
                             const std::string& localPath, const DownloadLimits& limits) {
  return ContinuePackageDownloadReporting(socket, view, url, localPath, limits).outcome == DownloadOutcome::Complete;
}

bool DownloadPackage(ClientConnection& socket, DownloadView& view, const std::string& url, const std::string& localPath,
                     const DownloadLimits& limits) {
  return DownloadPackageReporting(socket, view, url, localPath, limits).outcome == DownloadOutcome::Complete;
}

}  // namespace brimsel
