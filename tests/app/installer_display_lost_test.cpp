// The built installer on a display that goes away while it runs: the X server killed, or stopped
// as a suspended session stops it. The window is not the job: the run goes on without it, ends
// with the status the job itself gives, writes exactly the files a run without a display writes,
// and a message that had been shown in a box reaches standard error. A stopped server holds the
// run for a bounded time only.
#if SCENARIO_GUI

#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <thread>

#include "app/exit_status.h"
#include "tests/app/test_support.h"
#include "tests/platform/child_process.h"
// Xlib's macros (None, Bool) would clash with GoogleTest's names: included after it.
#include <X11/Xlib.h>

#include "tests/platform/ui_xvfb_server.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using platform::testing::ChildProcess;
using platform::testing::XvfbServer;
using testing::listing;
using testing::slurp;
using testing::TempDir;

constexpr const char* kExecutable = "genova_torino_ic514";
// The most a stopped server may hold a run: the painting of the window and one unanswered
// request, 5 seconds each; and a margin for a loaded machine.
constexpr auto kStoppedServerLimit = std::chrono::seconds(10);
constexpr auto kMargin = std::chrono::seconds(5);

// Every file in `dir` but the installer, with its bytes.
std::map<std::string, std::string> filesIn(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const std::string& name : listing(dir)) {
        if (name != kExecutable)
            files[name] = fs::is_directory(dir / name) ? "<dir>" : slurp((dir / name).string());
    }
    return files;
}

// A folder holding the installer; for a run that fails, a directory where the route file goes,
// so that the run ends with a message box.
struct Folder {
    explicit Folder(bool failing) {
        fs::copy_file(SCENARIO_INSTALLER_EXE, dir.path() / kExecutable);
        fs::permissions(dir.path() / kExecutable, fs::perms::owner_all);
        if (failing) fs::create_directory(dir.path() / "GENOVA_TORINO_IC514.dat");
    }
    std::string executable() const { return (dir.path() / kExecutable).string(); }

    TempDir dir;
    TempDir work;
};

struct Outcome {
    std::optional<int> status;
    std::string standardError;
    std::map<std::string, std::string> files;
    Clock::duration took{};
};

// Runs the installer in a fresh folder; `whileRunning` acts on the server meanwhile.
Outcome run(bool failing, const std::string& display,
            const std::function<void(ChildProcess&)>& whileRunning = {}) {
    Folder folder(failing);
    const auto start = Clock::now();
    ChildProcess child({folder.executable()}, {.workDir = folder.work.path(),
                                               .errorFile = folder.work.path() / "stderr.txt",
                                               .display = display});
    if (whileRunning) whileRunning(child);
    Outcome outcome;
    outcome.status = child.wait(std::chrono::seconds(60));
    outcome.took = Clock::now() - start;
    // The folder's name, which differs from run to run, as one word.
    outcome.standardError = child.standardError();
    const std::string dir = fs::canonical(folder.dir.path()).string();
    for (std::size_t at; (at = outcome.standardError.find(dir)) != std::string::npos;) {
        outcome.standardError.replace(at, dir.size(), "FOLDER");
    }
    outcome.files = filesIn(folder.dir.path());
    return outcome;
}

// What a run without a display does, to compare with.
const Outcome& headless(bool failing) {
    static const Outcome succeeding = run(false, "");
    static const Outcome failed = run(true, "");
    return failing ? failed : succeeding;
}

// Waits until the installer's window titled `title` is on `display`; false when it does not
// come.
bool waitForWindow(const std::string& display, const char* title) {
    ::Display* own = XOpenDisplay(display.c_str());
    if (own == nullptr) return false;
    bool found = false;
    for (const auto deadline = Clock::now() + std::chrono::seconds(20);
         !found && Clock::now() < deadline;
         std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        found = platform::testing::findWindow(own, title) != 0;
    }
    // Closed before the server goes: a broken connection would end this test program.
    XCloseDisplay(own);
    return found;
}

