#include "platform/linux/display_watch.h"

#include <X11/Xlib.h>
#include <pthread.h>
#include <sys/socket.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Present from Xlib 1.7 on; looked up when the module is loaded, so that an older Xlib leaves the
// installer without a window rather than unable to load it.
#pragma weak XSetIOErrorExitHandler

namespace platform::x11 {

namespace {

std::atomic<bool> lost{false};

// Called by Xlib when the connection breaks. Returning is allowed because the exit handler
// below returns too: Xlib then marks the connection dead, and its later calls do nothing.
int noteBrokenConnection(Display*) {
    lost = true;
    return 0;
}

void goOnWithoutTheDisplay(Display*, void*) {
    lost = true;
}

// A thread that breaks the connection when an armed deadline passes. Shutting the socket down
// wakes the call blocked on it, which then sees the connection closed; the descriptor itself
// stays open, so no other file can take its number meanwhile.
struct Watchdog {
    std::mutex mutex;
    std::condition_variable changed;
    int connection = -1;
    bool armed = false;
    std::chrono::steady_clock::time_point deadline{};

    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            if (!armed) {
                changed.wait(lock);
            } else if (std::chrono::steady_clock::now() < deadline) {
                changed.wait_until(lock, deadline);
            } else {
                lost = true;
                ::shutdown(connection, SHUT_RDWR);
                armed = false;
            }
        }
    }
};

// Made once with its thread and never destroyed: the thread waits on it until the process ends.
Watchdog* watchdog = nullptr;

}  // namespace

bool watchDisplay(_XDisplay* display) noexcept {
    if (XSetIOErrorExitHandler == nullptr) return false;
    if (watchdog == nullptr) {
        try {
            auto* made = new Watchdog;
            std::thread([made] { made->run(); }).detach();
            watchdog = made;
        } catch (...) {
            return false;
        }
    }
    {
        std::lock_guard lock(watchdog->mutex);
        watchdog->connection = ConnectionNumber(display);
    }
    XSetIOErrorHandler(noteBrokenConnection);
    XSetIOErrorExitHandler(display, goOnWithoutTheDisplay, nullptr);
    return true;
}

bool displayLost() noexcept {
    return lost;
}

ServerDeadline::ServerDeadline(std::chrono::milliseconds limit) noexcept {
    // SIGPIPE goes to the thread that wrote; blocked here, the write fails with EPIPE instead.
    sigset_t brokenPipe;
    sigemptyset(&brokenPipe);
    sigaddset(&brokenPipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &brokenPipe, &previousMask_);
    if (watchdog == nullptr) return;
    std::lock_guard lock(watchdog->mutex);
    previouslyArmed_ = watchdog->armed;
    previousDeadline_ = watchdog->deadline;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    if (!watchdog->armed || deadline < watchdog->deadline) watchdog->deadline = deadline;
    watchdog->armed = true;
    watchdog->changed.notify_one();
}

ServerDeadline::~ServerDeadline() {
    if (watchdog != nullptr) {
        std::lock_guard lock(watchdog->mutex);
        watchdog->armed = previouslyArmed_ && watchdog->armed;
        watchdog->deadline = previousDeadline_;
        watchdog->changed.notify_one();
    }
    // A SIGPIPE raised while it was blocked here is discarded, not delivered on unblocking.
    if (!sigismember(&previousMask_, SIGPIPE)) {
        sigset_t pending;
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE)) {
            sigset_t brokenPipe;
            sigemptyset(&brokenPipe);
            sigaddset(&brokenPipe, SIGPIPE);
            const timespec now{};
            sigtimedwait(&brokenPipe, nullptr, &now);
        }
    }
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

}  // namespace platform::x11
