#pragma once
// The two requests of the package download, byte for byte as the download servers know
// them: a HEAD for the length, then a GET with a byte range on a new connection.

#include <cstdint>
#include <string>
#include <string_view>

namespace brimsel {

inline constexpr int kPackagePort = 80;

std::string HeadRequest(std::string_view host, std::string_view path);
// The range header is sent as "RANGE", in capitals.
std::string GetRequest(std::string_view host, std::string_view path, std::int64_t startOffset);

}  // namespace brimsel
