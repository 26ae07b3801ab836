#pragma once
// The limits of the program's waits on the network, shared by the whole-page fetch and the
// package socket: how often a wait lets the window run, and how long a server may take to
// accept a connection.

namespace brimsel::platform {

// A call that waits on the network pumps the message queue (ProcessMessages) at least this
// often, and reads the cancel flag it was given as often.
inline constexpr int kPumpIntervalMs = 50;
// A server that has not accepted a connection within this time counts as unreachable.
inline constexpr long kConnectTimeoutMs = 20000;

}  // namespace brimsel::platform
