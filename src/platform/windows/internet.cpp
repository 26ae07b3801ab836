// The whole-page fetch over WinInet. The system's calls block until the server answers;
// they run on a helper thread while the caller's thread pumps its messages, so that the
// window keeps answering during a slow reply, as the Linux build does. A caller whose cancel
// flag is set walks away from a call that has not returned; closing the handles then ends
// the call (WinINet returns from a call whose handle another thread closes).
#include "platform/internet.h"

#include "platform/windows/windows_api.h"
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/pumping_call.h"
#include "platform/windows/windows_text.h"

namespace brimsel::platform {
namespace {

thread_local std::string lastErrorText;
thread_local std::string lastUrlErrorText;

// WinInet keeps the texts of its own error codes (12000 on) in its module.
std::string InternetErrorText(DWORD error) {
  char buffer[512];
  DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  ::GetModuleHandleA("wininet.dll"), error, 0, buffer, sizeof buffer, nullptr);
  while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n')) --length;
  if (length > 0) return std::string(buffer, length) + " (" + std::to_string(error) + ")";
  return windows::ErrorText(error) + " (" + std::to_string(error) + ")";
}

constexpr char kCancelledText[] = "cancelled";

struct InternetHandleCloser {
  void operator()(void* handle) const { ::InternetCloseHandle(handle); }
};
using Owned = std::unique_ptr<void, InternetHandleCloser>;

bool IsPageUrl(std::string_view url) {
  auto startsWith = [&](std::string_view scheme) {
    return url.size() >= scheme.size() && ::_strnicmp(url.data(), scheme.data(), scheme.size()) == 0;
  };
  return startsWith("http://") || startsWith("https://");
}

}  // namespace

class InternetSession {
 public:
  explicit InternetSession(HINTERNET handle) : handle_(handle) {}
  HINTERNET get() const { return handle_.get(); }
  const bool* CancelFlag() const { return cancelFlag_; }
  void SetCancelFlag(const bool* flag) { cancelFlag_ = flag; }

 private:
  Owned handle_;
  const bool* cancelFlag_ = nullptr;
};

// Each blocking call costs a helper thread, so the body is read in pieces of what has
// arrived (up to kPieceSize) and handed out from there in the caller's smaller reads.
class InternetUrl {
 public:
  InternetUrl(Owned handle, const bool* cancelFlag) : handle_(std::move(handle)), cancelFlag_(cancelFlag) {}

  HINTERNET get() const { return handle_.get(); }
  const std::string& ReadErrorText() const { return readErrorText_; }

  bool Read(void* buffer, unsigned toRead, unsigned* read) {
    if (pendingStart_ == pending_.size() && !ReadPiece()) return false;
    const std::size_t count = std::min<std::size_t>(toRead, pending_.size() - pendingStart_);
    std::memcpy(buffer, pending_.data() + pendingStart_, count);
    pendingStart_ += count;
    *read = static_cast<unsigned>(count);
    return true;
  }

 private:
  static constexpr DWORD kPieceSize = 64 * 1024;

  // What one read on the helper thread gave. The piece is the helper's own, so that a read
  // the caller walked away from writes into nothing of the caller's.
  struct Piece {
    BOOL ok = FALSE;
    DWORD error = 0;  // the helper thread's, where the call ran
    std::shared_ptr<std::string> bytes;
  };

  // The next piece of the body; empty at its end. False when the transfer failed.
  bool ReadPiece() {
    pending_.clear();
    pendingStart_ = 0;
    const std::optional<Piece> piece = CallPumping<Piece>(
        [handle = handle_.get()] {
          Piece read{FALSE, 0, std::make_shared<std::string>(kPieceSize, '\0')};
          DWORD available = 0;
          // Waits for the first bytes; then the read takes no more than what is there.
          if (!::InternetQueryDataAvailable(handle, &available, 0, 0)) available = kPieceSize;
          const DWORD ask = std::clamp<DWORD>(available, 1, kPieceSize);
          DWORD got = 0;
          read.ok = ::InternetReadFile(handle, read.bytes->data(), ask, &got);
          read.error = ::GetLastError();
          read.bytes->resize(read.ok ? got : 0);
          return read;
        },
        cancelFlag_);
    if (!piece) {
      readErrorText_ = kCancelledText;
      return false;
    }
    if (!piece->ok) {
      readErrorText_ = InternetErrorText(piece->error);
      return false;
    }
    pending_ = std::move(*piece->bytes);
    return true;
  }

