#include "net/download_package.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>

#include "net/download_outcome.h"
#include "net/download_view.h"
#include "net/package_requests.h"
#include "net/package_writer.h"
#include "net/progress_label.h"
#include "net/reply_headers.h"
#include "net/url_parts.h"
#include "platform/client_socket.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/pump.h"

namespace brimsel {
namespace {

using platform::TClientSocket;

constexpr std::size_t kReceiveBufferSize = 4096;

// What the header block of one reply said.
struct ReplyHeaders {
  int status = 0;
  std::optional<std::int32_t> contentLength;  // the last Content-Length line
};

enum class HeaderOutcome { Complete, Cancelled, Failed };

// Reads header lines up to the blank line. A server that closed or stopped sending before
// it, or a line that never ends, fails the exchange.
HeaderOutcome ReadReplyHeaders(TClientSocket& socket, const bool& cancelFlag, const DownloadLimits& limits,
                               ReplyHeaders& reply) {
  bool first = true;
  while (socket.Active()) {
    if (cancelFlag) return HeaderOutcome::Cancelled;
    const std::string line = ReadHeaderLine(socket, limits.headerWaitMs, "\r\n", limits.maxHeaderLine);
    if (line.empty()) return HeaderOutcome::Failed;
    if (first) reply.status = StatusCodeOf(line);
    first = false;
    if (const auto length = ContentLengthOf(line)) reply.contentLength = length;
    if (line == "\r\n") return HeaderOutcome::Complete;
  }
  return HeaderOutcome::Failed;
}

// Closes the connection when the download ends, whichever way it ends.
class ConnectionCloser {
 public:
  explicit ConnectionCloser(TClientSocket& socket) : socket_(socket) {}
  ~ConnectionCloser() { socket_.SetActive(false); }
  ConnectionCloser(const ConnectionCloser&) = delete;
  ConnectionCloser& operator=(const ConnectionCloser&) = delete;

 private:
  TClientSocket& socket_;
};

void Reconnect(TClientSocket& socket) {
  socket.SetActive(false);
  socket.SetActive(true);
}

[[noreturn]] void RaiseFileError(const platform::File& file) { throw Exception(file.LastError()); }

// The body loop: chunks of at most 4096 bytes appended to the package until the file holds
// the whole package (Complete), or the user cancels, or the server fails it.
DownloadOutcome ReceiveBody(TClientSocket& socket, DownloadView& view, const DownloadLimits& limits, const ReplyHeaders& get,
                 std::int64_t totalLength, PackageWriter& writer, std::int64_t& received) {
  std::array<char, kReceiveBufferSize> buffer;
  platform::TWinSocketStream stream(socket, limits.bodyWaitMs);
  while (socket.Active()) {
    if (view.CancelFlag()) return DownloadOutcome::Cancelled;
    const std::int64_t size = writer.Size();
    if (size >= totalLength) return DownloadOutcome::Complete;
    // What is not the package, or has no known length, is never written.
    if (!IsSuccessStatus(get.status) || !get.contentLength) return DownloadOutcome::GetRefused;
    const std::int64_t rangeLength = *get.contentLength;
    // The server has sent all it promised and the file is still short.
    if (received >= rangeLength) return DownloadOutcome::BodyShort;

    buffer.fill(0);
    if (!stream.WaitForData(limits.bodyWaitMs)) return DownloadOutcome::BodyStalled;  // the server stopped sending
    const int count = socket.ReceiveBuf(buffer.data(), static_cast<int>(buffer.size()));
    if (count == 0) return DownloadOutcome::BodyClosedEarly;  // closed before the end of the package

    // Bytes beyond the promised length, or beyond the package's end, are not part of it.
    const auto wanted = static_cast<std::size_t>(
        std::min<std::int64_t>({count, rangeLength - received, totalLength - size}));
    writer.Append(buffer.data(), wanted);
    received += static_cast<std::int64_t>(wanted);

    view.SetDownLabel(ProgressLabel(received, rangeLength));
    view.SetProgressMax(static_cast<int>(rangeLength));
    view.SetProgressPosition(static_cast<int>(received));
    platform::ProcessMessages();
  }
  return DownloadOutcome::BodyClosedEarly;
}

// A header loop that did not reach the blank line: cancelled, or the reply was incomplete.
DownloadOutcome ReportedOutcome(HeaderOutcome outcome, DownloadOutcome incomplete) {
  return outcome == HeaderOutcome::Cancelled ? DownloadOutcome::Cancelled : incomplete;
}

// Steps 3 to 12; raises on failures of the file or the socket.
DownloadOutcome Download(TClientSocket& socket, DownloadView& view, const std::string& url, const std::string& localPath,
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

  ConnectionCloser closer(socket);
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

  Reconnect(socket);
  socket.SendText(GetRequest(host, path, startOffset));
  ReplyHeaders get;
  const HeaderOutcome getOutcome = ReadReplyHeaders(socket, cancelFlag, limits, get);
  report.getStatus = get.status;
  if (get.contentLength) report.rangeLength = *get.contentLength;
  if (getOutcome != HeaderOutcome::Complete) return ReportedOutcome(getOutcome, DownloadOutcome::GetIncomplete);
  // A server that ignores the range sends the whole package: write it from the start.
  if (get.status == 200 && startOffset > 0) {
    if (!file.SetSize(0) || !file.Seek(0)) RaiseFileError(file);
  }

  PackageWriter writer(file);
  const DownloadOutcome outcome = ReceiveBody(socket, view, limits, get, totalLength, writer, report.received);
  // Only bytes that have reached the disk make a complete package.
  writer.Flush();
  return outcome;
}

}  // namespace

DownloadReport ContinuePackageDownloadReporting(TClientSocket& socket, DownloadView& view, const std::string& url,
                                                const std::string& localPath, const DownloadLimits& limits) {
  DownloadReport report;
  try {
    view.CancelFlag() = false;
    report.outcome = Download(socket, view, url, localPath, limits, report);
  } catch (const std::exception& error) {
    // Every failure is reported by the result alone; its text is kept for the log.
    report.outcome = DownloadOutcome::Failed;
    report.detail = error.what();
  } catch (...) {
    report.outcome = DownloadOutcome::Failed;
  }
  return report;
}

DownloadReport DownloadPackageReporting(TClientSocket& socket, DownloadView& view, const std::string& url,
                                        const std::string& localPath, const DownloadLimits& limits) {
  try {
    if (platform::FileExists(localPath)) platform::DeleteFile(localPath);
  } catch (...) {
    // A leftover that cannot be deleted is appended to.
  }
  return ContinuePackageDownloadReporting(socket, view, url, localPath, limits);
}

bool ContinuePackageDownload(TClientSocket& socket, DownloadView& view, const std::string& url,
                             const std::string& localPath, const DownloadLimits& limits) {
  return ContinuePackageDownloadReporting(socket, view, url, localPath, limits).outcome == DownloadOutcome::Complete;
}

bool DownloadPackage(TClientSocket& socket, DownloadView& view, const std::string& url, const std::string& localPath,
                     const DownloadLimits& limits) {
  return DownloadPackageReporting(socket, view, url, localPath, limits).outcome == DownloadOutcome::Complete;
}

}  // namespace brimsel
