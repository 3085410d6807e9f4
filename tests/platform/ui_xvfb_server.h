// A private Xvfb server for the tests that show the installer's window, and a look at the
// windows on it through a connection of the test's own.
#pragma once

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char** environ;

namespace platform::testing {

// An Xvfb server of its own, ended with the object; or one for the whole test program, started on
// first use, for tests whose toolkit keeps its display for the life of the process.
class XvfbServer {
  public:
    static XvfbServer& shared() {
        static XvfbServer server;
        return server;
    }
    bool running() const { return !display_.empty(); }
    const std::string& display() const { return display_; }
    // For tests that stop or end the server under a client: its process id.
    pid_t pid() const { return pid_; }

    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    XvfbServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        const std::string fd = std::to_string(fds[1]);
        // A black root: where the window failed to draw, the test sees black, not grey.
        const char* argv[] = {"Xvfb",       "-displayfd", fd.c_str(), "-screen", "0",
                              "640x480x24", "-nolisten",  "tcp",      "-br",     nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int spawned =
            posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (spawned != 0) {
            pid_ = -1;
            ::close(fds[0]);
            return;
        }
        // The server writes its display number once it accepts connections.
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&ready, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~XvfbServer() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);  // a stopped server would not act on a gentler signal
            waitpid(pid_, nullptr, 0);
        }
    }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

// The top-level window titled `title`, seen through a connection of the test's own.
inline Window findWindow(::Display* display, const char* title) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name != nullptr) {
            if (std::string(name) == title) found = children[i];
            XFree(name);
        }
    }
    if (children != nullptr) XFree(children);
    return found;
}

}  // namespace platform::testing
