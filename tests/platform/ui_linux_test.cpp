// The installer's Ui on Linux: the headless fallback, the choice between window and headless,
// and, on a private Xvfb server, the waiting window and the message box as they appear.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "platform/ui.h"

#if SCENARIO_GUI
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/linux/display_probe.h"
#include "platform/linux/window_module_loader.h"
#include "tests/platform/ui_xvfb_server.h"
#endif

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// Sets DISPLAY (or removes it, for nullopt) for the life of the object.
class DisplayVariable {
  public:
    explicit DisplayVariable(const std::optional<std::string>& value) {
        if (const char* old = std::getenv("DISPLAY")) saved_ = old;
        set(value);
    }
    ~DisplayVariable() { set(saved_); }

  private:
    static void set(const std::optional<std::string>& value) {
        if (value) {
            setenv("DISPLAY", value->c_str(), 1);
        } else {
            unsetenv("DISPLAY");
        }
    }
    std::optional<std::string> saved_;
};

TEST(HeadlessUiTest, ShowsNothingAndWritesMessagesToStandardError) {
    const auto ui = makeHeadlessUi();
    ::testing::internal::CaptureStderr();
    ui->showWaitWindow();
    ui->showMessage(" Errore n. 1250");
    ui->close();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), " Errore n. 1250\n");
}

// A Ui that writes its message on standard error is the headless one: the window's message box
// would wait for a click instead.
TEST(MakeUiTest, GoesHeadlessWhenNoDisplayCanBeReached) {
    const std::optional<std::string> displays[] = {std::nullopt, "", ":4077"};
    ASSERT_NE(access("/tmp/.X11-unix/X4077", F_OK), 0) << "a server runs on display :4077";
    for (const auto& display : displays) {
        SCOPED_TRACE(display.value_or("(unset)"));
        DisplayVariable variable(display);
        const auto started = Clock::now();
        const auto ui = makeUi();
        EXPECT_LT(Clock::now() - started, std::chrono::seconds(3));
        ::testing::internal::CaptureStderr();
        ui->showMessage("prova");
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "prova\n");
    }
}

#if SCENARIO_GUI

// A TCP "X server" on the loopback address that takes connections and never answers them.
class SilentServer {
  public:
    SilentServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        for (int display = 150; fd_ >= 0 && display < 250; ++display) {
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<std::uint16_t>(6000 + display));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                listen(fd_, 4) == 0) {
                display_ = "127.0.0.1:" + std::to_string(display);
                return;
            }
        }
    }
    ~SilentServer() {
        if (fd_ >= 0) ::close(fd_);
    }
    const std::string& display() const { return display_; }

  private:
    int fd_ = -1;
    std::string display_;
};

TEST(DisplayProbeTest, GivesUpOnAServerThatNeverAnswers) {
    SilentServer server;
    ASSERT_FALSE(server.display().empty()) << "no free loopback port for the silent server";
    const auto started = Clock::now();
    EXPECT_EQ(x11::openDisplayWithin(server.display().c_str(), std::chrono::milliseconds(300)),
              nullptr);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(3));
}

// The distinct memory files this process has mapped under `name`, by their inode.
std::set<std::string> mappedMemoryFiles(const std::string& name) {
    std::set<std::string> inodes;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.find("/memfd:" + name) == std::string::npos) continue;
        // address perms offset device inode path
        std::istringstream fields(line);
        std::string address, perms, offset, device, inode;
        fields >> address >> perms >> offset >> device >> inode;
        inodes.insert(inode);
    }
    return inodes;
}

// The window module comes out of the program's own image, and one copy of it serves every Ui
// the process makes.
TEST(WindowModuleTest, IsLoadedFromTheProgramOnce) {
    x11::MakeWindowUi* const first = x11::loadWindowModule();
    ASSERT_NE(first, nullptr) << "the carried module cannot be loaded";
    EXPECT_EQ(x11::loadWindowModule(), first);
    EXPECT_EQ(mappedMemoryFiles("genova_torino_ic514-window").size(), 1u);
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::XvfbServer::shared().running()) GTEST_SKIP() << "Xvfb is not available";
        setenv("DISPLAY", testing::XvfbServer::shared().display().c_str(), 1);
    }
};

