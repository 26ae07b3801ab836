#pragma once
// The whole-page fetch (unit DownUrl): the reply to one URL read whole into a text. Used
// for the two small replies of the update check: the version page and the server probe.

#include <cstddef>
#include <string>

namespace brimsel {

// The replies are small pages; a server that never stops sending is cut off here and what
// was read so far is returned, as after a failed read.
inline constexpr std::size_t kMaxPageSize = 8 * 1024 * 1024;

// The body of the reply to `url`, whatever its status code; NUL bytes included. An empty
// text for an empty url or when the URL cannot be opened. Pumps messages while it waits.
// Raises brimsel::Exception only when no Internet handle can be had.
std::string FetchPage(const std::string& url);

// FetchPage with what a log needs to say: the status and, when the URL could not be opened
// or the body was cut, the network library's own text. Once `*cancelFlag` is set (a
// confirmed Close), the fetch stops waiting for the server and gives what it has, with the
// error "cancelled"; null: nothing cancels it.
struct PageFetch {
  std::string body;
  long status = 0;     // 0 when no reply came
  std::string error;   // empty when none
};
PageFetch FetchPageReporting(const std::string& url, const bool* cancelFlag = nullptr);
// "status 200, 57 bytes", or "no reply (<the library's text>)", for a log line.
std::string DescribeFetch(const PageFetch& fetch);

// `url` unchanged when it begins with "http://" in any letter case; otherwise "http://"
// put in front of it (other schemes included).
std::string NormalizeUrl(const std::string& url);

}  // namespace brimsel
