#pragma once
// The vendor's public key (64 hex digits of an Ed25519 key), set when building with the
// CMake cache variable BRIMSEL_VENDOR_PUBLIC_KEY. Empty: packages are installed unsigned.
// Only the program's entry reads it, so that a test build can carry a key of its own.

#ifndef BRIMSEL_VENDOR_PUBLIC_KEY
#error "BRIMSEL_VENDOR_PUBLIC_KEY must be defined by the build"
#endif

namespace brimsel {

inline constexpr char kVendorPublicKey[] = BRIMSEL_VENDOR_PUBLIC_KEY;

}  // namespace brimsel
