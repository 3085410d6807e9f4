// A small HTTP/1.1 server for the tools' pages: a few GET routes and streams of server-sent
// events, served to a browser on the same machine. Everything a client controls is bounded:
// the request head (HeadLimits), bodies (refused, never read), the time a request may take to
// arrive, the connections and streams held open. One thread watches every connection and
// pushes events to every stream; a small fixed set of threads answers the routes, so that a
// slow picture never holds up a stream, and no client can hold a thread.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "tools/http/http_request.h"

namespace tool::http {

struct Response {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::shared_ptr<const std::string> body;  // none: an empty body
    std::vector<std::pair<std::string, std::string>> headers;

    static Response text(int status, std::string body);
    static Response of(std::string contentType, std::string body);
};

struct ServerLimits {
    HeadLimits head;
    // A request must arrive whole within this of its first byte.
    std::chrono::milliseconds headTime{3000};
    // A connection with nothing asked is closed after this.
    std::chrono::milliseconds idleTime{30000};
    // A response the client does not take within this (no byte taken) is dropped.
    std::chrono::milliseconds stalledTime{30000};
    // Open connections, event streams among them; past it the oldest idle one is closed.
    std::size_t connections = 256;
    std::size_t streams = 128;  // past it the oldest stream is closed
    std::size_t handlerThreads = 2;
    // An event stream sends a comment this often when it has nothing else to send.
    std::chrono::milliseconds keepAlive{15000};
};

struct ServerCounts {
    std::size_t connections = 0;
    std::size_t streams = 0;
};

class Server {
  public:
    using Handler = std::function<Response(const Request&)>;
    // Sees every request first; a response from it is sent instead of the route's.
    using Filter = std::function<std::optional<Response>(const Request&)>;

    explicit Server(ServerLimits limits = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Before run(): what the server answers. GET and HEAD only.
    void route(std::string path, Handler handler);
    // Before run(): a route answered to POST alone, with no request body (its arguments are in
    // the query): for an action, which a GET could set off from a link or a prefetch.
    void postRoute(std::string path, Handler handler);
    // A stream of server-sent events: each opened stream gets the latest event at once, then
    // each later one.
    void eventStream(std::string path);
    void filter(Filter filter);
    // Headers added to every answer.
    void commonHeader(std::string name, std::string value);

    // Binds `address`:`port` (0: any free port). Returns the port bound, or why not.
    std::variant<int, std::string> bind(const std::string& address, int port);
    // Serves until stop(); from one thread.
    void run();
    // Ends run(), closing every connection; from any thread.
    void stop();
    // Sends `event` (a whole "event: ...\ndata: ...\n\n" message) to every open stream, and
    // to every stream opened later until the next one; from any thread. A stream that has not
    // taken the one before gets only the newest.
    void broadcast(std::shared_ptr<const std::string> event);

    ServerCounts counts() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tool::http
