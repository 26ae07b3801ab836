#include "net/reply_headers.h"

#include <gtest/gtest.h>

#include "platform/exception.h"

namespace brimsel {
namespace {

TEST(ReplyHeadersTest, ContentLengthNameIgnoresLetterCase) {
  EXPECT_EQ(ContentLengthOf("Content-Length: 5000\r\n"), 5000);
  EXPECT_EQ(ContentLengthOf("CONTENT-LENGTH: 5000\r\n"), 5000);
  EXPECT_EQ(ContentLengthOf("content-length: 5000\r\n"), 5000);
}

TEST(ReplyHeadersTest, ExactlyOneBlankAfterTheColonThenBlanksTrimmed) {
  EXPECT_EQ(ContentLengthOf("Content-Length:    42   \r\n"), 42);
  EXPECT_EQ(ContentLengthOf("Content-Length: \t42\t\r\n"), 42);
  EXPECT_EQ(ContentLengthOf("Content-Length:42\r\n"), std::nullopt);
  EXPECT_EQ(ContentLengthOf("Content-Type: text/html\r\n"), std::nullopt);
  EXPECT_EQ(ContentLengthOf("X-Content-Length: 5\r\n"), std::nullopt);
}

TEST(ReplyHeadersTest, ValueMustBeADecimalIntegerIn32Bits) {
  EXPECT_EQ(ContentLengthOf("Content-Length: 0\r\n"), 0);
  EXPECT_EQ(ContentLengthOf("Content-Length: 2147483647\r\n"), 2147483647);
  EXPECT_EQ(ContentLengthOf("Content-Length: +7\r\n"), 7);
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
  EXPECT_TRUE(IsSuccessStatus(200));
  EXPECT_TRUE(IsSuccessStatus(206));
  EXPECT_FALSE(IsSuccessStatus(301));
  EXPECT_FALSE(IsSuccessStatus(404));
  EXPECT_FALSE(IsSuccessStatus(0));
}

}  // namespace
}  // namespace brimsel
