#include "tools/viewer/serve_command.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <thread>

#include "tools/command_line/exit_status.h"
#include "tools/command_line/scenario_names.h"
#include "tools/command_line/terminal_text.h"
#include "tools/viewer/live_scenario.h"
#include "tools/viewer/viewer_server.h"

namespace tool {
namespace {

// How often the descriptions are looked at: a save reaches the page within this and the
// compile time.
constexpr auto kLookEvery = std::chrono::milliseconds(40);

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) {
    interrupted = true;
}

// Ctrl-C and a polite kill end the server; the previous handlers come back with it.
class InterruptCatcher {
  public:
    InterruptCatcher() {
        interrupted = false;
        previousInt_ = std::signal(SIGINT, onInterrupt);
        previousTerm_ = std::signal(SIGTERM, onInterrupt);
    }
    ~InterruptCatcher() {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
    }
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  private:
    using Handler = void (*)(int);
    Handler previousInt_ = nullptr;
    Handler previousTerm_ = nullptr;
};

std::string timeOfDay() {
    const std::time_t now = std::time(nullptr);
    char text[16] = "";
    if (const std::tm* local = std::localtime(&now)) {
        std::strftime(text, sizeof text, "%H:%M:%S", local);
    }
    return text;
}

std::string summaryOf(const LiveState& state) {
    std::string text =
        std::to_string(state.errors) + (state.errors == 1 ? " error, " : " errors, ") +
        std::to_string(state.warnings) + (state.warnings == 1 ? " warning" : " warnings");
    if (!state.problem.empty()) text += "; " + state.problem;
    if (state.stale) text += state.picture ? "; showing the last good picture" : "; no picture yet";
    char ms[32];
    std::snprintf(ms, sizeof ms, " (%.0f ms)", state.compileMilliseconds);
    return text + ms;
}

void tellState(const LiveState& state, std::ostream& out) {
    out << timeOfDay() << " version " << state.version << ": " << shownText(summaryOf(state))
        << '\n'
        << std::flush;
}

// How often the main thread looks for a signal: a signal ends the server within this and the
// time the server takes to stop.
constexpr auto kSignalLookEvery = std::chrono::milliseconds(20);
// How long a stopping server waits for a look at the descriptions that is under way; past it
// the process ends without it.
constexpr auto kLookFinishPatience = std::chrono::milliseconds(400);

// Ends the process at once with "Stopped.", status 0: for a signal that comes while the
// descriptions are being compiled, which cannot be broken off part way. The server writes no
// file and holds nothing another process could see half-done, so nothing is lost by not waiting
// for the compilation; the output is flushed first.
[[noreturn]] void stopNow(std::ostream& out, std::ostream& err) {
    out << "Stopped.\n" << std::flush;
    err.flush();
    std::fflush(nullptr);
    std::_Exit(out ? kExitCompiled : kExitOutputFailed);
}

// Waits until `done` or a signal; false on a signal.
bool waitUnlessInterrupted(const std::atomic<bool>& done) {
    while (!done) {
        if (interrupted) return false;
        std::this_thread::sleep_for(kSignalLookEvery);
    }
    return true;
}

LiveSources liveSources(const ServeOptions& options) {
    LiveSources sources{options.lineFile, options.trainFile, "LINE", "TRAIN"};
    if (options.lineName) {
        sources.lineName = *options.lineName;
    } else if (auto name = lineNameFromFile(options.lineFile)) {
        sources.lineName = *name;
    }
    if (options.trainName) {
        sources.trainName = *options.trainName;
    } else if (auto name = trainNameFromFile(options.trainFile, sources.lineName)) {
        sources.trainName = *name;
    }
    return sources;
}

// The first look: a description that cannot be read, is not a plain file (a FIFO, a device,
// which could block the server) or is above the limit is refused before anything is served.
// Returns the status of a run that ends there.
std::optional<int> takeFirstLook(LiveScenario& live, std::mutex& outputLock, std::ostream& out,
                                 std::ostream& err) {
    std::atomic<bool> firstLookDone{false};
    std::thread firstLook([&] {
        live.refresh();
        firstLookDone = true;
    });
    if (!waitUnlessInterrupted(firstLookDone)) {
        const std::lock_guard lock(outputLock);
        stopNow(out, err);
    }
    firstLook.join();
    if (!live.readProblem().empty()) {
        err << "scenario-tool: " << live.readProblem() << '\n';
        return kExitNothingWritten;
    }
    return std::nullopt;
}

// Binds the server and tells where it serves and what it shows first; returns the status of a
// run that ends there.
std::optional<int> bindAndTell(ViewerServer& server, const LiveScenario& live,
                               const ServeOptions& options, std::ostream& out, std::ostream& err) {
    const auto bound = server.bind(options.listen, options.port);
    if (const std::string* problem = std::get_if<std::string>(&bound)) {
        err << "scenario-tool: " << *problem << '\n';
        return kExitNothingWritten;
    }
    const int port = std::get<int>(bound);
    const bool ipv6 = options.listen.find(':') != std::string::npos;
    out << "Serving " << shownText(options.lineFile) << " and " << shownText(options.trainFile)
        << " at http://" << (ipv6 ? "[" + options.listen + "]" : options.listen) << ':' << port
        << "/ (Ctrl-C stops)\n";
    tellState(*live.state(), out);
    // A server whose address nobody can read serves no one: it stops before listening.
    if (!out) return kExitOutputFailed;
    return std::nullopt;
}

// Serves until a signal, with the descriptions looked at on a thread of their own that tells
// each new version; a look under way when the server stops is waited for a little, then left.
void serveUntilStopped(ViewerServer& server, LiveScenario& live, std::mutex& outputLock,
                       std::ostream& out, std::ostream& err) {
    std::atomic<bool> stopping{false};
    std::atomic<bool> watcherDone{false};
    std::thread watcher([&] {
        while (!stopping) {
            std::this_thread::sleep_for(kLookEvery);
            if (stopping) break;
            if (live.refresh()) {
                server.publish();
                const std::lock_guard lock(outputLock);
                tellState(*live.state(), out);
            }
        }
        watcherDone = true;
    });
    std::atomic<bool> serverEnded{false};
    std::thread serving([&] {
        server.run();
        serverEnded = true;
    });
    waitUnlessInterrupted(serverEnded);
    stopping = true;
    server.stop();
    serving.join();
    const auto patience = std::chrono::steady_clock::now() + kLookFinishPatience;
    while (!watcherDone && std::chrono::steady_clock::now() < patience) {
        std::this_thread::sleep_for(kSignalLookEvery);
    }
    if (!watcherDone) {
        const std::lock_guard lock(outputLock);
        stopNow(out, err);
    }
    watcher.join();
}

}  // namespace

// The main thread only waits for a signal; the descriptions are looked at and compiled on a
// thread of their own, and the server runs on another, so that a signal ends the server within
// a second whatever is being compiled, the first compilation included.
int runServe(const ServeOptions& options, std::ostream& out, std::ostream& err) {
    const InterruptCatcher catcher;
    LiveScenario live(liveSources(options));
    std::mutex outputLock;  // the watcher tells each new version while the main thread may stop
    if (const std::optional<int> status = takeFirstLook(live, outputLock, out, err)) {
        return *status;
    }
    ViewerServer server(live);
    if (const std::optional<int> status = bindAndTell(server, live, options, out, err)) {
        return *status;
    }
    serveUntilStopped(server, live, outputLock, out, err);
    out << "Stopped.\n" << std::flush;
    return kExitCompiled;
}

}  // namespace tool
