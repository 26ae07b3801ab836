#include "net/url_parts.h"

#include <gtest/gtest.h>

namespace brimsel {
namespace {

TEST(UrlPartsTest, SchemeInAnyLetterCaseOrNoneSplitsAlike) {
  for (const char* url : {"http://host.example/update/p.zip", "HTTP://host.example/update/p.zip",
                          "hTtP://host.example/update/p.zip", "host.example/update/p.zip"}) {
    EXPECT_EQ(HostFromUrl(url), "host.example") << url;
    EXPECT_EQ(PathFromUrl(url), "update/p.zip") << url;
  }
}

TEST(UrlPartsTest, BlanksAndControlCharactersAroundAreTrimmed) {
  EXPECT_EQ(HostFromUrl(" \t http://10.0.0.1/a/b \r\n"), "10.0.0.1");
  EXPECT_EQ(PathFromUrl(" \t http://10.0.0.1/a/b \r\n"), "a/b");
}

TEST(UrlPartsTest, PortQueryAndFragmentStayWhereTheyAre) {
  EXPECT_EQ(HostFromUrl("http://host:8080/x"), "host:8080");
  EXPECT_EQ(PathFromUrl("http://host/a b/c.zip?x=1#frag"), "a b/c.zip?x=1#frag");
}

TEST(UrlPartsTest, WithoutSlashTheWholeTextIsTheHostAndThePathIsEmpty) {
  EXPECT_EQ(HostFromUrl("http://host"), "host");
  EXPECT_EQ(PathFromUrl("http://host"), "");
  EXPECT_EQ(PathFromUrl("http://host/"), "");
}

TEST(UrlPartsTest, OnlyTheHttpSchemeIsDropped) {
  EXPECT_EQ(HostFromUrl("https://host/x"), "https:");
  EXPECT_EQ(PathFromUrl("https://host/x"), "/host/x");
}

}  // namespace
}  // namespace brimsel
