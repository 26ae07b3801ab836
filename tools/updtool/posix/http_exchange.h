#pragma once
// The small part of HTTP/1.1 the update server speaks: one request per connection.

#include <cstdint>
#include <optional>
#include <string>

namespace brimsel::updtool {

struct HttpRequest {
  std::string method;  // "GET", "HEAD", ...
  std::string path;    // without the query, not decoded
  std::string query;   // after "?", not decoded
  std::optional<std::string> range;  // the Range header's value, any letter case of its name
};

// Reads the request head (up to the blank line) from `socket`, waiting at most `timeoutMs`
// for each piece and never reading more than 16 KiB. Nothing when the request is malformed.
std::optional<HttpRequest> ReadRequest(int socket, int timeoutMs);

// The first and last byte of "bytes=N-" or "bytes=N-M" within a body of `size` bytes;
// nothing for another form; first > last when N lies beyond the end.
struct ByteRange {
  std::int64_t first;
  std::int64_t last;
};
std::optional<ByteRange> ParseByteRange(const std::string& value, std::int64_t size);

// The value of `key` in a query text "a=1&soft=NAME"; empty when absent.
std::string QueryValue(const std::string& query, const std::string& key);

// Sends every byte; false when the peer went away.
bool SendAll(int socket, const void* data, std::size_t size);

}  // namespace brimsel::updtool
