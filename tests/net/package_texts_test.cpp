// The texts of the download that servers and users see: the two requests byte for byte and
// the progress label.

#include <gtest/gtest.h>

#include "net/package_requests.h"
#include "net/progress_label.h"
#include "platform/codepage.h"

namespace brimsel {
namespace {

using platform::Utf8ToGbk;

TEST(PackageRequestsTest, HeadRequestByteForByte) {
  EXPECT_EQ(HeadRequest("dl.example.com", "update/Brimsel.zip"),
            "HEAD /update/Brimsel.zip HTTP/1.1\r\n"
            "Pragma: no-cache\r\n"
            "Cache-Control: no-cache\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 1.0.3705)\r\n"
            "Host: dl.example.com\r\n"
            "\r\n");
}

TEST(PackageRequestsTest, GetRequestByteForByteWithRangeInCapitals) {
  EXPECT_EQ(GetRequest("10.1.2.3", "update/Brimsel.zip", 1000),
            "GET /update/Brimsel.zip HTTP/1.1\r\n"
            "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 1.0.3705)\r\n"
            "RANGE: bytes=1000-\r\n"
            "Host: 10.1.2.3\r\n"
            "\r\n");
}

TEST(ProgressLabelTest, GroupsThousandsAndShowsZeroAsNothing) {
  EXPECT_EQ(ProgressLabel(4096, 5000), Utf8ToGbk("已完成 4,096/5,000 字节"));
  EXPECT_EQ(ProgressLabel(5000, 5000), Utf8ToGbk("已完成 5,000/5,000 字节"));
  EXPECT_EQ(ProgressLabel(0, 5000), Utf8ToGbk("已完成 /5,000 字节"));
  EXPECT_EQ(ProgressLabel(104857600, 104857600), Utf8ToGbk("已完成 104,857,600/104,857,600 字节"));
  EXPECT_EQ(ProgressLabel(12, 999), Utf8ToGbk("已完成 12/999 字节"));
}

}  // namespace
}  // namespace brimsel
