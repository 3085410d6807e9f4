#include "platform/linux/display_probe.h"

#include <X11/Xlib.h>  // for the types only: the functions are looked up in the loaded library
#include <dlfcn.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace platform::x11 {

namespace {

struct Xlib {
    decltype(&XOpenDisplay) openDisplay = nullptr;
    decltype(&XCloseDisplay) closeDisplay = nullptr;
    decltype(&XSetIOErrorHandler) setIOErrorHandler = nullptr;
};

// Shared between the waiting caller and the connecting thread, which may outlive the wait.
struct PendingConnection {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    Display* display = nullptr;
};

// The connection the calling thread is making, if it is a connecting thread.
thread_local PendingConnection* connectingHere = nullptr;

// Xlib calls this when a connection breaks, and ends the process once it returns. A server
// that goes away while the connection is still being made (XOpenDisplay sends requests of its
// own) must not end the installer's job: the connecting thread, which the caller may abandon
// anyway, tells the caller there is no display and then stays here, never returning into Xlib.
// Once the window module watches the display, its own handler takes the place of this one.
int connectionBrokeWhileConnecting(Display*) {
    PendingConnection* const pending = connectingHere;
    if (pending == nullptr) return 0;
    {
        std::lock_guard lock(pending->mutex);
        pending->display = nullptr;
        pending->done = true;
        pending->finished.notify_one();
    }
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

// Xlib's functions, or null where the library cannot be loaded. Loaded once and never unloaded:
// an abandoned connecting thread may still be inside it, and the window module, which links the
// same library, finds it already loaded and shares it with this connection.
const Xlib* xlib() {
    static const Xlib* const loaded = []() -> const Xlib* {
        void* library = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) return nullptr;
        static Xlib functions;
        functions.openDisplay =
            reinterpret_cast<decltype(&XOpenDisplay)>(::dlsym(library, "XOpenDisplay"));
        functions.closeDisplay =
            reinterpret_cast<decltype(&XCloseDisplay)>(::dlsym(library, "XCloseDisplay"));
        functions.setIOErrorHandler =
            reinterpret_cast<decltype(&XSetIOErrorHandler)>(::dlsym(library, "XSetIOErrorHandler"));
        if (functions.openDisplay == nullptr || functions.closeDisplay == nullptr ||
            functions.setIOErrorHandler == nullptr) {
            return nullptr;
        }
        functions.setIOErrorHandler(connectionBrokeWhileConnecting);
        return &functions;
    }();
    return loaded;
}

}  // namespace

_XDisplay* openDisplayWithin(const char* name, std::chrono::milliseconds limit) {
    if (name == nullptr || *name == '\0') return nullptr;
    const Xlib* const x = xlib();
    if (x == nullptr) return nullptr;

    auto pending = std::make_shared<PendingConnection>();
    // The connection is made on its own thread because XOpenDisplay has no time limit of its
    // own; the thread is detached so that a server that never answers cannot hold the caller.
    std::thread([pending, x, displayName = std::string(name)] {
        connectingHere = pending.get();
        Display* display = x->openDisplay(displayName.c_str());
        connectingHere = nullptr;
        std::lock_guard lock(pending->mutex);
        if (pending->abandoned) {
            if (display != nullptr) x->closeDisplay(display);
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

void closeDisplay(_XDisplay* display) {
    // A connection exists only where xlib() has loaded the library.
    if (display != nullptr && xlib() != nullptr) xlib()->closeDisplay(display);
}

}  // namespace platform::x11
