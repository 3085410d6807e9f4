// TCP sockets for the tools' servers: listening, accepting, reading and writing without ever
// blocking, and waiting on many sockets at once. One implementation per system; the handles
// are the system's own, carried as a number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace platform {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// Owns one socket and closes it when it goes.
class Socket {
  public:
    Socket() = default;
    explicit Socket(SocketHandle handle) : handle_(handle) {}
    ~Socket() { close(); }
    Socket(Socket&& other) noexcept : handle_(std::exchange(other.handle_, kNoSocket)) {}
    Socket& operator=(Socket&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = std::exchange(other.handle_, kNoSocket);
        }
        return *this;
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    SocketHandle handle() const { return handle_; }
    bool valid() const { return handle_ != kNoSocket; }
    void close();

  private:
    SocketHandle handle_ = kNoSocket;
};

struct Listening {
    Socket socket;
    int port = 0;  // the port bound: the one asked for, or the one the system chose for 0
};

// Listens on `address` (a name or an address written out) and `port` (0: any free port), with
// the port to itself: a second listener on a taken port is refused rather than sharing it.
// The socket never blocks. Returns why not, in the system's words, when it cannot.
std::variant<Listening, std::string> listenOn(const std::string& address, int port);

// The next connection waiting on `listener`, never blocking; an invalid socket when none waits.
// The connection never blocks either, and sends small writes at once.
Socket acceptConnection(const Socket& listener);

// What a read or a write did: a count of bytes (> 0), or one of these.
inline constexpr std::ptrdiff_t kPeerClosed = 0;  // reads only: the other end has finished
inline constexpr std::ptrdiff_t kWouldBlock = -1;
inline constexpr std::ptrdiff_t kSocketFailed = -2;

std::ptrdiff_t receiveSome(const Socket& socket, char* into, std::size_t size);
// Never raises a signal when the other end has gone.
std::ptrdiff_t sendSome(const Socket& socket, const char* from, std::size_t size);
// No more writes from this end; the other end reads its end of the stream.
void finishSending(const Socket& socket);

struct PollEntry {
    SocketHandle socket = kNoSocket;
    bool wantRead = false;
    bool wantWrite = false;
    // Set by pollSockets:
    bool readable = false;  // also when the other end has closed or the socket failed
    bool writable = false;
};

// Waits until one of `entries` is ready or `timeoutMs` has passed; sets their flags.
void pollSockets(std::vector<PollEntry>& entries, int timeoutMs);

// Two connected sockets on the loopback: a byte sent on one wakes a poll waiting on the other,
// from any thread. Both never block.
std::pair<Socket, Socket> wakeUpPair();

// A blocking connection to `address`:`port`, for clients such as the tests; an invalid socket
// when it cannot be made.
Socket connectTo(const std::string& address, int port);

}  // namespace platform
