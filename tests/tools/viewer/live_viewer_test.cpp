// The live viewer: a pair of descriptions followed through saves, and the server that answers
// the page, asked over HTTP in this process.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/tools/http/http_test_client.h"
#include "tests/tools/tool_test_support.h"
#include "tools/viewer/live_scenario.h"
#include "tools/viewer/viewer_server.h"

namespace tool {
namespace {

using json = nlohmann::json;
using testing::spit;
using testing::TempDir;

TEST(ViewerHost, OnlyTheLoopbackOrAnAddressWrittenOutIsAnswered) {
    struct Case {
        const char* host;
        bool loopbackOnly;
        bool allowed;
    };
    const Case cases[] = {
        {"127.0.0.1:8700", true, true},
        {"127.0.0.1", true, true},
        {"127.1.2.3:80", true, true},
        {"localhost:8700", true, true},
        {"LocalHost", true, true},
        {"[::1]:8700", true, true},
        {"[::1]", true, true},
        {"evil.example", true, false},
        {"evil.example:8700", true, false},
        {"localhost.evil.example", true, false},
        {"127.0.0.1.evil.example", true, false},
        {"10.0.0.1:8700", true, false},
        {"[fe80::1]:8700", true, false},
        {"", true, false},
        {"127.0.0.256", true, false},
        {"[::1", true, false},
        {"[::1]x", true, false},
        {"10.0.0.1:8700", false, true},
        {"[fe80::1]:8700", false, true},
        {"evil.example", false, false},
        {"1.2.3.4.5", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hostAllowed(c.host, c.loopbackOnly), c.allowed)
            << c.host << (c.loopbackOnly ? " (loopback only)" : "");
    }
}

class LiveViewer : public ::testing::Test {
  protected:
    void SetUp() override {
        line_ = scenario::content::encodeDocument(scenario::content::lineDescription());
        train_ = scenario::content::encodeDocument(scenario::content::trainDescription());
        spit(linePath(), line_);
        spit(trainPath(), train_);
    }
    std::string linePath() const { return dir_.file("GENOVA_TORINO_linea.txt"); }
    std::string trainPath() const { return dir_.file("GENOVA_TORINO_IC514-.txt"); }
    LiveSources sources() const { return {linePath(), trainPath(), "GENOVA_TORINO", "IC514"}; }

    // The train description with the signal at 2600 m moved onto the one at 1500 m, and the
    // line (from 1) of that record.
    std::pair<std::string, int> signalOnTakenCell() const {
        const std::size_t at = train_.find("segnale,    2600,");
        EXPECT_NE(at, std::string::npos);
        std::string edited = train_;
        edited.replace(at, 17, "segnale,    1500,");
        const int line =
            1 + static_cast<int>(std::count(train_.begin(), train_.begin() + at, '\n'));
        return {edited, line};
    }

