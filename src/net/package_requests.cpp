#include "net/package_requests.h"

namespace brimsel {
namespace {
constexpr std::string_view kUserAgent =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 1.0.3705)\r\n";
}  // namespace

std::string HeadRequest(std::string_view host, std::string_view path) {
  std::string request;
  request.append("HEAD /").append(path).append(" HTTP/1.1\r\n");
  request.append("Pragma: no-cache\r\n");
  request.append("Cache-Control: no-cache\r\n");
  request.append(kUserAgent);
  request.append("Host: ").append(host).append("\r\n");
  request.append("\r\n");
  return request;
}

std::string GetRequest(std::string_view host, std::string_view path, std::int64_t startOffset) {
  std::string request;
  request.append("GET /").append(path).append(" HTTP/1.1\r\n");
  request.append("Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n");
  request.append(kUserAgent);
  request.append("RANGE: bytes=").append(std::to_string(startOffset)).append("-\r\n");
  request.append("Host: ").append(host).append("\r\n");
  request.append("\r\n");
  return request;
}

}  // namespace brimsel
