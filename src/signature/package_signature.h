#pragma once
// Signed releases. The vendor signs each package with an Ed25519 secret key; an updater
// built with the matching public key installs only a package whose signature verifies.
// What is signed binds the package to its name, so that the signature of one product's
// package does not pass for another's:
//   "brimsel-package-1\n" + package name (GBK) + "\n" + SHA-256 of the package (hex)
//
// Keys and signatures travel as lower-case hex text: a public key of 64 digits, a secret
// key of 128 (the 32-byte seed followed by the public key), a signature of 128.

#include <string>
#include <string_view>

namespace brimsel::signature {

struct KeyPair {
  std::string publicKey;  // hex
  std::string secretKey;  // hex
};

// A fresh key pair from the library's strong random source. Raises brimsel::Exception.
KeyPair GenerateKeyPair();

// True for texts of the forms above (letters in either case).
bool IsPublicKey(std::string_view hex);
bool IsSecretKey(std::string_view hex);

// The signature (hex) of the package bytes. Raises brimsel::Exception for a bad key.
std::string SignPackage(std::string_view secretKey, std::string_view packageName, std::string_view package);

// Why a package did not verify; Valid when it did.
enum class Verdict { Valid, Missing, Malformed, Mismatch, Unreadable };
const char* VerdictText(Verdict verdict);

// Checks `signature` (hex, as the version page carries it) over the package bytes.
Verdict VerifyPackage(std::string_view publicKey, std::string_view packageName, std::string_view package,
                      std::string_view signature);
// The same over the file at `packagePath` (a system path, GBK), read in pieces.
Verdict VerifyPackageFile(std::string_view publicKey, std::string_view packageName, std::string_view packagePath,
                          std::string_view signature);

}  // namespace brimsel::signature
