// The live viewer's HTTP server: one page carried in the program, the state of a LiveScenario
// as JSON, its pictures as SVG, and a stream of server-sent events that tells the page of each
// new state. It answers only these routes; no request path ever reaches the file system, and a
// request addressed to a name other than the loopback's (DNS rebinding) is refused.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "tools/viewer/live_scenario.h"

namespace tool {

// Whether a request's Host header may be answered: the loopback's name or address (127.0.0.1,
// any 127.x.y.z, ::1, localhost), with or without a port. A server listening beyond the
// loopback also takes an IP address written out, which no DNS answer can point elsewhere.
bool hostAllowed(std::string_view host, bool loopbackOnly);

class ViewerServer {
  public:
    explicit ViewerServer(const LiveScenario& scenario);
    ~ViewerServer();
    ViewerServer(const ViewerServer&) = delete;
    ViewerServer& operator=(const ViewerServer&) = delete;

    // Links the page to an editor, before run(): the page then says it has one, and selecting
    // an object on it asks `open` for the record that placed it, by description ("line" or
    // "train") and line (from 1). `open` runs on a handler thread; it returns whether the
    // record could be asked for.
    using RecordOpener = std::function<bool(std::string_view description, int line)>;
    void linkEditor(RecordOpener open);

    // Binds `address`:`port` (0: any free port). Returns the port bound, or why it could not.
    std::variant<int, std::string> bind(const std::string& address, int port);
    // Serves until stop() is called; from one thread.
    void run();
    // Ends run() and every open event stream; from any thread.
    void stop();
    // The scenario has a new state: every open event stream sends it.
    void publish();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tool
