#include "net/download_package.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>

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
// it, a line that never ends, or a block past its size or its time fails the exchange.
// The window is pumped while the reply is awaited, so that Close still works.
HeaderOutcome ReadReplyHeaders(TClientSocket& socket, const bool& cancelFlag, const DownloadLimits& limits,
                               ReplyHeaders& reply) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.headerBlockMs);
  auto lastPump = std::chrono::steady_clock::now();
  const auto keepWaiting = [&] {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPump >= std::chrono::milliseconds(kHeaderWaitSliceMs)) {
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
// the whole package (true), or the user cancels, or the server fails it (false).
bool ReceiveBody(TClientSocket& socket, DownloadView& view, const DownloadLimits& limits, const ReplyHeaders& get,
                 std::int64_t totalLength, PackageWriter& writer) {
  std::array<char, kReceiveBufferSize> buffer;
  std::int64_t received = 0;
  platform::TWinSocketStream stream(socket, limits.bodyWaitMs);
  while (socket.Active()) {
    if (view.CancelFlag()) return false;
    const std::int64_t size = writer.Size();
    if (size >= totalLength) return true;
    // What is not the package, or has no known length, is never written.
    if (!IsSuccessStatus(get.status) || !get.contentLength) return false;
    const std::int64_t rangeLength = *get.contentLength;
    // The server has sent all it promised and the file is still short.
    if (received >= rangeLength) return false;

    buffer.fill(0);
    if (!stream.WaitForData(limits.bodyWaitMs)) return false;  // the server stopped sending
    const int count = socket.ReceiveBuf(buffer.data(), static_cast<int>(buffer.size()));
    if (count == 0) return false;  // closed before the end of the package

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
  return false;
}

// Steps 3 to 12; raises on failures of the file or the socket.
bool Download(TClientSocket& socket, DownloadView& view, const std::string& url, const std::string& localPath,
              const DownloadLimits& limits) {
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
  if (ReadReplyHeaders(socket, cancelFlag, limits, head) != HeaderOutcome::Complete) return false;
  // Without its length, or from a reply that is no success, nothing could be called complete.
  if (!IsSuccessStatus(head.status) || !head.contentLength) return false;
  const std::int64_t totalLength = *head.contentLength;

  Reconnect(socket);
  socket.SendText(GetRequest(host, path, startOffset));
  ReplyHeaders get;
  if (ReadReplyHeaders(socket, cancelFlag, limits, get) != HeaderOutcome::Complete) return false;
  // A server that ignores the range sends the whole package: write it from the start.
  if (get.status == 200 && startOffset > 0) {
    if (!file.SetSize(0) || !file.Seek(0)) RaiseFileError(file);
  }

  PackageWriter writer(file);
  const bool complete = ReceiveBody(socket, view, limits, get, totalLength, writer);
  // Only bytes that have reached the disk make a complete package.
  writer.Flush();
  return complete;
}

}  // namespace

bool ContinuePackageDownload(TClientSocket& socket, DownloadView& view, const std::string& url,
                             const std::string& localPath, const DownloadLimits& limits) {
  try {
    view.CancelFlag() = false;
    return Download(socket, view, url, localPath, limits);
  } catch (...) {
    // Every failure is reported by the result alone.
    return false;
  }
}

bool DownloadPackage(TClientSocket& socket, DownloadView& view, const std::string& url, const std::string& localPath,
                     const DownloadLimits& limits) {
  try {
    if (platform::FileExists(localPath)) platform::DeleteFile(localPath);
  } catch (...) {
    // A leftover that cannot be deleted is appended to.
  }
  return ContinuePackageDownload(socket, view, url, localPath, limits);
}

}  // namespace brimsel
