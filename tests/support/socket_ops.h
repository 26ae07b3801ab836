#pragma once
// The socket calls of the test servers where POSIX sockets and Winsock differ, so that one
// server serves both suites. A socket is an int: a Winsock SOCKET of a 32-bit program fits.

#include <cstdint>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace brimsel::test::sockets {

inline constexpr int kNone = -1;

enum class Wait { Readable, Writable };

// A stream socket of `family` (AF_INET or AF_INET6), not inherited by child processes.
int OpenStream(int family);
void Close(int socket);
// True when the socket is ready within `timeoutMs`; false when the limit passes or on an error.
bool WaitFor(int socket, Wait what, int timeoutMs);
int Accept(int listening);
// A socket listening on `port` of the numeric `address` (0: any free port, then set to
// the one taken), or kNone with `error` set ("EACCES: ..." when rights are missing).
int Listen(const std::string& address, std::uint16_t& port, std::string& error);
// Abortive close: the peer sees a connection reset.
void Reset(int socket);
// Without SIGPIPE on a closed peer. Negative on an error.
long Send(int socket, const char* bytes, std::size_t count);
long Receive(int socket, char* buffer, std::size_t count, bool peek = false);
// After a failed call: the last error was an interruption worth retrying.
bool Interrupted();
// After a failed bind: the last error says the address needs rights the process lacks.
bool AccessDenied();
std::string LastErrorText();

}  // namespace brimsel::test::sockets
