#pragma once
// The scheme and host of the vendor's web site, with no trailing slash: the URL of the
// built-in server row and the base of the version query. Set when building, with the
// CMake cache variable BRIMSEL_VENDOR_SITE_URL.

#ifndef BRIMSEL_VENDOR_SITE_URL
#error "BRIMSEL_VENDOR_SITE_URL must be defined by the build"
#endif

namespace brimsel {

inline constexpr char kVendorSiteUrl[] = BRIMSEL_VENDOR_SITE_URL;

}  // namespace brimsel
