#pragma once
// The host and the path of a package URL ("http://" in any letter case, optional, then the
// host, a slash and the path), as the package download splits it.

#include <string>
#include <string_view>

namespace brimsel {

// The text before the first "/" once blanks, control characters and the scheme are gone;
// a port written after a colon stays part of it.
std::string HostFromUrl(std::string_view url);
// The text after that first "/", unchanged (query and fragment included); empty when there
// is no slash.
std::string PathFromUrl(std::string_view url);

}  // namespace brimsel
