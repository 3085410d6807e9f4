// A plain HTTP client for the servers' tests: it sends exactly the bytes a test gives, so that a
// test can be as unkind as a client may be, and reads the answer as sent.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/sockets.h"

namespace tool::testing {

struct HttpReply {
    int status = 0;  // 0: no answer (the connection closed or timed out first)
    std::string head;
    std::string body;

    std::optional<std::string> header(std::string_view name) const {
        const std::string key = "\r\n" + std::string(name) + ": ";
        const std::size_t at = head.find(key);
        if (at == std::string::npos) return std::nullopt;
        const std::size_t start = at + key.size();
        return head.substr(start, head.find("\r\n", start) - start);
    }
};

inline platform::Socket connectLocal(int port) {
    return platform::connectTo("127.0.0.1", port);
}

// Sends all of `bytes`; false when the connection refuses them.
inline bool sendAll(const platform::Socket& socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const std::ptrdiff_t sent = platform::sendSome(socket, bytes.data(), bytes.size());
        if (sent == platform::kWouldBlock) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Reads until the connection ends, `enough` says so, or `patience` runs out.
template <typename Enough>
std::string receiveUntil(const platform::Socket& socket, Enough enough,
                         std::chrono::milliseconds patience = std::chrono::seconds(10)) {
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    char chunk[4096];
    while (!enough(received)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        std::vector<platform::PollEntry> wait{{socket.handle(), true, false}};
        platform::pollSockets(wait, static_cast<int>(left.count()));
        if (!wait[0].readable) continue;
        const std::ptrdiff_t got = platform::receiveSome(socket, chunk, sizeof chunk);
        if (got <= 0) break;
        received.append(chunk, static_cast<std::size_t>(got));
    }
    return received;
}

inline HttpReply parseReply(const std::string& received) {
    HttpReply reply;
    const std::size_t end = received.find("\r\n\r\n");
    if (received.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) return reply;
    reply.status = std::stoi(received.substr(9, 3));
    reply.head = received.substr(0, end + 2);
    reply.body = received.substr(end + 4);
    return reply;
}

// Whether `received` holds a whole answer: its head, and its body as long as it says.
inline bool wholeReply(const std::string& received) {
    const HttpReply reply = parseReply(received);
    if (reply.status == 0) return false;
    const auto length = reply.header("Content-Length");
    return length && reply.body.size() >= std::stoul(*length);
}

// One request on `socket`, its answer read whole.
inline HttpReply roundTrip(const platform::Socket& socket, std::string_view request,
                           std::chrono::milliseconds patience = std::chrono::seconds(10)) {
    if (!sendAll(socket, request)) return {};
    return parseReply(receiveUntil(socket, wholeReply, patience));
}

inline std::string getRequest(std::string_view target, std::string_view extraHeaders = {}) {
    return "GET " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
           std::string(extraHeaders) + "\r\n";
}

// A GET on a connection of its own.
inline HttpReply httpGet(int port, std::string_view target, std::string_view extraHeaders = {}) {
    const platform::Socket socket = connectLocal(port);
    return roundTrip(socket, getRequest(target, extraHeaders));
}

}  // namespace tool::testing
