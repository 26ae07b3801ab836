#pragma once
// Signed releases. The vendor signs each package with an Ed25519 secret key; an updater
// built with the matching public key installs only a package whose signature verifies.
// What is signed binds the package to its name and to its release date, so that the
// signature of one product's package does not pass for another's, and an older release
// cannot be served again under a newer date:
//   "brimsel-package-2\n" + package name (GBK) + "\n" + release date + "\n" +
//   SHA-256 of the package (hex)
// The release date there is always "yyyy-mm-dd hh:mm:ss" (two-digit month, day, hour,
// minute and second; "00:00:00" for a date without a time of day), whatever the system's
// date format.
//
// Only the canonical form of a signature verifies: its scalar s lies below the group order,
// so that no second text of one signature passes.
//
// Keys and signatures travel as lower-case hex text: a public key of 64 digits, a secret
// key of 128 (the 32-byte seed followed by the public key), a signature of 128.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/locale.h"

namespace brimsel::signature {

// The length of a signature's hex text.
inline constexpr std::size_t kSignatureHexDigits = 128;

struct KeyPair {
  std::string publicKey;  // hex
  std::string secretKey;  // hex
};

// A fresh key pair from the library's strong random source. Raises brimsel::Exception.
KeyPair GenerateKeyPair();

// True for texts of the forms above (letters in either case).
bool IsPublicKey(std::string_view hex);
bool IsSecretKey(std::string_view hex);

// The release date as the signed text holds it.
std::string SignedDate(platform::DateTime releaseDate);

// The signature (hex) of the package bytes released on `releaseDate`. Raises
// brimsel::Exception for a bad key.
std::string SignPackage(std::string_view secretKey, std::string_view packageName, platform::DateTime releaseDate,
                        std::string_view package);

// Why a package did not verify; Valid when it did.
enum class Verdict { Valid, Missing, Malformed, NotCanonical, Mismatch, Unreadable };
const char* VerdictText(Verdict verdict);

// Checks `signature` (hex, as the version page carries it) over the package bytes, for the
// release date that the version page gives.
Verdict VerifyPackage(std::string_view publicKey, std::string_view packageName, platform::DateTime releaseDate,
                      std::string_view package, std::string_view signature);
// The same over the file at `packagePath` (a system path, GBK), read in pieces.
Verdict VerifyPackageFile(std::string_view publicKey, std::string_view packageName, platform::DateTime releaseDate,
                          std::string_view packagePath, std::string_view signature);

}  // namespace brimsel::signature
