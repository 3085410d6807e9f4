// The window module's hold on a display that may go away. Xlib ends the process when its
// connection to the server breaks, and waits without end for a server that is stopped; either
// would end or hold the installer's whole job for the sake of a window. Here a broken connection
// only marks the display lost, a server that does not answer in time has its connection broken,
// and the window code, seeing the display lost, goes on as the headless Ui does.
#pragma once

#include <signal.h>

#include <chrono>

struct _XDisplay;  // Xlib's Display

namespace platform::x11 {

// Makes a broken connection to `display` mark it lost instead of ending the process. False when
// that cannot be done (an Xlib older than 1.7 ends the process whatever its handler does): the
// display must then not be used for a window.
bool watchDisplay(_XDisplay* display) noexcept;

// True once the connection to the watched display has broken or been given up.
bool displayLost() noexcept;

// While one exists, the X calls of this thread wait at most `limit` for the server: past it the
// connection is broken, and the waiting call returns through the lost-display path. A write to a
// connection the server has closed fails instead of ending the process with SIGPIPE.
class ServerDeadline {
  public:
    explicit ServerDeadline(std::chrono::milliseconds limit) noexcept;
    ~ServerDeadline();
    ServerDeadline(const ServerDeadline&) = delete;
    ServerDeadline& operator=(const ServerDeadline&) = delete;

  private:
    sigset_t previousMask_{};
    bool previouslyArmed_ = false;
    std::chrono::steady_clock::time_point previousDeadline_{};
};

}  // namespace platform::x11