// The window is 4200 x 2688 twips and the label 960, 960, 2652 x 792 twips: at 15 twips a
// pixel, a 280 x 179 client area with the label at (64, 64), 177 x 53 pixels.
TEST_F(WindowTest, WaitWindowIsOnScreenAndPaintedWhenShowReturns) {
    const auto ui = makeUi();
    ui->showWaitWindow();
    // From here on the process handles no events, as during the installer's work: what the
    // server shows now is all the window will ever show.

    ::Display* probe = XOpenDisplay(testing::XvfbServer::shared().display().c_str());
    ASSERT_NE(probe, nullptr);
    const Window window = testing::findWindow(probe, "B");
    ASSERT_NE(window, 0u) << "no window titled B";
    XWindowAttributes attributes{};
    XGetWindowAttributes(probe, window, &attributes);
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_EQ(attributes.width, 280);
    EXPECT_EQ(attributes.height, 179);

    XImage* image = XGetImage(probe, window, 0, 0, 280, 179, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    const unsigned long background = XGetPixel(image, 2, 2);
    const auto level = [](unsigned long pixel) {  // the brightest of red, green and blue
        return std::max({(pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff});
    };
    EXPECT_GT(level(background), 0x80u) << "the window's background is not drawn";
    int strayPixels = 0;
    int textPixels = 0;
    int left = 280, right = -1, top = 179, bottom = -1;
    for (int y = 0; y < 179; ++y) {
        for (int x = 0; x < 280; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const bool insideLabel = x >= 64 && x < 64 + 177 && y >= 64 && y < 64 + 53;
            if (!insideLabel) {
                strayPixels += pixel != background;
            } else if (level(pixel) < 0x60) {
                ++textPixels;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    XDestroyImage(image);
    EXPECT_EQ(strayPixels, 0);
    EXPECT_GT(textPixels, 300);
    // "Attendere" in a 32-pixel bold face, from the label's top left corner.
    EXPECT_LE(left, 72);
    EXPECT_LE(top, 80);
    EXPECT_GE(right - left + 1, 120);
    EXPECT_GE(bottom - top + 1, 20);

    ui->close();
    EXPECT_EQ(testing::findWindow(probe, "B"), 0u) << "the window is still there after close";
    XCloseDisplay(probe);
}

// What the message box looked like while it was shown, and how the test dismissed it.
struct BoxVisit {
    bool found = false;
    bool modal = false;
    int children = 0;
    int okButtons = 0;
    bool textShown = false;
    bool dismissWithOk = true;
    std::string message;
};

void visitMessageBox(void* data) {
    auto& visit = *static_cast<BoxVisit*>(data);
    for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w)) {
        if (!w->modal()) continue;
        visit.found = true;
        visit.modal = true;
        visit.children = w->children();
        Fl_Button* ok = nullptr;
        for (int i = 0; i < w->children(); ++i) {
            Fl_Widget* child = w->child(i);
            const char* label = child->label();
            if (auto* button = dynamic_cast<Fl_Button*>(child)) {
                if (label != nullptr && std::string(label) == "OK") {
                    ++visit.okButtons;
                    ok = button;
                }
            } else if (label != nullptr && visit.message == label) {
                visit.textShown = true;
            }
        }
        if (visit.dismissWithOk && ok != nullptr) {
            ok->do_callback();
        } else {
            w->do_callback();  // what the window manager's close button does
        }
        return;
    }
}

void hideEveryWindow(void*) {
    while (Fl_Window* w = Fl::first_window()) w->hide();
}

TEST_F(WindowTest, MessageBoxShowsTheTextWithOneOkButtonAndReturnsWhenDismissed) {
    for (const bool withOk : {true, false}) {
        SCOPED_TRACE(withOk ? "OK pressed" : "box closed");
        const auto ui = makeUi();
        BoxVisit visit;
        visit.dismissWithOk = withOk;
        visit.message = " Errore n. 1250 in /tmp/a@b";
        Fl::add_timeout(0.2, visitMessageBox, &visit);
        Fl::add_timeout(10.0, hideEveryWindow);  // a box that ignores both must not hang the test

        ui->showMessage(visit.message);

        Fl::remove_timeout(hideEveryWindow);
        Fl::remove_timeout(visitMessageBox, &visit);
        ASSERT_TRUE(visit.found) << "no modal box was shown";
        EXPECT_EQ(visit.children, 2) << "the box holds more than its text and its button";
        EXPECT_EQ(visit.okButtons, 1);
        EXPECT_TRUE(visit.textShown);
    }
}

#endif  // SCENARIO_GUI

}  // namespace
}  // namespace platform
