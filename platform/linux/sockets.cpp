#include "platform/sockets.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace platform {
namespace {

int fd(const Socket& socket) {
    return static_cast<int>(socket.handle());
}

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() {
        if (first) freeaddrinfo(first);
    }
};

}  // namespace

void Socket::close() {
    if (handle_ != kNoSocket) ::close(static_cast<int>(handle_));
    handle_ = kNoSocket;
}

std::variant<Listening, std::string> listenOn(const std::string& address, int port) {
    if (address.empty()) return std::string("no address given");
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    AddressList list;
    const std::string service = std::to_string(port);
    if (const int failed = getaddrinfo(address.c_str(), service.c_str(), &hints, &list.first)) {
        return std::string(gai_strerror(failed));
    }
    std::string why = "no address to listen on";
    for (const addrinfo* at = list.first; at; at = at->ai_next) {
        Socket socket(::socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                               at->ai_protocol));
        if (!socket.valid()) {
            why = std::strerror(errno);
            continue;
        }
        // An address still closing from an earlier run may be taken again at once; a port
        // another process listens on stays refused (no SO_REUSEPORT).
        const int reuse = 1;
        setsockopt(fd(socket), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
        if (::bind(fd(socket), at->ai_addr, at->ai_addrlen) != 0 ||
            ::listen(fd(socket), SOMAXCONN) != 0) {
            why = std::strerror(errno);
            continue;
        }
        sockaddr_storage bound{};
        socklen_t length = sizeof bound;
        getsockname(fd(socket), reinterpret_cast<sockaddr*>(&bound), &length);
        const int boundPort = bound.ss_family == AF_INET6
                                  ? ntohs(reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port)
                                  : ntohs(reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
        return Listening{std::move(socket), boundPort};
    }
    return why;
}

Socket acceptConnection(const Socket& listener) {
    Socket connection(::accept4(fd(listener), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (connection.valid()) {
        const int noDelay = 1;
        setsockopt(fd(connection), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    }
    return connection;
}

std::ptrdiff_t receiveSome(const Socket& socket, char* into, std::size_t size) {
    for (;;) {
        const ssize_t got = ::recv(fd(socket), into, size, 0);
        if (got >= 0) return got;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? kWouldBlock : kSocketFailed;
    }
}

std::ptrdiff_t sendSome(const Socket& socket, const char* from, std::size_t size) {
    for (;;) {
        const ssize_t sent = ::send(fd(socket), from, size, MSG_NOSIGNAL);
        if (sent > 0) return sent;
        if (sent < 0 && errno == EINTR) continue;
        return sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? kWouldBlock : kSocketFailed;
    }
}

void finishSending(const Socket& socket) {
    ::shutdown(fd(socket), SHUT_WR);
}

void pollSockets(std::vector<PollEntry>& entries, int timeoutMs) {
    std::vector<pollfd> fds(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        fds[i].fd = static_cast<int>(entries[i].socket);
        fds[i].events = static_cast<short>((entries[i].wantRead ? POLLIN : 0) |
                                           (entries[i].wantWrite ? POLLOUT : 0));
    }
    if (::poll(fds.data(), fds.size(), timeoutMs) <= 0) return;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const short got = fds[i].revents;
        const bool failed = (got & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        entries[i].readable = (got & POLLIN) != 0 || failed;
        entries[i].writable = (got & POLLOUT) != 0 || (failed && entries[i].wantWrite);
    }
}

std::pair<Socket, Socket> wakeUpPair() {
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0) {
        return {};
    }
    return {Socket(ends[0]), Socket(ends[1])};
}

Socket connectTo(const std::string& address, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    AddressList list;
    const std::string service = std::to_string(port);
    if (getaddrinfo(address.c_str(), service.c_str(), &hints, &list.first) != 0) return {};
    for (const addrinfo* at = list.first; at; at = at->ai_next) {
        Socket socket(::socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC, at->ai_protocol));
        if (socket.valid() && ::connect(fd(socket), at->ai_addr, at->ai_addrlen) == 0) {
            return socket;
        }
    }
    return {};
}

}  // namespace platform
