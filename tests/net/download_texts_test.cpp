// The texts of the download: the URL split into host and path, the two requests byte for
// byte, the reply's status line and Content-Length, and the progress label.

#include <gtest/gtest.h>

#include "net/package_requests.h"
#include "net/progress_label.h"
#include "net/reply_headers.h"
#include "net/url_parts.h"
#include "platform/codepage.h"
#include "platform/exception.h"

namespace brimsel {
namespace {

TEST(UrlPartsTest, HostAndPath) {
  const struct {
    const char* url;
    const char* host;
    const char* path;
  } rows[] = {
      // The scheme in any letter case, or none.
      {"http://host.example/update/p.zip", "host.example", "update/p.zip"},
      {"HTTP://host.example/update/p.zip", "host.example", "update/p.zip"},
      {"hTtP://host.example/update/p.zip", "host.example", "update/p.zip"},
      {"host.example/update/p.zip", "host.example", "update/p.zip"},
      {" \t http://10.0.0.1/a/b \r\n", "10.0.0.1", "a/b"},  // blanks and control characters trimmed
      // Port, query and fragment stay where they are.
      {"http://host:8080/x", "host:8080", "x"},
      {"http://host/a b/c.zip?x=1#frag", "host", "a b/c.zip?x=1#frag"},
      // Without a slash the whole text is the host.
      {"http://host", "host", ""},
      {"http://host/", "host", ""},
      {"https://host/x", "https:", "/host/x"},  // only the http scheme is dropped
  };
  for (const auto& row : rows) {
    EXPECT_EQ(HostFromUrl(row.url), row.host) << row.url;
    EXPECT_EQ(PathFromUrl(row.url), row.path) << row.url;
  }
}

TEST(PackageRequestsTest, HeadAndGetRequestsByteForByteWithRangeInCapitals) {
  EXPECT_EQ(HeadRequest("dl.example.com", "update/Brimsel.zip"),
            "HEAD /update/Brimsel.zip HTTP/1.1\r\n"
            "Pragma: no-cache\r\n"
            "Cache-Control: no-cache\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 1.0.3705)\r\n"
            "Host: dl.example.com\r\n"
            "\r\n");
  EXPECT_EQ(GetRequest("10.1.2.3", "update/Brimsel.zip", 1000),
            "GET /update/Brimsel.zip HTTP/1.1\r\n"
            "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 1.0.3705)\r\n"
            "RANGE: bytes=1000-\r\n"
            "Host: 10.1.2.3\r\n"
            "\r\n");
}

TEST(ReplyHeadersTest, ContentLength) {
  const struct {
    const char* line;
    std::optional<std::int32_t> length;
  } rows[] = {
      // The name in any letter case, exactly one blank after the colon, then blanks trimmed.
      {"Content-Length: 5000\r\n", 5000},
      {"CONTENT-LENGTH: 5000\r\n", 5000},
      {"content-length: 5000\r\n", 5000},
      {"Content-Length:    42   \r\n", 42},
      {"Content-Length: \t42\t\r\n", 42},
      {"Content-Length:42\r\n", std::nullopt},
      {"Content-Type: text/html\r\n", std::nullopt},
      {"X-Content-Length: 5\r\n", std::nullopt},
      {"Content-Length: 0\r\n", 0},
      {"Content-Length: 2147483647\r\n", 2147483647},
      {"Content-Length: +7\r\n", 7},
  };
  for (const auto& row : rows) EXPECT_EQ(ContentLengthOf(row.line), row.length) << row.line;
  // The value must be a decimal integer in 32 bits.
  for (const char* bad : {"Content-Length: 2147483648\r\n", "Content-Length: 99999999999999999999\r\n",
                          "Content-Length: abc\r\n", "Content-Length: 12a\r\n", "Content-Length: 0x10\r\n",
                          "Content-Length: \r\n", "Content-Length: 1 2\r\n", "Content-Length: -5\r\n"}) {
    EXPECT_THROW(ContentLengthOf(bad), Exception) << bad;
  }
}

TEST(ReplyHeadersTest, StatusCodeOfStatusLines) {
  EXPECT_EQ(StatusCodeOf("HTTP/1.1 200 OK\r\n"), 200);
  EXPECT_EQ(StatusCodeOf("HTTP/1.0 206 Partial Content\r\n"), 206);
  EXPECT_EQ(StatusCodeOf("HTTP/1.1 404 Not Found\r\n"), 404);
  EXPECT_EQ(StatusCodeOf("Content-Length: 5\r\n"), 0);
  EXPECT_EQ(StatusCodeOf("HTTP/1.1 2x0 OK\r\n"), 0);
  for (const int status : {200, 206}) EXPECT_TRUE(IsSuccessStatus(status)) << status;
  for (const int status : {301, 404, 0}) EXPECT_FALSE(IsSuccessStatus(status)) << status;
}

TEST(ProgressLabelTest, GroupsThousandsAndShowsZeroAsNothing) {
  using platform::Utf8ToGbk;
  EXPECT_EQ(ProgressLabel(4096, 5000), Utf8ToGbk("已完成 4,096/5,000 字节"));
  EXPECT_EQ(ProgressLabel(5000, 5000), Utf8ToGbk("已完成 5,000/5,000 字节"));
  EXPECT_EQ(ProgressLabel(0, 5000), Utf8ToGbk("已完成 /5,000 字节"));
  EXPECT_EQ(ProgressLabel(104857600, 104857600), Utf8ToGbk("已完成 104,857,600/104,857,600 字节"));
  EXPECT_EQ(ProgressLabel(12, 999), Utf8ToGbk("已完成 12/999 字节"));
}

}  // namespace
}  // namespace brimsel
