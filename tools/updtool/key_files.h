#pragma once
// The vendor's key files as `updtool keygen` writes them: one line of hex each.

#include <filesystem>
#include <string>

namespace brimsel::updtool {

inline constexpr char kSecretKeyFileName[] = "vendor.key";
inline constexpr char kPublicKeyFileName[] = "vendor.pub";

// The first word of a key file, or the text itself when `fileOrKey` is no file but a key.
// Raises brimsel::Exception when neither.
std::string ReadKey(const std::string& fileOrKey, bool secret);

}  // namespace brimsel::updtool