  Owned handle_;
  const bool* cancelFlag_;
  std::string pending_;
  std::size_t pendingStart_ = 0;
  std::string readErrorText_;
};

void InternetSessionCloser::operator()(InternetSession* session) const {
  std::default_delete<InternetSession>()(session);
}
void InternetUrlCloser::operator()(InternetUrl* url) const { std::default_delete<InternetUrl>()(url); }

HInternetSession InternetOpenA(const char* agent, unsigned accessType, const char* proxyName, const char* proxyBypass,
                               unsigned flags) {
  if (accessType != INTERNET_OPEN_TYPE_DIRECT || proxyName != nullptr) {
    lastErrorText = windows::ErrorText(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HINTERNET handle = ::InternetOpenA(agent, accessType, proxyName, proxyBypass, flags);
  if (handle == nullptr) {
    lastErrorText = windows::ErrorText(::GetLastError());
    return nullptr;
  }
  // Limits, so that a host that never answers ends in "cannot be opened" rather than in a
  // wizard that waits forever.
  DWORD connect = kConnectTimeoutMs;
  DWORD transfer = kTransferTimeoutMs;
  ::InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  ::InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &transfer, sizeof transfer);
  ::InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &transfer, sizeof transfer);
  return HInternetSession(std::make_unique<InternetSession>(handle).release());
}

HInternetUrl InternetOpenUrlA(InternetSession& session, std::string_view url, const char* headers,
                              unsigned headersLength, unsigned flags, std::uintptr_t context) {
  // Pages only: not a local file or an FTP folder, whatever the URL says.
  lastUrlErrorText.clear();
  if (!IsPageUrl(url)) {
    lastUrlErrorText = InternetErrorText(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    return nullptr;
  }
  const DWORD length = headers == nullptr ? 0 : headersLength != 0 ? headersLength : std::strlen(headers);
  // Straight from the server every time: never a page kept from an earlier run.
  const DWORD allFlags = flags | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
  struct Opened {
    Owned handle;
    DWORD error = 0;  // the helper thread's, where the call ran
  };
  // The helper owns copies of the texts; a handle it opens after the caller has gone is
  // closed with its result.
  std::optional<Opened> opened = CallPumping<Opened>(
      [internet = session.get(), urlText = std::string(url),
       headerText = headers == nullptr ? std::string() : std::string(headers, length), hasHeaders = headers != nullptr,
       allFlags, context] {
        Opened result;
        result.handle.reset(::InternetOpenUrlA(internet, urlText.c_str(), hasHeaders ? headerText.c_str() : nullptr,
                                               static_cast<DWORD>(headerText.size()), allFlags, context));
        result.error = ::GetLastError();
        return result;
      },
      session.CancelFlag());
  if (!opened) {
    lastUrlErrorText = kCancelledText;
    return nullptr;
  }
  if (!opened->handle) {
    lastUrlErrorText = InternetErrorText(opened->error);
    return nullptr;
  }
  return HInternetUrl(std::make_unique<InternetUrl>(std::move(opened->handle), session.CancelFlag()).release());
}

bool InternetReadFile(InternetUrl& url, void* buffer, unsigned toRead, unsigned* read) {
  *read = 0;
  if (toRead == 0) return true;
  return url.Read(buffer, toRead, read);
}

void InternetSetCancelFlag(InternetSession& session, const bool* cancelFlag) { session.SetCancelFlag(cancelFlag); }

void InternetCloseHandle(HInternetUrl& url) { url.reset(); }
void InternetCloseHandle(HInternetSession& session) { session.reset(); }

std::string InternetLastErrorText() { return lastErrorText; }
std::string InternetLastUrlErrorText() { return lastUrlErrorText; }

long HttpStatusCode(const InternetUrl& url) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!::HttpQueryInfoA(url.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) return 0;
  return static_cast<long>(status);
}

std::string InternetReadErrorText(const InternetUrl& url) { return url.ReadErrorText(); }

}  // namespace brimsel::platform
