// The server contract read back as it is written: the version page that a release publishes
// gives every updater its date and signature.
#include "net/update_site.h"

#include <gtest/gtest.h>

namespace brimsel {
namespace {

TEST(UpdateSiteTest, TheVersionPageAReleaseWritesReadsBackItsDateAndSignature) {
  const std::string signature = std::string(64, '0') + std::string(64, 'f');
  for (const char* date : {"2026-12-7", "2026-12-7 14:30"}) {
    SCOPED_TRACE(date);
    EXPECT_EQ(ReleaseDateText(VersionPage(date)), date);
    EXPECT_EQ(SignatureOfPage(VersionPage(date)), "");
    const std::string signedPage = VersionPage(date, signature);
    EXPECT_EQ(ReleaseDateText(signedPage), date);
    EXPECT_EQ(SignatureOfPage(signedPage), signature);
  }
}

}  // namespace
}  // namespace brimsel
