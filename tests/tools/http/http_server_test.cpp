// The tools' HTTP server under unkind clients: heads past their bounds, bodies, slow and idle
// connections, streams opened and dropped by the dozen. Each answer is read off the socket as a
// client would get it.
#include "tools/http/http_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/support/repeated_text.h"
#include "tests/tools/http/http_test_client.h"

namespace tool::http {
namespace {

using testing::connectLocal;
using testing::getRequest;
using testing::receiveUntil;
using testing::roundTrip;
using testing::sendAll;

using test_support::repeated;

TEST(HttpHead, EachBoundIsHeldAndABodyIsNeverTaken) {
    struct Case {
        const char* what;
        std::string head;
        HeadReader::Outcome outcome;
        int status;  // for a refusal
    };
    const HeadLimits limits;
    const std::string host = "Host: a\r\n";
    const Case cases[] = {
        {"plain", "GET /x?a=1 HTTP/1.1\r\n" + host + "\r\n", HeadReader::Outcome::complete, 0},
        {"bare line feeds", "GET / HTTP/1.0\n" + std::string("Host: a\n\n"),
         HeadReader::Outcome::complete, 0},
        {"not yet whole", "GET / HTTP/1.1\r\nHost: a\r\n", HeadReader::Outcome::incomplete, 0},
        {"request line too long",
         "GET /" + std::string(limits.requestLine, 'a') + " HTTP/1.1\r\n\r\n",
         HeadReader::Outcome::refused, 414},
        {"request line too long, still arriving", "GET /" + std::string(limits.requestLine, 'a'),
         HeadReader::Outcome::refused, 414},
        {"header line too long", "GET / HTTP/1.1\r\nX: " + std::string(limits.headerLine, 'a'),
         HeadReader::Outcome::refused, 431},
        {"too many headers",
         "GET / HTTP/1.1\r\n" + repeated("X: 1\r\n", limits.headerCount + 1) + "\r\n",
         HeadReader::Outcome::refused, 431},
        {"head too large",
         "GET / HTTP/1.1\r\n" +
             repeated("X: " + std::string(1000, 'a') + "\r\n", limits.headerCount - 1),
         HeadReader::Outcome::refused, 431},
        {"endless blank lines", std::string(limits.headBytes + 10, '\n'),
         HeadReader::Outcome::refused, 431},
        {"no version", "GET /\r\n\r\n", HeadReader::Outcome::refused, 400},
        {"another version", "GET / HTTP/2.0\r\n\r\n", HeadReader::Outcome::refused, 505},
        {"target not a path", "GET http://a/ HTTP/1.1\r\n\r\n", HeadReader::Outcome::refused, 400},
        {"bad escape", "GET /%zz HTTP/1.1\r\n\r\n", HeadReader::Outcome::refused, 400},
        {"header without colon", "GET / HTTP/1.1\r\nHost a\r\n\r\n", HeadReader::Outcome::refused,
         400},
    };
    for (const Case& c : cases) {
        // Whole, and a byte at a time: the same outcome either way.
        for (const bool trickled : {false, true}) {
            HeadReader reader(limits);
            HeadReader::Outcome outcome = HeadReader::Outcome::incomplete;
            for (std::size_t n = trickled ? 1 : c.head.size(); n <= c.head.size(); ++n) {
                outcome = reader.read(std::string_view(c.head).substr(0, n));
                if (outcome != HeadReader::Outcome::incomplete) break;
            }
            EXPECT_EQ(outcome, c.outcome) << c.what << (trickled ? ", trickled" : "");
            if (outcome == HeadReader::Outcome::refused) {
                EXPECT_EQ(reader.refusal().status, c.status) << c.what;
            }
        }
    }

    HeadReader reader;
    ASSERT_EQ(reader.read("GET /plan.svg?from=1%30&to=2+0 HTTP/1.1\r\nhOsT:  x \r\n"
                          "Content-Length: 12\r\n\r\nbody"),
              HeadReader::Outcome::complete);
    const Request& request = reader.request();
    EXPECT_EQ(request.path, "/plan.svg");
    EXPECT_EQ(request.parameter("from"), "10");
    EXPECT_EQ(request.parameter("to"), "2 0");
    EXPECT_EQ(request.header("Host"), "x");
    ASSERT_TRUE(refuseAnyBody(request));
    EXPECT_EQ(refuseAnyBody(request)->status, 413);
}

// A server with one route and one stream, and short times, on a port of its own.
class HttpServerTest : public ::testing::Test {
  protected:
    void start(ServerLimits limits) {
        server_ = std::make_unique<Server>(limits);
        server_->route("/hello", [](const Request&) { return Response::text(200, "hello\n"); });
        server_->postRoute("/act", [this](const Request&) {
            ++actions_;
            return Response::text(200, "done\n");
        });
        server_->eventStream("/events");
        server_->broadcast(std::make_shared<const std::string>("event: one\ndata: 1\n\n"));
        const auto bound = server_->bind("127.0.0.1", 0);
        ASSERT_TRUE(std::holds_alternative<int>(bound)) << std::get<std::string>(bound);
        port_ = std::get<int>(bound);
        serving_ = std::thread([this] { server_->run(); });
    }
    void TearDown() override {
        if (!server_) return;
        server_->stop();
        serving_.join();
    }

