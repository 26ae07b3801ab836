#pragma once
// The loopback blocks of this test program's servers (127.80.<block>.x): the package
// download always goes to port 80, so every server takes an address of its own.

namespace brimsel::test {
inline constexpr int kNetTestBlock = 1;
// Nothing ever listens here: connections are refused at once.
inline constexpr char kRefusingHost[] = "127.80.0.1";
}  // namespace brimsel::test
