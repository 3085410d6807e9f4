#include "platform/linux/display_probe.h"

#include <X11/Xlib.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace platform::x11 {

namespace {

// Shared between the waiting caller and the connecting thread, which may outlive the wait.
struct PendingConnection {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    Display* display = nullptr;
};

}  // namespace

_XDisplay* openDisplayWithin(const char* name, std::chrono::milliseconds limit) {
    if (name == nullptr || *name == '\0') return nullptr;

    auto pending = std::make_shared<PendingConnection>();
    // The connection is made on its own thread because XOpenDisplay has no time limit of its
    // own; the thread is detached so that a server that never answers cannot hold the caller.
    std::thread([pending, displayName = std::string(name)] {
        Display* display = XOpenDisplay(displayName.c_str());
        std::lock_guard lock(pending->mutex);
        if (pending->abandoned) {
            if (display != nullptr) XCloseDisplay(display);
            return;
        }
        pending->display = display;
        pending->done = true;
        pending->finished.notify_one();
    }).detach();

    std::unique_lock lock(pending->mutex);
    if (!pending->finished.wait_for(lock, limit, [&] { return pending->done; })) {
        pending->abandoned = true;
        return nullptr;
    }
    return pending->display;
}

}  // namespace platform::x11
