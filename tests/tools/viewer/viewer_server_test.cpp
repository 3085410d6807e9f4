// The live viewer's server against what a browser elsewhere, or a crowd of tabs, can send it:
// requests from pages of other sites are refused, and held sockets, streams and reloads by the
// dozen leave the state and the pictures answering at once.
#include "tools/viewer/viewer_server.h"

#include <gtest/gtest.h>

#include <thread>

#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/tools/http/http_test_client.h"
#include "tests/tools/tool_test_support.h"
#include "tools/viewer/live_scenario.h"

namespace tool {
namespace {

using testing::connectLocal;
using testing::getRequest;
using testing::receiveUntil;
using testing::roundTrip;
using testing::sendAll;

class ViewerServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::spit(dir_.file("L_linea.txt"),
                      scenario::content::encodeDocument(scenario::content::lineDescription()));
        testing::spit(dir_.file("L_T-.txt"),
                      scenario::content::encodeDocument(scenario::content::trainDescription()));
        live_.refresh();
        server_ = std::make_unique<ViewerServer>(live_);
        const auto bound = server_->bind("127.0.0.1", 0);
        ASSERT_TRUE(std::holds_alternative<int>(bound)) << std::get<std::string>(bound);
        port_ = std::get<int>(bound);
        serving_ = std::thread([this] { server_->run(); });
    }
    void TearDown() override {
        server_->stop();
        serving_.join();
    }

    testing::TempDir dir_;
    LiveScenario live_{{dir_.file("L_linea.txt"), dir_.file("L_T-.txt"), "L", "T"}};
    std::unique_ptr<ViewerServer> server_;
    std::thread serving_;
    int port_ = 0;
};

TEST_F(ViewerServerTest, APageOfAnotherSiteCannotReachIt) {
    const std::string host = "127.0.0.1:" + std::to_string(port_);
    // As a browser asks: the Host with its port.
    const auto ask = [&](const char* target, const std::string& headers) {
        return "GET " + std::string(target) + " HTTP/1.1\r\nHost: " + host + "\r\n" + headers +
               "\r\n";
    };
    struct Case {
        std::string request;
        int status;
    };
    const Case cases[] = {
        {getRequest("/api/state", "Origin: http://evil.example\r\n"), 403},
        {getRequest("/api/state", "Origin: null\r\n"), 403},
        {getRequest("/api/state", "Origin: http://127.0.0.1:1\r\n"), 403},
        {getRequest("/plan.svg", "Sec-Fetch-Site: cross-site\r\n"), 403},
        {getRequest("/plan.svg", "Sec-Fetch-Site: same-site\r\n"), 403},
        // A simple POST from another site's page: refused without reading its body.
        {"POST /api/state HTTP/1.1\r\nHost: localhost.\r\nOrigin: http://evil.example\r\n"
         "Content-Type: text/plain\r\nContent-Length: 300000000\r\n\r\n",
         413},
        {ask("/api/state", "Origin: http://" + host + "\r\n"), 200},
        {ask("/api/state", "Origin: http://localhost:" + std::to_string(port_) + "\r\n"), 403},
        {getRequest("/api/state", "Sec-Fetch-Site: same-origin\r\n"), 200},
        {getRequest("/", "Sec-Fetch-Site: none\r\n"), 200},
    };
    for (const Case& c : cases) {
        const platform::Socket socket = connectLocal(port_);
        EXPECT_EQ(roundTrip(socket, c.request).status, c.status) << c.request;
    }
}

TEST_F(ViewerServerTest, HeldSocketsStreamsAndReloadsLeaveItAnswering) {
    std::vector<platform::Socket> idle;
    std::vector<platform::Socket> streams;
    for (int i = 0; i < 64; ++i) idle.push_back(connectLocal(port_));
    for (int i = 0; i < 64; ++i) {
        streams.push_back(connectLocal(port_));
        sendAll(streams.back(), getRequest("/api/events"));
    }
    // 64 reloads: a page's requests, its stream opened and dropped.
    for (int i = 0; i < 64; ++i) {
        const platform::Socket page = connectLocal(port_);
        EXPECT_EQ(roundTrip(page, getRequest("/viewer.js")).status, 200);
        sendAll(page, getRequest("/api/events"));
    }
    for (const char* target : {"/api/state", "/plan.svg", "/profile.svg"}) {
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(testing::httpGet(port_, target).status, 200) << target;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1)) << target;
    }
    // Every held stream has had the state.
    for (const platform::Socket& stream : streams) {
        const std::string got = receiveUntil(stream, [](const std::string& s) {
            const std::size_t data = s.find("data: ");
            return data != std::string::npos && s.find("\n\n", data) != std::string::npos;
        });
        EXPECT_NE(got.find("event: state\ndata: {"), std::string::npos);
    }
}

}  // namespace
}  // namespace tool