    // Waits up to 5 s for the server's counts to satisfy `ok`.
    template <typename Ok>
    bool countsBecome(Ok ok) {
        for (int i = 0; i < 500; ++i) {
            if (ok(server_->counts())) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    platform::Socket openStream() {
        platform::Socket stream = connectLocal(port_);
        sendAll(stream, getRequest("/events"));
        const std::string got = receiveUntil(stream, [](const std::string& s) {
            return s.find("data: 1\n\n") != std::string::npos;
        });
        EXPECT_NE(got.find("text/event-stream"), std::string::npos) << got;
        return stream;
    }

    std::unique_ptr<Server> server_;
    std::atomic<int> actions_{0};  // answers of the POST route
    std::thread serving_;
    int port_ = 0;
};

TEST_F(HttpServerTest, RefusesWhatItWillNotReadAndClosesTheConnection) {
    start({});
    struct Case {
        const char* what;
        std::string request;
        int status;
    };
    const Case cases[] = {
        {"a body announced",
         "POST /hello HTTP/1.1\r\nHost: a\r\nContent-Length: 2000000000\r\n\r\n", 413},
        {"a chunked body", "GET /hello HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n",
         413},
        {"a length that is no number", "GET /hello HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400},
        {"another method", "DELETE /hello HTTP/1.1\r\nHost: a\r\n\r\n", 405},
        {"garbage", std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n", 15), 400},
        {"a header too long", "GET /hello HTTP/1.1\r\nX: " + std::string(20000, 'a') + "\r\n\r\n",
         431},
    };
    for (const Case& c : cases) {
        const platform::Socket socket = connectLocal(port_);
        const testing::HttpReply reply = roundTrip(socket, c.request);
        EXPECT_EQ(reply.status, c.status) << c.what;
        EXPECT_EQ(reply.header("Connection"), "close") << c.what;
        EXPECT_TRUE(receiveUntil(socket, [](const std::string&) { return false; }).empty())
            << c.what << ": the connection is closed after the answer";
    }
    // Two requests in one send are both answered, in order.
    const platform::Socket socket = connectLocal(port_);
    ASSERT_TRUE(sendAll(socket, getRequest("/hello") + getRequest("/nothing")));
    const std::string both = receiveUntil(
        socket, [](const std::string& s) { return s.find("not found\n") != std::string::npos; });
    EXPECT_LT(both.find("200 OK"), both.find("404 Not Found")) << both;
}

// An action is answered to POST alone: a GET (a link, a prefetch) never sets it off, and a
// POST to a page is refused as before.
TEST_F(HttpServerTest, APostRouteActsOnPostAlone) {
    start({});
    struct Case {
        const char* what;
        std::string request;
        int status;
        const char* allow;
    };
    const Case cases[] = {
        {"a POST", "POST /act HTTP/1.1\r\nHost: a\r\n\r\n", 200, ""},
        {"a GET of the action", "GET /act HTTP/1.1\r\nHost: a\r\n\r\n", 405, "POST"},
        {"a HEAD of the action", "HEAD /act HTTP/1.1\r\nHost: a\r\n\r\n", 405, "POST"},
        {"a POST to a page", "POST /hello HTTP/1.1\r\nHost: a\r\n\r\n", 405, "GET, HEAD"},
        {"a POST with a body", "POST /act HTTP/1.1\r\nHost: a\r\nContent-Length: 3\r\n\r\nabc", 413,
         ""},
    };
    for (const Case& c : cases) {
        const platform::Socket socket = connectLocal(port_);
        const testing::HttpReply reply = roundTrip(socket, c.request);
        EXPECT_EQ(reply.status, c.status) << c.what;
        if (*c.allow) {
            EXPECT_EQ(reply.header("Allow"), c.allow) << c.what;
        }
    }
    EXPECT_EQ(actions_, 1);
}

TEST_F(HttpServerTest, EndlessHeaderLinesAreCutOffNotHeld) {
    start({});
    const platform::Socket socket = connectLocal(port_);
    // The server answers 431 after its head bound and closes soon after: sending stops failing
    // long before the 256 MB a client might try.
    const std::string lines = repeated("X-Filler: " + std::string(100, 'a') + "\r\n", 1000);
    std::size_t sent = 0;
    ASSERT_TRUE(sendAll(socket, "GET /hello HTTP/1.1\r\nHost: a\r\n"));
    while (sent < 256u * 1024 * 1024 && sendAll(socket, lines)) sent += lines.size();
    EXPECT_LT(sent, 64u * 1024 * 1024);
    EXPECT_TRUE(countsBecome([](ServerCounts c) { return c.connections == 0; }));
}

TEST_F(HttpServerTest, ARequestThatDoesNotArriveInTimeIsAnsweredAndClosed) {
    ServerLimits limits;
    limits.headTime = std::chrono::milliseconds(300);
    limits.idleTime = std::chrono::milliseconds(600);
    start(limits);
    const platform::Socket slow = connectLocal(port_);
    const platform::Socket idle = connectLocal(port_);
    ASSERT_TRUE(sendAll(slow, "GET /hello HTTP/1.1\r\nHo"));
    const auto started = std::chrono::steady_clock::now();
    const testing::HttpReply reply =
        testing::parseReply(receiveUntil(slow, [](const std::string&) { return false; }));
    EXPECT_EQ(reply.status, 408);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    // The idle connection goes too, once its time is up.
    EXPECT_TRUE(receiveUntil(idle, [](const std::string&) { return false; }).empty());
    EXPECT_TRUE(countsBecome([](ServerCounts c) { return c.connections == 0; }));
}

TEST_F(HttpServerTest, IdleSocketsAndStreamsCannotStarveTheServer) {
    ServerLimits limits;
    limits.connections = 24;
    limits.streams = 8;
    start(limits);
    std::vector<platform::Socket> held;
    for (int i = 0; i < 40; ++i) held.push_back(connectLocal(port_));
    for (int i = 0; i < 12; ++i) held.push_back(openStream());
    // The cap holds: the oldest idle sockets and streams went to make room.
    EXPECT_TRUE(countsBecome([&](ServerCounts c) {
        return c.connections <= limits.connections && c.streams <= limits.streams;
    }));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(testing::httpGet(port_, "/hello").status, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));

    // A stream closed by its page is noticed at once, not at its next keep-alive.
    held.clear();
    EXPECT_TRUE(countsBecome([](ServerCounts c) { return c.connections == 0; }));

    // Every open stream gets each event; a stream opened later gets the latest at once.
    platform::Socket first = openStream();
    server_->broadcast(std::make_shared<const std::string>("event: two\ndata: 2\n\n"));
    EXPECT_NE(
        receiveUntil(
            first, [](const std::string& s) { return s.find("data: 2\n\n") != std::string::npos; })
            .find("data: 2"),
        std::string::npos);
    platform::Socket later = connectLocal(port_);
    sendAll(later, getRequest("/events"));
    const std::string got = receiveUntil(
        later, [](const std::string& s) { return s.find("data: 2\n\n") != std::string::npos; });
    EXPECT_EQ(got.find("data: 1"), std::string::npos) << got;
    EXPECT_NE(got.find("data: 2"), std::string::npos) << got;
}

TEST_F(HttpServerTest, StopEndsEveryConnectionAtOnce) {
    start({});
    std::vector<platform::Socket> held;
    for (int i = 0; i < 4; ++i) held.push_back(openStream());
    held.push_back(connectLocal(port_));
    const auto stopping = std::chrono::steady_clock::now();
    server_->stop();
    serving_.join();
    server_.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(1));
    for (const platform::Socket& socket : held) {
        const auto reading = std::chrono::steady_clock::now();
        receiveUntil(
            socket, [](const std::string&) { return false; }, std::chrono::seconds(5));
        EXPECT_LT(std::chrono::steady_clock::now() - reading, std::chrono::seconds(2))
            << "the connection was closed by the stop";
    }
}

}  // namespace
}  // namespace tool::http
