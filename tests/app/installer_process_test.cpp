// Runs the built installer as a person would: a copy of the executable alone in a fresh
// directory, started from somewhere else, with no display and with one, and on a display where
// the window's libraries cannot be loaded. Also what the executable needs to start at all.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/exit_status.h"
#include "tests/app/test_support.h"
#include "tests/platform/child_process.h"

#if SCENARIO_GUI
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <link.h>

#include "tests/platform/scratch_mounts.h"
#include "tests/platform/ui_xvfb_server.h"
#endif

namespace app {
namespace {

using platform::testing::ChildOptions;
using platform::testing::ChildProcess;
using testing::listing;
using testing::slurp;
using testing::TempDir;
using Clock = std::chrono::steady_clock;

const std::set<std::string> kInstalled = {
    "genova_torino_ic514",
    "GENOVA_TORINO_IC514_note.txt",
    "GENOVA_TORINO_IC514_rallentamenti.txt",
    "GENOVA_TORINO_IC514_scheda_treno.txt",
    "GENOVA_TORINO_linea.dat",
    "GENOVA_TORINO_IC514.sim",
    "GENOVA_TORINO_IC514.dat",
};

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    for (std::string rest = path ? path : ""; !rest.empty();) {
        const std::size_t colon = rest.find(':');
        if (access((std::filesystem::path(rest.substr(0, colon)) / program).c_str(), X_OK) == 0) {
            return true;
        }
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
    }
    return false;
}

// A copy of the built installer alone in a fresh directory, and another directory to start it
// from: the files must go next to the executable, not into the current directory.
class InstallerCopy {
  public:
    InstallerCopy() {
        std::filesystem::copy_file(SCENARIO_INSTALLER_EXE, executable());
        std::filesystem::permissions(executable(), std::filesystem::perms::owner_all);
    }
    std::filesystem::path executable() const { return installDir.path() / "genova_torino_ic514"; }
    // Started from startDir, with standard error kept there in stderr.txt, on `display` (none
    // when empty) and with `environment` added to the test's own.
    ChildOptions startedFromElsewhere(const std::string& display = {},
                                      const std::vector<std::string>& environment = {}) const {
        return {.workDir = startDir.path(),
                .errorFile = startDir.path() / "stderr.txt",
                .display = display,
                .environment = environment};
    }

