#pragma once
// The Internet client functions that the whole-page fetch uses: WinInet itself in the
// Windows build; on Linux, functions shaped like their Windows namesakes built on libcurl:
//
//   InternetOpenA      an Internet handle, or none (InternetLastErrorText says why);
//   InternetOpenUrlA   a URL handle, or none when the URL cannot be opened (name not
//                      resolved, connection refused or timed out, malformed URL);
//   InternetReadFile   up to the asked count of body bytes; 0 at the end of the body or
//                      after a failed read;
//   InternetCloseHandle releases a handle (the handles release themselves when destroyed).
//
// Every fetch goes straight to the server: no proxy, whatever the environment says, and no
// cache. Redirects are followed. The body is returned whatever the status code.
//
// While a call waits for the server it pumps the message queue (ProcessMessages) at least
// every kPumpIntervalMs, so the window keeps answering during a slow reply; once the cancel
// flag given to its session is set, the waiting call gives up (InternetSetCancelFlag).
//
// Time limits, so that a host that never answers ends in "cannot be opened" instead of a
// frozen wizard: kConnectTimeoutMs to establish the connection, and kTransferTimeoutMs for
// the whole exchange. A transfer cut by the time limit after some body has arrived ends
// like the end of the data.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/network_limits.h"

namespace brimsel::platform {

inline constexpr unsigned INTERNET_OPEN_TYPE_DIRECT = 1;
inline constexpr unsigned INTERNET_FLAG_RAW_DATA = 0x40000000;

inline constexpr long kTransferTimeoutMs = 120000;

class InternetSession;
class InternetUrl;

struct InternetSessionCloser {
  void operator()(InternetSession* session) const;
};
struct InternetUrlCloser {
  void operator()(InternetUrl* url) const;
};

// The Internet handle: what every URL handle opened through it runs on.
using HInternetSession = std::unique_ptr<InternetSession, InternetSessionCloser>;
// The URL handle: one reply being read.
using HInternetUrl = std::unique_ptr<InternetUrl, InternetUrlCloser>;

// Only direct access is supported: any other access type, or a proxy name, fails.
HInternetSession InternetOpenA(const char* agent, unsigned accessType, const char* proxyName,
                               const char* proxyBypass, unsigned flags);

// Once `*cancelFlag` is set, a call through `session` that waits for the server stops
// waiting: the URL counts as not opened and the body as ended by a failed read, and the
// error texts say that the fetch was cancelled. Null, as a new session has it: no flag.
void InternetSetCancelFlag(InternetSession& session, const bool* cancelFlag);

// `headers` are extra request lines (CR LF separated) or null. The flags change nothing for
// http. Blocks, pumping messages, until the reply's headers have arrived or the URL has
// proved unopenable.
HInternetUrl InternetOpenUrlA(InternetSession& session, std::string_view url, const char* headers,
                              unsigned headersLength, unsigned flags, std::uintptr_t context);

// Copies up to `toRead` bytes of the body into `buffer` and sets `*read` (0 at the end or
// on a failed read; set to 0 before any work). Blocks, pumping messages, until at least one
// byte or the end has come. True unless the transfer failed.
bool InternetReadFile(InternetUrl& url, void* buffer, unsigned toRead, unsigned* read);

// Releases the handle and empties it; nothing happens for an empty one.
void InternetCloseHandle(HInternetUrl& url);
void InternetCloseHandle(HInternetSession& session);

// The system's message text (GBK) for the last failure of InternetOpenA on this thread.
std::string InternetLastErrorText();

// Why the last InternetOpenUrlA on this thread gave no handle, in the network library's
// own words; empty after one that succeeded. Kept so that a log can say why.
std::string InternetLastUrlErrorText();
// The status code of the reply (HttpQueryInfo's HTTP_QUERY_STATUS_CODE); 0 before one came.
long HttpStatusCode(const InternetUrl& url);
// Why the reading of the body stopped early, in the library's words; empty when it did not.
std::string InternetReadErrorText(const InternetUrl& url);

}  // namespace brimsel::platform
