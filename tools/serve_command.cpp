#include "tools/serve_command.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <thread>

#include "platform/bounded_read.h"
#include "tools/exit_status.h"
#include "tools/live_scenario.h"
#include "tools/scenario_names.h"
#include "tools/unreadable_input.h"
#include "tools/viewer_server.h"

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
    InterruptCatcher()
        : previousInt_(std::signal(SIGINT, onInterrupt)),
          previousTerm_(std::signal(SIGTERM, onInterrupt)) {
        interrupted = false;
    }
    ~InterruptCatcher() {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
    }
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  private:
    using Handler = void (*)(int);
    Handler previousInt_;
    Handler previousTerm_;
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
    out << timeOfDay() << " version " << state.version << ": " << summaryOf(state) << '\n'
        << std::flush;
}

}  // namespace

int runServe(const ServeOptions& options, std::ostream& out, std::ostream& err) {
    for (const std::string& path : {options.lineFile, options.trainFile}) {
        if (isOtherThanPlainFile(path)) {
            err << "scenario-tool: " << notPlainFile(path) << '\n';
            return kExitNothingWritten;
        }
        const platform::BoundedRead read = platform::readFileAtMost(path, 1);
        if (read.status != platform::ReadStatus::ok) {
            err << "scenario-tool: " << unreadableInput(path, read.status, read.reason) << '\n';
            return kExitNothingWritten;
        }
    }
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

    LiveScenario live(sources);
    live.refresh();
    ViewerServer server(live);
    const auto bound = server.bind(options.listen, options.port);
    if (const std::string* problem = std::get_if<std::string>(&bound)) {
        err << "scenario-tool: " << *problem << '\n';
        return kExitNothingWritten;
    }
    const int port = std::get<int>(bound);
    const bool ipv6 = options.listen.find(':') != std::string::npos;
    out << "Serving " << options.lineFile << " and " << options.trainFile << " at http://"
        << (ipv6 ? "[" + options.listen + "]" : options.listen) << ':' << port
        << "/ (Ctrl-C stops)\n";
    tellState(*live.state(), out);
    // A server whose address nobody can read serves no one: it stops before listening.
    if (!out) return kExitOutputFailed;

    InterruptCatcher catcher;
    std::atomic<bool> serving{true};
    std::thread watcher([&] {
        while (serving) {
            std::this_thread::sleep_for(kLookEvery);
            if (interrupted) break;
            if (live.refresh()) {
                server.publish();
                tellState(*live.state(), out);
            }
        }
        server.stop();
    });
    server.run();
    serving = false;
    watcher.join();
    out << "Stopped.\n" << std::flush;
    return kExitCompiled;
}

}  // namespace tool
