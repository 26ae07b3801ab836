#pragma once
// What the package download takes from the header lines of a reply: the status code, the
// Content-Length and where a Content-Range starts.

#include <cstdint>
#include <optional>
#include <string_view>

namespace brimsel {

// The status code of a status line ("HTTP/1.1 206 Partial Content\r\n"); 0 when the line
// is not one.
int StatusCodeOf(std::string_view line);
inline bool IsSuccessStatus(int status) { return status >= 200 && status <= 299; }

// The value of a line that begins with "Content-Length: " (the name in any letter case,
// exactly one blank after the colon), blanks and control characters around the number
// removed; nothing for any other line. Raises brimsel::Exception when the value is not a
// decimal integer from 0 to 2147483647.
std::optional<std::int32_t> ContentLengthOf(std::string_view line);

// The first byte of a line "Content-Range: bytes FIRST-LAST/TOTAL" (the name in any letter
// case, blanks around the value allowed); -1 when a line of that name holds no such range;
// nothing for any other line.
std::optional<std::int64_t> ContentRangeStartOf(std::string_view line);

}  // namespace brimsel