    TempDir installDir;
    TempDir startDir;
};

enum class DisplayKind { none, xvfb };

class InstallerProcessTest : public ::testing::TestWithParam<DisplayKind> {};

TEST_P(InstallerProcessTest, WritesTheDocumentsNextToItselfAndEndsByItself) {
    if (GetParam() == DisplayKind::xvfb && !onPath("xvfb-run")) {
        GTEST_SKIP() << "xvfb-run is not installed";
    }
    InstallerCopy installer;
    std::vector<std::string> argv = {installer.executable().string()};
    if (GetParam() == DisplayKind::xvfb) argv.insert(argv.begin(), {"xvfb-run", "-a"});

    ChildProcess run(argv, installer.startedFromElsewhere());
    ASSERT_TRUE(run.started());
    const std::optional<int> status = run.wait(std::chrono::seconds(180));

    ASSERT_TRUE(status.has_value()) << "the installer did not end by itself";
    EXPECT_EQ(*status, kExitSuccess) << run.standardError();
    EXPECT_EQ(run.standardError(), "");
    EXPECT_EQ(listing(installer.installDir.path()), kInstalled);
    EXPECT_EQ(listing(installer.startDir.path()), std::set<std::string>{"stderr.txt"});
}

INSTANTIATE_TEST_SUITE_P(Displays, InstallerProcessTest,
                         ::testing::Values(DisplayKind::none, DisplayKind::xvfb),
                         [](const ::testing::TestParamInfo<DisplayKind>& info) {
                             return info.param == DisplayKind::none ? "Headless" : "UnderXvfb";
                         });

TEST(InstallerFailureTest, WithoutADisplayAFailureIsToldOnStandardError) {
    InstallerCopy installer;
    std::filesystem::create_directory(installer.installDir.path() / "GENOVA_TORINO_IC514_note.txt");

    ChildProcess run({installer.executable().string()}, installer.startedFromElsewhere());
    ASSERT_TRUE(run.started());
    const std::optional<int> status = run.wait(std::chrono::seconds(180));

    ASSERT_TRUE(status.has_value()) << "the installer did not end by itself";
    EXPECT_EQ(*status, kExitFileSystemError);
    const std::string err = run.standardError();
    EXPECT_NE(err.find("GENOVA_TORINO_IC514_note.txt"), std::string::npos) << err;
    EXPECT_EQ(err.back(), '\n');
}

// The libraries the dynamic loader maps whenever the installer starts, as `ldd` lists them.
std::vector<std::string> librariesLoadedAtStart(const std::string& executable) {
    std::vector<std::string> names;
    FILE* ldd = ::popen(("ldd '" + executable + "' 2>&1").c_str(), "r");
    if (ldd == nullptr) return names;
    char line[4096];
    while (std::fgets(line, sizeof line, ldd) != nullptr) {
        // "\tlibc.so.6 => /lib/.../libc.so.6 (0x...)", "\t/lib64/ld-linux-x86-64.so.2 (0x...)"
        std::string entry(line);
        const std::size_t start = entry.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        entry = entry.substr(start, entry.find_first_of(" \t\n", start) - start);
        names.push_back(std::filesystem::path(entry).filename().string());
    }
    EXPECT_EQ(::pclose(ldd), 0) << "ldd failed on " << executable;
    return names;
}

// A run without a display must not pay for the window: the executable needs the C and C++
// runtimes only (and, in a sanitized build, the sanitizers' runtimes), never X11 or the toolkit.
TEST(InstallerImageTest, NeedsOnlyTheCAndCppRuntimesToStart) {
    const auto allowed = [](const std::string& name) {
        for (const char* runtime : {"linux-vdso.so", "linux-gate.so", "ld-linux", "libc.so",
                                    "libm.so", "libstdc++.so", "libgcc_s.so",
                                    // sanitized test builds only
                                    "libasan.so", "libubsan.so"}) {
            if (name.starts_with(runtime)) return true;
        }
        return false;
    };
    const std::vector<std::string> libraries = librariesLoadedAtStart(SCENARIO_INSTALLER_EXE);
    ASSERT_NE(std::find(libraries.begin(), libraries.end(), "libc.so.6"), libraries.end())
        << "ldd listed no C library";
    for (const auto& library : libraries) EXPECT_TRUE(allowed(library)) << library;
}

#if SCENARIO_GUI

// What a window manager sends when the user closes a window with its close button.
void closeLikeAWindowManager(::Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

bool viewable(::Display* display, Window window) {
    XWindowAttributes attributes{};
    return window != 0 && XGetWindowAttributes(display, window, &attributes) &&
           attributes.map_state == IsViewable;
}

// On a display, a failure shows the waiting window and then the message box, which keeps the
// installer waiting until it is closed; then the installer ends with the failure's status.
TEST(InstallerFailureTest, OnADisplayAFailureWaitsInItsMessageBoxUntilClosed) {
    const auto& server = platform::testing::XvfbServer::shared();
    if (!server.running()) GTEST_SKIP() << "Xvfb is not available";
    InstallerCopy installer;
    std::filesystem::create_directory(installer.installDir.path() / "GENOVA_TORINO_IC514_note.txt");
    ::Display* probe = XOpenDisplay(server.display().c_str());
    ASSERT_NE(probe, nullptr);

    ChildProcess run({installer.executable().string()},
                     installer.startedFromElsewhere(server.display()));
    ASSERT_TRUE(run.started());
    // The box is titled with the program's name.
    Window box = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (run.running() && Clock::now() < deadline && !viewable(probe, box)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        box = platform::testing::findWindow(probe, "genova_torino_ic514");
    }
    ASSERT_TRUE(viewable(probe, box)) << "no message box appeared; " << run.standardError();
    EXPECT_TRUE(viewable(probe, platform::testing::findWindow(probe, "B")));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(run.running()) << "the installer did not wait for its message box";

    closeLikeAWindowManager(probe, box);
    const std::optional<int> status = run.wait(std::chrono::seconds(60));
    XCloseDisplay(probe);

    ASSERT_TRUE(status.has_value()) << "closing the message box did not end the installer";
    EXPECT_EQ(*status, kExitFileSystemError);
    EXPECT_EQ(run.standardError(), "");
}

// The dynamic loader's account of the files it mapped in a run of the installer.
std::string loaderLog(const std::optional<std::string>& display) {
    InstallerCopy installer;
    TempDir logDir;
    ChildProcess run(
        {installer.executable().string()},
        installer.startedFromElsewhere(
            display.value_or(""),
            {"LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + (logDir.path() / "loader").string()}));
    EXPECT_TRUE(run.started());
    const std::optional<int> status = run.wait(std::chrono::seconds(180));
    EXPECT_EQ(status, std::optional<int>(kExitSuccess)) << run.standardError();
    EXPECT_EQ(listing(installer.installDir.path()), kInstalled);
    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator(logDir.path())) {
        log += slurp(entry.path().string());
    }
    return log;
}

// The lines of `log` that name `file`.
std::string linesNaming(const std::string& log, const std::string& file) {
    std::string lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.find(file) != std::string::npos) lines += line + "\n";
    }
    return lines;
}

TEST(InstallerWindowCodeTest, IsLoadedOnlyWhenADisplayAnswers) {
    const auto& server = platform::testing::XvfbServer::shared();
    if (!server.running()) GTEST_SKIP() << "Xvfb is not available";
    // The window module comes from a memory file, which the loader knows by its descriptor.
    const std::vector<std::string> windowCode = {"libX11.so.6", "libfltk.so.1.3", "/proc/self/fd/"};

    const std::string headless = loaderLog(std::nullopt);
    ASSERT_NE(linesNaming(headless, "libc.so.6"), "") << "the loader kept no log";
    for (const auto& file : windowCode) EXPECT_EQ(linesNaming(headless, file), "");

    const std::string onDisplay = loaderLog(server.display());
    for (const auto& file : windowCode) {
        EXPECT_NE(linesNaming(onDisplay, file), "") << file << " was not loaded";
    }
}

// The file the dynamic loader loads for `soname`, found by loading it. It stays loaded: what
// its initialisers allocate would otherwise be reported as leaked at exit.
std::optional<std::string> libraryFile(const char* soname) {
    void* library = ::dlopen(soname, RTLD_LAZY | RTLD_LOCAL);
    link_map* map = nullptr;
    if (library == nullptr || ::dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) {
        return std::nullopt;
    }
    return std::filesystem::canonical(map->l_name).string();
}

// A machine with a display but without X11's or the toolkit's libraries: the installer does its
// whole job without a window, and tells a failure on standard error instead of in a box.
TEST(InstallerWindowCodeTest, OnADisplayWithoutTheWindowLibrariesTheInstallerRunsHeadless) {
    const auto& server = platform::testing::XvfbServer::shared();
    if (!server.running()) GTEST_SKIP() << "Xvfb is not available";
    for (const char* soname : {"libX11.so.6", "libfltk.so.1.3"}) {
        SCOPED_TRACE(soname);
        const std::optional<std::string> file = libraryFile(soname);
        ASSERT_TRUE(file.has_value()) << "not installed here";
        auto hidden = platform::testing::ScratchMount::emptied(*file);
        if (!hidden.refusal().empty()) GTEST_SKIP() << hidden.refusal();

        {
            InstallerCopy installer;
            ChildProcess run({installer.executable().string()},
                             installer.startedFromElsewhere(server.display()));
            ASSERT_TRUE(run.started());
            const std::optional<int> status = run.wait(std::chrono::seconds(180));
            ASSERT_TRUE(status.has_value()) << "the installer did not end by itself";
            EXPECT_EQ(*status, kExitSuccess) << run.standardError();
            EXPECT_EQ(run.standardError(), "");
            EXPECT_EQ(listing(installer.installDir.path()), kInstalled);
        }
        {
            // With a window, this failure would wait in its message box until closed.
            InstallerCopy installer;
            std::filesystem::create_directory(installer.installDir.path() /
                                              "GENOVA_TORINO_IC514_note.txt");
            ChildProcess run({installer.executable().string()},
                             installer.startedFromElsewhere(server.display()));
            ASSERT_TRUE(run.started());
            const std::optional<int> status = run.wait(std::chrono::seconds(60));
            ASSERT_TRUE(status.has_value()) << "the installer waited: a message box was shown";
            EXPECT_EQ(*status, kExitFileSystemError);
            EXPECT_NE(run.standardError().find("GENOVA_TORINO_IC514_note.txt"), std::string::npos)
                << run.standardError();
        }
    }
}

#endif  // SCENARIO_GUI

}  // namespace
}  // namespace app
