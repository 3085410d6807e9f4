// The live viewer and what only a POSIX system can do to it: descriptions that are FIFOs or
// turn into one between a look and the reading, signals, and the bytes an idle viewer reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>

#include "content/scenario_content.h"
#include "content/text_writer.h"
#include "tests/tools/tool_test_support.h"
#include "tools/command_line/descriptions_in_memory.h"
#include "tools/viewer/live_scenario.h"

extern char** environ;

namespace tool {
namespace {

using Clock = std::chrono::steady_clock;
using testing::fixture;
using testing::slurp;
using testing::spit;
using testing::TempDir;

std::string carriedLine() {
    return scenario::content::encodeDocument(scenario::content::lineDescription());
}
std::string carriedTrain() {
    return scenario::content::encodeDocument(scenario::content::trainDescription());
}

// Looks as the server does, 25 times a second, until a change is seen (at most 3 s).
bool changeSeen(LiveScenario& live) {
    for (int look = 0; look < 75; ++look) {
        if (live.refresh()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    return false;
}

TEST(LiveViewerFifo, AFifoIsRefusedAtTheStartAndToldLaterWithoutBeingRead) {
    TempDir dir;
    const std::string line = dir.file("GENOVA_TORINO_linea.txt");
    const std::string train = dir.file("GENOVA_TORINO_IC514-.txt");
    spit(line, carriedLine());
    spit(train, carriedTrain());

    const std::string fifo = dir.file("fifo_linea.txt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The reading itself never waits for a writer: the FIFO is refused on the open handle.
    std::atomic<bool> done{false};
    std::optional<std::string> problem;
    std::thread reader([&] {
        std::string bytes;
        problem = readDescription(fifo, bytes, platform::FileTypes::plainOnly);
        done = true;
    });
    for (const auto end = Clock::now() + std::chrono::seconds(3); !done && Clock::now() < end;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(done) << "the reading waited for a writer";
    while (!done) {  // a writer lets a waiting reading go, so that the test ends
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    reader.join();
    EXPECT_EQ(problem, notPlainFile(fifo));

    const testing::Outcome refused = testing::runTool({"serve", fifo, train, "--port", "0"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("not a plain file"), std::string::npos) << refused.err;

    LiveScenario live({line, train, "GENOVA_TORINO", "IC514"});
    ASSERT_TRUE(live.refresh());
    std::filesystem::remove(train);
    ASSERT_EQ(mkfifo(train.c_str(), 0600), 0);
    ASSERT_TRUE(changeSeen(live));
    const auto state = nlohmann::json::parse(live.state()->json);
    EXPECT_TRUE(state["stale"]);
    EXPECT_NE(state["problem"].get<std::string>().find("not a plain file"), std::string::npos);
}

// A description renamed in a loop between a FIFO and a file: whichever the path names when the
// watcher opens it, the watcher comes back at once, tells a FIFO as the problem, and follows the
// saves that come after.
TEST(LiveViewerFifo, ADescriptionSwappedWithAFifoInALoopNeverHoldsTheWatcher) {
    TempDir dir;
    const std::string line = dir.file("GENOVA_TORINO_linea.txt");
    const std::string train = dir.file("GENOVA_TORINO_IC514-.txt");
    const std::string trainText = carriedTrain();
    spit(line, carriedLine());
    spit(train, trainText);
    LiveScenario live({line, train, "GENOVA_TORINO", "IC514"});
    ASSERT_TRUE(live.refresh());

    // One FIFO and one file, each linked in under a new name and renamed over the description in
    // turn, so that the path changes kind every few microseconds; the FIFO's name kept lets the
    // test release a watcher that would wait on it for a writer.
    const std::string fifo = dir.file("kept.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string file = dir.file("kept.txt");
    spit(file, trainText);
    std::atomic<bool> swapping{true};
    std::atomic<int> swaps{0};
    std::thread swapper([&] {
        const std::string fifoName = dir.file("swap.fifo");
        const std::string fileName = dir.file("swap.txt");
        while (swapping) {
            if (::link(fifo.c_str(), fifoName.c_str()) != 0 ||
                std::rename(fifoName.c_str(), train.c_str()) != 0 ||
                ::link(file.c_str(), fileName.c_str()) != 0 ||
                std::rename(fileName.c_str(), train.c_str()) != 0) {
                break;
            }
            ++swaps;
        }
    });
    std::atomic<bool> watching{true};
    std::atomic<bool> watcherDone{false};
    std::atomic<int> looks{0};
    std::atomic<int> fifosTold{0};
    std::thread watcher([&] {
        while (watching) {
            if (live.refresh() &&
                live.readProblem().find("not a plain file") != std::string::npos) {
                ++fifosTold;
            }
            ++looks;
        }
        watcherDone = true;
    });
    std::this_thread::sleep_for(std::chrono::seconds(4));
    swapping = false;
    swapper.join();
    watching = false;
    for (const auto end = Clock::now() + std::chrono::seconds(5);
         !watcherDone && Clock::now() < end;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(watcherDone) << "the watcher waited in the open of a FIFO";
    // A watcher held there is let go by a writer, so that the test ends all the same.
    while (!watcherDone) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    watcher.join();
    EXPECT_GT(swaps, 100);
    EXPECT_GT(looks, 4);
    EXPECT_GT(fifosTold, 0) << "the loop never showed the watcher a FIFO";

    // The description is a file again (the kept file's second name): a later save is seen and
    // compiled.
    std::filesystem::remove(train);
    const std::size_t at = trainText.find("segnale,    2600,");
    ASSERT_NE(at, std::string::npos);
    std::string edited = trainText;
    edited.replace(at, 17, "segnale,    1500,");
    spit(train, edited);
    ASSERT_TRUE(changeSeen(live));
    const auto state = nlohmann::json::parse(live.state()->json);
    EXPECT_TRUE(state["problem"].is_null()) << state["problem"];
    ASSERT_GE(state["errors"], 1);
    EXPECT_EQ(state["diagnostics"][0]["code"], 16);
}

// The bytes this process has read so far.
std::uint64_t bytesRead() {
    std::ifstream io("/proc/self/io");
    std::string name;
    std::uint64_t value = 0;
    while (io >> name >> value) {
        if (name == "rchar:") return value;
    }
    return 0;
}

// An idle viewer reads nothing: a description that holds still is looked at by its stamp alone,
// but in the seconds after a write, when a second save in the same tick of a coarse file clock
// could leave its stamp unchanged, its bytes are compared again.
TEST(LiveViewerIdle, ADescriptionThatHoldsStillIsNotReadAgain) {
    TempDir dir;
    const std::string line = dir.file("GENOVA_TORINO_linea.txt");
    const std::string train = dir.file("GENOVA_TORINO_IC514-.txt");
    std::string padded = carriedLine();
    padded.insert(padded.rfind("[fine]"), std::string(4'000'000, ' ') + "\r\n");
    spit(line, padded);
    spit(train, carriedTrain());
    namespace fs = std::filesystem;
    for (const std::string& path : {line, train}) {
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
    }
    LiveScenario live({line, train, "GENOVA_TORINO", "IC514"});
    ASSERT_TRUE(live.refresh());

    const auto readWhileLooking = [&](std::chrono::milliseconds span) {
        const std::uint64_t before = bytesRead();
        for (const auto end = Clock::now() + span; Clock::now() < end;) {
            EXPECT_FALSE(live.refresh());
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
        return bytesRead() - before;
    };
    EXPECT_LT(readWhileLooking(std::chrono::milliseconds(2500)), 1'000'000u);

    // The same bytes saved again: compared for a few seconds, then no more.
    spit(line, padded);
    EXPECT_GT(readWhileLooking(std::chrono::milliseconds(2000)), 4'000'000u);
    readWhileLooking(std::chrono::milliseconds(1500));
    EXPECT_LT(readWhileLooking(std::chrono::milliseconds(2500)), 1'000'000u);
}

// The built program under a signal, its two streams in files.
class ServeProcess {
  public:
    ServeProcess(const std::vector<std::string>& args, const TempDir& dir)
        : out_(dir.file("serve.out")) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, dir.file("serve.err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> all{SCENARIO_TOOL_EXE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, SCENARIO_TOOL_EXE, &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ServeProcess(const ServeProcess&) = delete;
    ServeProcess& operator=(const ServeProcess&) = delete;
    ~ServeProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    bool started() const { return pid_ > 0; }
    std::string out() const { return slurp(out_); }
    void signal(int number) const { ::kill(pid_, number); }

    // The raw wait status once the process has ended, if it does within `patience`.
    std::optional<int> endWithin(std::chrono::milliseconds patience) {
        for (const auto end = Clock::now() + patience; Clock::now() < end;) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return std::nullopt;
    }

  private:
    std::string out_;
    pid_t pid_ = -1;
};

// Ctrl-C and a polite kill end the server with status 0 and "Stopped." within a second, while
// it serves and while it is still compiling the descriptions for the first time.
TEST(ServeSignals, EndTheServerWithStoppedWithinASecond) {
    TempDir dir;
    spit(dir.file("GENOVA_TORINO_linea.txt"), carriedLine());
    spit(dir.file("GENOVA_TORINO_IC514-.txt"), carriedTrain());
    // Descriptions whose first look takes long: 50 failing signals make check compile the
    // 4 MB line description again for each.
    std::string slowLine = fixture(testing::kLineFixture);
    slowLine.insert(slowLine.rfind("[fine]"), std::string(4'000'000, ' ') + "\r\n");
    std::string slowTrain = fixture(testing::kTrainFixture);
    for (int i = 0; i < 60; ++i) {
        slowTrain =
            testing::withRecord(slowTrain, "segnale,  6000,  1, 1, 1,  0, 0,  1,  1,1,0, 0");
    }
    spit(dir.file("COLLE_MARE_linea.txt"), slowLine);
    spit(dir.file("COLLE_MARE_R2041-.txt"), slowTrain);

    const struct {
        int signal;
        bool firstCompilation;
    } cases[] = {{SIGTERM, true}, {SIGINT, true}, {SIGTERM, false}, {SIGINT, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(strsignal(c.signal)) +
                     (c.firstCompilation ? ", first compilation" : ", serving"));
        const std::string x = c.firstCompilation ? "COLLE_MARE" : "GENOVA_TORINO";
        const std::string y = c.firstCompilation ? "R2041" : "IC514";
        ServeProcess serve(
            {"serve", dir.file(x + "_linea.txt"), dir.file(x + "_" + y + "-.txt"), "--port", "0"},
            dir);
        ASSERT_TRUE(serve.started());
        if (c.firstCompilation) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            ASSERT_EQ(serve.out(), "") << "the first compilation was over before the signal";
        } else {
            for (const auto end = Clock::now() + std::chrono::seconds(60);
                 serve.out().find("version 1") == std::string::npos && Clock::now() < end;) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            ASSERT_NE(serve.out().find("version 1"), std::string::npos) << serve.out();
        }
        const auto signalled = Clock::now();
        serve.signal(c.signal);
        const std::optional<int> status = serve.endWithin(std::chrono::seconds(10));
        ASSERT_TRUE(status.has_value()) << "still running 10 s after the signal";
        EXPECT_LT(Clock::now() - signalled, std::chrono::seconds(1));
        ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
        EXPECT_EQ(WEXITSTATUS(*status), 0);
        const std::string out = serve.out();
        EXPECT_TRUE(out.ends_with("Stopped.\n")) << out;
    }
}

}  // namespace
}  // namespace tool
