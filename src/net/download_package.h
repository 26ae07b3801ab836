#pragma once
// The package download: the package brought from a download server into a file of the
// staging folder over the program's own HTTP/1.1 exchange on port 80 (a HEAD for the total
// length, then, on a new connection, a GET with "RANGE: bytes=<size of the local file>-").
// Progress goes to the download page; a confirmed Close stops it through the cancel flag.

#include <cstddef>
#include <string>

#include "net/download_outcome.h"
#include "net/download_pace.h"
#include "net/header_line.h"

namespace brimsel {

class DownloadView;
namespace platform {
class ClientConnection;
}

// How long the download waits for the server. The defaults are the program's; tests pass
// shorter ones.
struct DownloadLimits {
  int headerWaitMs = kHeaderWaitMs;  // for each byte of a header line
  std::size_t maxHeaderLine = kMaxHeaderLine;
  // One reply's header block: a server that sends header lines without end is cut off.
  int headerBlockMs = 120000;
  std::size_t maxHeaderBlock = 64 * 1024;
  // The body: fewer bytes than this in any window, silence included, end the download.
  PaceRule pace;
};

// Deletes a leftover file at `localPath`, then downloads as ContinuePackageDownload does.
// True only when the file holds the whole package (its size reached the HEAD reply's
// Content-Length); false when cancelled or on any failure. Never raises. The file is left
// on disk whatever the result; the file and the connection are closed on every path.
// A package that the volume of `localPath` has no room for is refused before a byte of it
// is written, and no more bytes are written than both replies announced. Every wait lets
// the window run (the message queue is pumped every kPumpIntervalMs) and ends once the
// view's cancel flag is set.
bool DownloadPackage(platform::ClientConnection& socket, DownloadView& view, const std::string& url,
                     const std::string& localPath, const DownloadLimits& limits = {});

// The download into whatever is at `localPath`: a file there is kept and appended to
// (the range starts at its size); otherwise a new file is made.
bool ContinuePackageDownload(platform::ClientConnection& socket, DownloadView& view, const std::string& url,
                             const std::string& localPath, const DownloadLimits& limits = {});

// The same two, with the outcome and its reason kept for the log.
DownloadReport DownloadPackageReporting(platform::ClientConnection& socket, DownloadView& view, const std::string& url,
                                        const std::string& localPath, const DownloadLimits& limits = {});
DownloadReport ContinuePackageDownloadReporting(platform::ClientConnection& socket, DownloadView& view,
                                                const std::string& url, const std::string& localPath,
                                                const DownloadLimits& limits = {});

}  // namespace brimsel
