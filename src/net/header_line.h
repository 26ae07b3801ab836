#pragma once
// One header line of an HTTP reply, read from the package socket one byte at a time so
// that not one byte of the body after the blank line is taken from the connection.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace brimsel {
namespace platform {
class ClientConnection;
}

inline constexpr int kHeaderWaitMs = 60000;
// Header lines are short; a line that never ends is not let grow without limit.
inline constexpr std::size_t kMaxHeaderLine = 8 * 1024;

// The next line including its terminator, or an empty text when no complete line came:
// no byte within `waitMs`, the server closed, or `maxLength` bytes without the terminator.
// A connection error drops the connection and raises brimsel::Exception.
// With `keepWaiting`, the wait for each byte is cut into slices of kPumpIntervalMs, and
// `keepWaiting` is asked before every byte and after every slice that passed without one;
// when it answers false the line ends as if no complete line had come.
std::string ReadHeaderLine(platform::ClientConnection& socket, int waitMs, std::string_view terminator,
                           std::size_t maxLength = kMaxHeaderLine, const std::function<bool()>& keepWaiting = {});

}  // namespace brimsel
