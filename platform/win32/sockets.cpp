#include "platform/sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

namespace platform {
namespace {

SOCKET raw(const Socket& socket) {
    return static_cast<SOCKET>(socket.handle());
}

SocketHandle handleOf(SOCKET socket) {
    return socket == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(socket);
}

void startWinsock() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

std::string lastError() {
    return "system error " + std::to_string(WSAGetLastError());
}

void neverBlock(const Socket& socket) {
    u_long on = 1;
    ioctlsocket(raw(socket), FIONBIO, &on);
}

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() {
        if (first) freeaddrinfo(first);
    }
};

int portOf(const Socket& socket) {
    sockaddr_storage bound{};
    int length = sizeof bound;
    getsockname(raw(socket), reinterpret_cast<sockaddr*>(&bound), &length);
    return bound.ss_family == AF_INET6
               ? ntohs(reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port)
               : ntohs(reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
}

}  // namespace

void Socket::close() {
    if (handle_ != kNoSocket) closesocket(static_cast<SOCKET>(handle_));
    handle_ = kNoSocket;
}

std::variant<Listening, std::string> listenOn(const std::string& address, int port) {
    startWinsock();
    if (address.empty()) return std::string("no address given");
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    AddressList list;
    const std::string service = std::to_string(port);
    if (getaddrinfo(address.c_str(), service.c_str(), &hints, &list.first) != 0) {
        return lastError();
    }
    std::string why = "no address to listen on";
    for (const addrinfo* at = list.first; at; at = at->ai_next) {
        Socket socket(handleOf(::socket(at->ai_family, at->ai_socktype, at->ai_protocol)));
        if (!socket.valid()) {
            why = lastError();
            continue;
        }
        // The port is this listener's alone: without this Windows lets a second program bind it.
        BOOL exclusive = TRUE;
        setsockopt(raw(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                   reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
        if (::bind(raw(socket), at->ai_addr, static_cast<int>(at->ai_addrlen)) != 0 ||
            ::listen(raw(socket), SOMAXCONN) != 0) {
            why = lastError();
            continue;
        }
        neverBlock(socket);
        const int bound = portOf(socket);
        return Listening{std::move(socket), bound};
    }
    return why;
}

Socket acceptConnection(const Socket& listener) {
    Socket connection(handleOf(::accept(raw(listener), nullptr, nullptr)));
    if (connection.valid()) {
        neverBlock(connection);
        const BOOL noDelay = TRUE;
        setsockopt(raw(connection), IPPROTO_TCP, TCP_NODELAY,
                   reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    }
    return connection;
}

std::ptrdiff_t receiveSome(const Socket& socket, char* into, std::size_t size) {
    const int got = ::recv(raw(socket), into, static_cast<int>(size), 0);
    if (got >= 0) return got;
    return WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : kSocketFailed;
}

std::ptrdiff_t sendSome(const Socket& socket, const char* from, std::size_t size) {
    const int sent = ::send(raw(socket), from, static_cast<int>(size), 0);
    if (sent > 0) return sent;
    return sent < 0 && WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : kSocketFailed;
}

void finishSending(const Socket& socket) {
    ::shutdown(raw(socket), SD_SEND);
}

void pollSockets(std::vector<PollEntry>& entries, int timeoutMs) {
    std::vector<WSAPOLLFD> fds(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        fds[i].fd = static_cast<SOCKET>(entries[i].socket);
        fds[i].events = static_cast<SHORT>((entries[i].wantRead ? POLLRDNORM : 0) |
                                           (entries[i].wantWrite ? POLLWRNORM : 0));
    }
    if (WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), timeoutMs) <= 0) return;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const SHORT got = fds[i].revents;
        const bool failed = (got & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        entries[i].readable = (got & POLLRDNORM) != 0 || failed;
        entries[i].writable = (got & POLLWRNORM) != 0 || (failed && entries[i].wantWrite);
    }
}

std::pair<Socket, Socket> wakeUpPair() {
    auto listening = listenOn("127.0.0.1", 0);
    if (!std::holds_alternative<Listening>(listening)) return {};
    const Listening& listener = std::get<Listening>(listening);
    Socket sender = connectTo("127.0.0.1", listener.port);
    if (!sender.valid()) return {};
    // The connection is made; the listener hands it over at once.
    std::vector<PollEntry> wait{{listener.socket.handle(), true, false}};
    pollSockets(wait, 5000);
    Socket receiver = acceptConnection(listener.socket);
    if (!receiver.valid()) return {};
    neverBlock(sender);
    return {std::move(receiver), std::move(sender)};
}

Socket connectTo(const std::string& address, int port) {
    startWinsock();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    AddressList list;
    const std::string service = std::to_string(port);
    if (getaddrinfo(address.c_str(), service.c_str(), &hints, &list.first) != 0) return {};
    for (const addrinfo* at = list.first; at; at = at->ai_next) {
        Socket socket(handleOf(::socket(at->ai_family, at->ai_socktype, at->ai_protocol)));
        if (socket.valid() &&
            ::connect(raw(socket), at->ai_addr, static_cast<int>(at->ai_addrlen)) == 0) {
            return socket;
        }
    }
    return {};
}

}  // namespace platform