    TempDir dir_;
    std::string line_;
    std::string train_;
};

json stateOf(const LiveScenario& live) {
    return json::parse(live.state()->json);
}

// Looks as the server does, 25 times a second, until a change is seen (at most 3 s): a file
// system with coarse times may give a quick save of the same size the stamp of the one before,
// and then the change shows when the bytes are compared in the seconds after a write.
bool changeSeen(LiveScenario& live) {
    for (int look = 0; look < 75; ++look) {
        if (live.refresh()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    return false;
}

TEST_F(LiveViewer, FollowsSavesAndKeepsTheLastGoodPictureWhileTheyFail) {
    LiveScenario live(sources());
    ASSERT_TRUE(live.refresh());
    json first = stateOf(live);
    EXPECT_EQ(first["version"], 1);
    EXPECT_FALSE(first["stale"]);
    EXPECT_EQ(first["errors"], 0);
    const auto stations = std::count_if(first["objects"].begin(), first["objects"].end(),
                                        [](const json& o) { return o["kind"] == "station"; });
    EXPECT_EQ(stations, 34);
    EXPECT_EQ(first["picture"]["lineEnd"], 169000);
    // Every object names the record that placed it, with the record's text.
    for (const json& o : first["objects"]) {
        ASSERT_FALSE(o["source"].is_null()) << o.dump();
        EXPECT_FALSE(o["source"]["text"].is_null()) << o.dump();
    }
    EXPECT_FALSE(live.refresh()) << "nothing changed, nothing compiled";

    const auto [edited, line] = signalOnTakenCell();
    spit(trainPath(), edited);
    ASSERT_TRUE(changeSeen(live));
    const json failing = stateOf(live);
    EXPECT_EQ(failing["version"], 2);
    EXPECT_TRUE(failing["stale"]);
    EXPECT_EQ(failing["pictureVersion"], 1);
    EXPECT_EQ(failing["objects"], first["objects"]);
    ASSERT_GE(failing["errors"], 1);
    const json& error = failing["diagnostics"][0];
    EXPECT_EQ(error["code"], 16);
    EXPECT_EQ(error["file"], trainPath());
    EXPECT_EQ(error["line"], line);
    EXPECT_NE(error["sourceLine"].get<std::string>().find("segnale,    1500,"), std::string::npos);
    EXPECT_TRUE(live.planSvg({}).has_value()) << "the last good picture is still drawn";

    spit(trainPath(), train_);
    ASSERT_TRUE(changeSeen(live));
    const json mended = stateOf(live);
    EXPECT_EQ(mended["version"], 3);
    EXPECT_FALSE(mended["stale"]);
    EXPECT_EQ(mended["pictureVersion"], 3);
    EXPECT_EQ(mended["errors"], 0);
    EXPECT_EQ(mended["objects"], first["objects"]);
}

TEST_F(LiveViewer, ADescriptionThatGoesAwayIsToldAndTheFirstFailureHasNoPicture) {
    spit(trainPath(), signalOnTakenCell().first);
    LiveScenario live(sources());
    ASSERT_TRUE(live.refresh());
    json state = stateOf(live);
    EXPECT_TRUE(state["stale"]);
    EXPECT_TRUE(state["pictureVersion"].is_null());
    EXPECT_FALSE(live.planSvg({}).has_value());

    std::filesystem::remove(testing::utf8Path(trainPath()));
    ASSERT_TRUE(changeSeen(live));
    state = stateOf(live);
    EXPECT_TRUE(state["stale"]);
    EXPECT_NE(state["problem"].get<std::string>().find("no such file"), std::string::npos);
}

TEST_F(LiveViewer, ServesItsRoutesOnlyAndStopsCleanly) {
    LiveScenario live(sources());
    live.refresh();
    ViewerServer server(live);
    const auto bound = server.bind("127.0.0.1", 0);
    ASSERT_TRUE(std::holds_alternative<int>(bound)) << std::get<std::string>(bound);
    const int port = std::get<int>(bound);
    std::thread serving([&] { server.run(); });

    struct Case {
        const char* path;
        int status;
        const char* type;  // the start of the content type, or nullptr
    };
    const Case cases[] = {
        {"/", 200, "text/html"},
        {"/viewer.js", 200, "application/javascript"},
        {"/viewer.css", 200, "text/css"},
        {"/api/state", 200, "application/json"},
        {"/plan.svg", 200, "image/svg+xml"},
        {"/profile.svg?from=35000&to=60000", 200, "image/svg+xml"},
        {"/profile.svg?from=60000&to=35000", 400, nullptr},
        {"/plan.svg?from=x&to=1", 400, nullptr},
        {"/plan.svg?width=1000&height=500", 200, "image/svg+xml"},
        {"/profile.svg?width=1000&height=300", 200, "image/svg+xml"},
        {"/plan.svg?width=100&height=500", 400, nullptr},
        {"/profile.svg?width=1000&height=9000", 400, nullptr},
        {"/profile.svg?width=1e3&height=300", 400, nullptr},
        {"/plan.svg?codes=apart", 200, "image/svg+xml"},
        {"/plan.svg?codes=only", 200, "image/svg+xml"},
        {"/plan.svg?codes=some", 400, nullptr},
        {"/index.html", 404, nullptr},
        {"/../../etc/passwd", 404, nullptr},
        {"/tools/viewer/page/viewer.js", 404, nullptr},
    };
    // One connection for all of them, as a browser keeps it.
    const platform::Socket client = testing::connectLocal(port);
    for (const Case& c : cases) {
        const testing::HttpReply reply = testing::roundTrip(client, testing::getRequest(c.path));
        EXPECT_EQ(reply.status, c.status) << c.path;
        if (c.type) {
            EXPECT_EQ(reply.header("Content-Type").value_or("").rfind(c.type, 0), 0u) << c.path;
        }
    }
    EXPECT_EQ(json::parse(testing::httpGet(port, "/api/state").body)["version"], 1);
    // A picture is drawn for the panel it is asked for.
    const std::string profile = testing::httpGet(port, "/profile.svg?width=1000&height=300").body;
    EXPECT_NE(profile.find("viewBox=\"0 0 1000.0 300.0\""), std::string::npos)
        << profile.substr(0, 300);

    // The plan with its approach codes apart holds none but says from which zoom one fits;
    // the codes alone are the drawn plan's, in the same places.
    const auto count = [](const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    const auto codesOf = [](const std::string& text) {
        const std::size_t from = text.find("<g class=\"approach-codes\"");
        return from == std::string::npos ? std::string()
                                         : text.substr(from, text.find("</svg>") - from);
    };
    const std::string drawn = testing::httpGet(port, "/plan.svg?width=1000&height=500").body;
    const std::string apart =
        testing::httpGet(port, "/plan.svg?width=1000&height=500&codes=apart").body;
    const std::string only =
        testing::httpGet(port, "/plan.svg?width=1000&height=500&codes=only").body;
    EXPECT_GT(count(drawn, "class=\"approach\""), 0u);
    EXPECT_EQ(count(apart, "class=\"approach\""), 0u);
    EXPECT_NE(apart.find("data-approach-codes-from=\""), std::string::npos);
    EXPECT_EQ(count(only, "class=\"approach\""), count(drawn, "class=\"approach\""));
    EXPECT_EQ(count(only, "data-cell="), 0u) << "nothing but the codes";
    EXPECT_NE(codesOf(drawn).find(codesOf(only).substr(0, codesOf(only).find("</g>\n</g>"))),
              std::string::npos);

    const platform::Socket foreign = testing::connectLocal(port);
    EXPECT_EQ(
        testing::roundTrip(foreign, "GET /api/state HTTP/1.1\r\nHost: evil.example\r\n\r\n").status,
        403);

    // The event stream sends the current state at once.
    const platform::Socket stream = testing::connectLocal(port);
    ASSERT_TRUE(testing::sendAll(stream, testing::getRequest("/api/events")));
    const std::string events = testing::receiveUntil(stream, [](const std::string& got) {
        const std::size_t head = got.find("\r\n\r\n");
        return head != std::string::npos && got.find("\n\n", head + 4) != std::string::npos;
    });
    const std::size_t start = events.find("\r\n\r\n") + 4;
    ASSERT_EQ(events.compare(start, 19, "event: state\ndata: "), 0) << events;
    const std::size_t data = start + 19;
    EXPECT_EQ(json::parse(events.substr(data, events.find("\n\n", data) - data))["version"], 1);

    // Stopping ends the server even with a page's event stream open.
    const auto stopping = std::chrono::steady_clock::now();
    server.stop();
    serving.join();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(3));
    EXPECT_TRUE(testing::receiveUntil(
                    stream, [](const std::string&) { return false; }, std::chrono::seconds(3))
                    .empty())
        << "the stream is closed";
}

TEST_F(LiveViewer, ServeRefusesWhatItCannotServeBeforeListening) {
    // A port already taken, held by a server of our own.
    LiveScenario live(sources());
    live.refresh();
    ViewerServer holder(live);
    const int taken = std::get<int>(holder.bind("127.0.0.1", 0));

    struct Case {
        std::vector<std::string> args;
        const char* words;  // on stderr
    };
    const Case cases[] = {
        {{"serve", dir_.file("absent_linea.txt"), trainPath(), "--port", "0"}, "no such file"},
        {{"serve", linePath(), dir_.file("absent-.txt"), "--port", "0"}, "no such file"},
        {{"serve", linePath(), trainPath(), "--port", std::to_string(taken)}, "cannot listen"},
        {{"serve", linePath(), trainPath(), "--listen", "192.0.2.1", "--port", "0"},
         "cannot listen"},
        {{"serve", linePath(), trainPath(), "--port", "70000"}, "70000"},
        {{"serve", linePath(), dir_.str(), "--port", "0"}, "not a plain file"},
        {{"serve", linePath(), trainPath(), "--listen", "", "--port", "0"}, "an address is needed"},
        {{"serve", linePath()}, "TRAIN_FILE"},
    };
    for (const Case& c : cases) {
        const testing::Outcome outcome = testing::runTool(c.args);
        EXPECT_EQ(outcome.status, 2) << c.args.back();
        EXPECT_NE(outcome.err.find(c.words), std::string::npos) << outcome.err;
    }
}

}  // namespace
}  // namespace tool