class InstallerDisplayLostTest : public ::testing::Test {
  protected:
    // Xlib keeps a copy of a string of its own when the server goes away while a connection is
    // being made; the leak is the library's, and the sanitized installer would report it at its
    // exit as a failure. Only that library's leaks are let pass.
    static void SetUpTestSuite() {
        static const TempDir dir;
        const std::filesystem::path file = dir.path() / "xlib.supp";
        std::ofstream(file) << "leak:libX11.so\n";
        std::string options = "suppressions=" + file.string();
        if (const char* before = std::getenv("LSAN_OPTIONS")) options = before + (":" + options);
        ::setenv("LSAN_OPTIONS", options.c_str(), 1);
    }

    void SetUp() override {
        ASSERT_EQ(headless(false).status, kExitSuccess) << headless(false).standardError;
        ASSERT_EQ(headless(true).status, kExitFileSystemError);
        ASSERT_NE(headless(true).standardError, "");
    }

    // The run ended by itself with the job's own status, said what a run without a display says,
    // and left the same files.
    static void expectAsWithoutADisplay(const Outcome& outcome, bool failing) {
        const Outcome& reference = headless(failing);
        EXPECT_EQ(outcome.status, reference.status);
        EXPECT_EQ(outcome.standardError, reference.standardError);
        EXPECT_TRUE(outcome.files == reference.files) << "not the files of a run without a display";
    }
};

// The server killed or stopped at moments through a run that succeeds: while the installer
// connects, loads its window, paints it, works and closes it.
TEST_F(InstallerDisplayLostTest, TheJobGoesOnWhenTheServerIsKilledOrStoppedPartWay) {
    // A moment in milliseconds after the start, or kOnceShown: as soon as the waiting window
    // is on the screen, while it is painted or the work goes on.
    constexpr int kOnceShown = -1;
    const struct {
        int signal;
        std::initializer_list<int> moments;
    } cases[] = {
        {SIGKILL, {0, 10, 25, 40, 60, 80, 120, kOnceShown}},
        // Each costs up to the bound: fewer moments.
        {SIGSTOP, {0, 30, kOnceShown}},
    };
    for (const auto& [signal, moments] : cases) {
        for (const int moment : moments) {
            SCOPED_TRACE(std::string(signal == SIGKILL ? "killed" : "stopped") + " at " +
                         (moment == kOnceShown ? "the window" : std::to_string(moment) + " ms"));
            XvfbServer server;
            if (!server.running()) GTEST_SKIP() << "no Xvfb to start";
            const Outcome outcome = run(false, server.display(), [&](ChildProcess&) {
                if (moment == kOnceShown) {
                    EXPECT_TRUE(waitForWindow(server.display(), "B")) << "no waiting window";
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(moment));
                }
                ::kill(server.pid(), signal);
            });
            expectAsWithoutADisplay(outcome, false);
            EXPECT_LT(outcome.took, kStoppedServerLimit + kMargin);
        }
    }
}

// The server killed or stopped while a failure is shown in a message box: the message goes to
// standard error, and the run ends with the failure's status.
TEST_F(InstallerDisplayLostTest, AMessageBoxOnALostServerReachesStandardError) {
    for (const int signal : {SIGKILL, SIGSTOP}) {
        SCOPED_TRACE(signal == SIGKILL ? "killed" : "stopped");
        XvfbServer server;
        if (!server.running()) GTEST_SKIP() << "no Xvfb to start";
        Clock::duration untilTold{};
        const Outcome outcome = run(true, server.display(), [&](ChildProcess& child) {
            ASSERT_TRUE(waitForWindow(server.display(), kExecutable)) << "no message box";
            ::kill(server.pid(), signal);
            const auto lost = Clock::now();
            while (child.standardError().empty() && child.running()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            untilTold = Clock::now() - lost;
        });
        expectAsWithoutADisplay(outcome, true);
        // A box checks every second that the server answers, and waits 5 seconds for the answer.
        EXPECT_LT(untilTold, std::chrono::seconds(6) + kMargin);
    }
}

}  // namespace
}  // namespace app

#endif  // SCENARIO_GUI
