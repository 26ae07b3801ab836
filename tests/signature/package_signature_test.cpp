// What a signature binds, checked with the library both builds link: the package bytes, its
// name and its release date, and only the canonical form of the signature.
#include "signature/package_signature.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/malleated_signature.h"

namespace brimsel::signature {
namespace {

std::string TestKey(const char* file) {
  std::ifstream in(std::string(BRIMSEL_TEST_DATA_DIR) + "/vendor_key/" + file);
  std::string key;
  in >> key;
  return key;
}

platform::DateTime Date(const char* text) { return platform::StrToDate(text); }

TEST(PackageSignature, BindsBytesNameAndReleaseDateAndOnlyItsCanonicalFormVerifies) {
  const std::string publicKey = TestKey("vendor.pub");
  const std::string package = "the bytes of the release of 7 December";
  const std::string signature = SignPackage(TestKey("vendor.key"), "Brimsel", Date("2026-12-7"), package);
  EXPECT_EQ(VerifyPackage(publicKey, "Brimsel", Date("2026-12-7"), package, signature), Verdict::Valid);
  EXPECT_EQ(VerifyPackage(publicKey, "Brimsel", Date("2026-12-07 0:00"), package, signature), Verdict::Valid)
      << "the date, not its writing, is signed";

  // An older release served under a newer date, or a later time of its own day.
  EXPECT_EQ(VerifyPackage(publicKey, "Brimsel", Date("2026-12-9"), package, signature), Verdict::Mismatch);
  EXPECT_EQ(VerifyPackage(publicKey, "Brimsel", Date("2026-12-7 0:01"), package, signature), Verdict::Mismatch);
  EXPECT_EQ(VerifyPackage(publicKey, "Other", Date("2026-12-7"), package, signature), Verdict::Mismatch);
  EXPECT_EQ(VerifyPackage(publicKey, "Brimsel", Date("2026-12-7"), package + " ", signature), Verdict::Mismatch);
  EXPECT_EQ(VerifyPackage(publicKey, "Brimsel", Date("2026-12-7"), package, test::WithGroupOrderAddedToS(signature)),
            Verdict::NotCanonical);

  EXPECT_EQ(SignedDate(Date("2026-12-8 14:30")), "2026-12-08 14:30:00");
}

}  // namespace
}  // namespace brimsel::signature
