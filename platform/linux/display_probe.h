// Finding out whether an X display can be used, without letting a missing or silent server stop
// or hang the installer: the window toolkit ends the process when it cannot open the display,
// and a server that accepts the connection but never answers would block it forever. Xlib itself
// is loaded only here, when there is a display name to try: the installer does not need it to
// start, and runs without a window on a machine that does not have it.
#pragma once

#include <chrono>

struct _XDisplay;  // Xlib's Display

namespace platform::x11 {

// How long the installer waits for the display before it goes on without a window.
inline constexpr std::chrono::milliseconds kDisplayWaitLimit{5000};

// Connects to the X display `name` (the DISPLAY variable's form). Returns the open connection,
// or nullptr when `name` is null or empty, Xlib cannot be loaded, the server cannot be reached,
// or it does not finish the connection within `limit`. A connection still pending at the limit
// is abandoned: it is closed if it ever completes, and never used.
_XDisplay* openDisplayWithin(const char* name, std::chrono::milliseconds limit);

// Closes a connection that openDisplayWithin returned and nothing else took over.
void closeDisplay(_XDisplay* display);

}  // namespace platform::x11
