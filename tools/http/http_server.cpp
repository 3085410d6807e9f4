#include "tools/http/http_server.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <new>
#include <thread>

#include "platform/sockets.h"
#include "tools/http/http_response.h"

namespace tool::http {

Response Response::text(int status, std::string body) {
    Response response;
    response.status = status;
    response.body = std::make_shared<const std::string>(std::move(body));
    return response;
}

Response Response::of(std::string contentType, std::string body) {
    Response response;
    response.contentType = std::move(contentType);
    response.body = std::make_shared<const std::string>(std::move(body));
    return response;
}

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::shared_ptr<const std::string>;

// A refused request's connection is read and thrown away for a moment after the answer, so
// that the client sees the answer rather than a reset; at most this much, for at most this long.
constexpr std::size_t kLingerBytes = 1 << 20;
constexpr auto kLingerTime = std::chrono::seconds(1);
constexpr std::size_t kReadChunk = 16 * 1024;

struct Chunk {
    Bytes bytes;
    std::size_t offset = 0;
};

enum class Phase {
    reading,    // waiting for a request's head
    answering,  // a handler thread is making the answer
    writing,    // sending an answer
    streaming,  // an event stream: sends events until the client goes
    closing,    // answered and closing: what the client still sends is thrown away
};

struct Connection {
    Connection(std::uint64_t i, platform::Socket s, HeadLimits limits, Clock::time_point now)
        : id(i), socket(std::move(s)), reader(limits), lastActivity(now) {}

    std::uint64_t id;
    platform::Socket socket;
    std::string received;
    HeadReader reader;
    Phase phase = Phase::reading;
    std::deque<Chunk> outgoing;
    Bytes pendingEvent;  // a stream's newest event, waiting for the one before to be taken
    Bytes lastEvent;     // the newest event a stream was given: never given twice
    bool closeAfterWrite = false;
    bool requestWaiting = false;  // bytes of a next request came with the last one
    bool closed = false;
    std::size_t discarded = 0;
    Clock::time_point lastActivity;  // a byte in or out, or the phase's start
    Clock::time_point requestStarted{};
};

struct Job {
    std::uint64_t connection = 0;
    Request request;
    const Server::Handler* handler = nullptr;
};

struct Answer {
    std::uint64_t connection = 0;
    Response response;
    bool headOnly = false;
    bool close = false;
};

const Bytes& keepAliveComment() {
    static const Bytes comment = std::make_shared<const std::string>(": still here\n\n");
    return comment;
}

}  // namespace

struct Server::Impl {
    explicit Impl(ServerLimits l) : limits(l) {}

    // Run by the serving thread.
    void serve();
    std::vector<platform::PollEntry> pollList(std::vector<std::uint64_t>& ids) const;
    int pollTimeout(Clock::time_point now) const;
    std::optional<Clock::time_point> deadlineOf(const Connection& c) const;
    void acceptWaiting(Clock::time_point now);
    bool makeRoom();
    void onReadable(Connection& c, Clock::time_point now);
    void onWritable(Connection& c, Clock::time_point now);
    void advance(Connection& c, Clock::time_point now);
    void dispatch(Connection& c, const Request& request, Clock::time_point now);
    void startStream(Connection& c, Clock::time_point now);
    void respond(Connection& c, const Response& response, bool headOnly, bool close,
                 Clock::time_point now);
    void finishClosing(Connection& c, Clock::time_point now);
    void expire(Connection& c, Clock::time_point now);
    void takeAnswers(Clock::time_point now);
    void takeEvent(Clock::time_point now);
    void offerEvent(Connection& c, const Bytes& event);
    void removeClosed();

    // Run by the handler threads.
    void answerJobs();

    void wake();

    ServerLimits limits;
    std::map<std::string, Handler> routes;
    std::map<std::string, Handler> postRoutes;
    std::vector<std::string> streamPaths;
    Filter requestFilter;
    std::vector<std::pair<std::string, std::string>> common;

    platform::Socket listener;
    platform::Socket wakeReceiver;
    platform::Socket wakeSender;
    std::map<std::uint64_t, Connection> connections;  // by id: the oldest first
    std::uint64_t nextId = 1;

    mutable std::mutex mutex;  // guards what follows
    std::condition_variable jobsWaiting;
    std::deque<Job> jobs;
    std::vector<Answer> answers;
    Bytes latestEvent;
    bool eventNew = false;
    bool stopping = false;
    ServerCounts published;
};

Server::Server(ServerLimits limits) : impl_(std::make_unique<Impl>(limits)) {
    auto [receiver, sender] = platform::wakeUpPair();
    impl_->wakeReceiver = std::move(receiver);
    impl_->wakeSender = std::move(sender);
}

Server::~Server() {
    stop();
}

void Server::route(std::string path, Handler handler) {
    impl_->routes[std::move(path)] = std::move(handler);
}

void Server::postRoute(std::string path, Handler handler) {
    impl_->postRoutes[std::move(path)] = std::move(handler);
}

void Server::eventStream(std::string path) {
    impl_->streamPaths.push_back(std::move(path));
}

void Server::filter(Filter filter) {
    impl_->requestFilter = std::move(filter);
}

void Server::commonHeader(std::string name, std::string value) {
    impl_->common.emplace_back(std::move(name), std::move(value));
}

std::variant<int, std::string> Server::bind(const std::string& address, int port) {
    auto listening = platform::listenOn(address, port);
    if (auto* why = std::get_if<std::string>(&listening)) return *why;
    auto& bound = std::get<platform::Listening>(listening);
    impl_->listener = std::move(bound.socket);
    return bound.port;
}

void Server::run() {
    impl_->serve();
}

void Server::stop() {
    {
        const std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
    }
    impl_->jobsWaiting.notify_all();
    impl_->wake();
}

void Server::broadcast(std::shared_ptr<const std::string> event) {
    {
        const std::lock_guard lock(impl_->mutex);
        impl_->latestEvent = std::move(event);
        impl_->eventNew = true;
    }
    impl_->wake();
}

ServerCounts Server::counts() const {
    const std::lock_guard lock(impl_->mutex);
    return impl_->published;
}

void Server::Impl::wake() {
    const char byte = 1;
    // A full pipe already holds a wake-up: nothing is lost when this one is not sent.
    if (wakeSender.valid()) platform::sendSome(wakeSender, &byte, 1);
}

void Server::Impl::serve() {
    std::vector<std::thread> handlers;
    for (std::size_t i = 0; i < std::max<std::size_t>(limits.handlerThreads, 1); ++i) {
        handlers.emplace_back([this] { answerJobs(); });
    }
    for (;;) {
        {
            const std::lock_guard lock(mutex);
            if (stopping) break;
        }
        std::vector<std::uint64_t> ids;
        std::vector<platform::PollEntry> entries = pollList(ids);
        platform::pollSockets(entries, pollTimeout(Clock::now()));
        const auto now = Clock::now();
        if (entries[0].readable) {
            char drain[256];
            while (platform::receiveSome(wakeReceiver, drain, sizeof drain) > 0) {
            }
        }
        takeAnswers(now);
        takeEvent(now);
        for (std::size_t i = 2; i < entries.size(); ++i) {
            const auto found = connections.find(ids[i]);
            if (found == connections.end()) continue;
            Connection& c = found->second;
            if (entries[i].readable && !c.closed) onReadable(c, now);
            if (entries[i].writable && !c.closed) onWritable(c, now);
        }
        if (entries[1].readable) acceptWaiting(now);
        for (auto& [id, c] : connections) {
            if (c.closed) continue;
            if (c.requestWaiting && c.phase == Phase::reading) advance(c, now);
            if (!c.closed) expire(c, now);
        }
        removeClosed();
    }
    jobsWaiting.notify_all();
    for (std::thread& t : handlers) t.join();
    connections.clear();
    listener.close();
    const std::lock_guard lock(mutex);
    published = {};
}

std::vector<platform::PollEntry> Server::Impl::pollList(std::vector<std::uint64_t>& ids) const {
    std::vector<platform::PollEntry> entries;
    entries.reserve(connections.size() + 2);
    ids.assign(2, 0);
    entries.push_back({wakeReceiver.handle(), true, false});
    entries.push_back({listener.handle(), listener.valid(), false});
    for (const auto& [id, c] : connections) {
        const bool read =
            c.phase == Phase::reading || c.phase == Phase::streaming || c.phase == Phase::closing;
        entries.push_back({c.socket.handle(), read, !c.outgoing.empty()});
        ids.push_back(id);
    }
    return entries;
}

std::optional<Clock::time_point> Server::Impl::deadlineOf(const Connection& c) const {
    switch (c.phase) {
        case Phase::reading:
            return c.reader.started() ? c.requestStarted + limits.headTime
                                      : c.lastActivity + limits.idleTime;
        case Phase::answering:
            return std::nullopt;
        case Phase::writing:
            return c.lastActivity + limits.stalledTime;
        case Phase::streaming:
            return c.lastActivity + (c.outgoing.empty() ? limits.keepAlive : limits.stalledTime);
        case Phase::closing:
            return c.lastActivity + kLingerTime;
    }
    return std::nullopt;
}

int Server::Impl::pollTimeout(Clock::time_point now) const {
    std::optional<Clock::time_point> soonest;
    for (const auto& [id, c] : connections) {
        if (c.requestWaiting) return 0;
        const auto deadline = deadlineOf(c);
        if (deadline && (!soonest || *deadline < *soonest)) soonest = deadline;
    }
    if (!soonest) return -1;
    if (*soonest <= now) return 0;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*soonest - now).count();
    return static_cast<int>(std::min<long long>(wait, 60'000));
}

// At the cap, the oldest connection with nothing asked goes, then the oldest stream.
bool Server::Impl::makeRoom() {
    if (connections.size() < limits.connections) return true;
    for (auto& [id, c] : connections) {
        if (c.phase == Phase::reading && !c.reader.started()) {
            c.closed = true;
            return true;
        }
    }
    for (auto& [id, c] : connections) {
        if (c.phase == Phase::streaming) {
            c.closed = true;
            return true;
        }
    }
    return false;
}

void Server::Impl::acceptWaiting(Clock::time_point now) {
    // A flood is taken a bounded number at a time, so that those served are not starved.
    for (int taken = 0; taken < 64; ++taken) {
        platform::Socket socket = platform::acceptConnection(listener);
        if (!socket.valid()) return;
        removeClosed();
        if (!makeRoom()) continue;  // every connection busy: the new one is closed at once
        removeClosed();
        const std::uint64_t id = nextId++;
        connections.emplace(id, Connection(id, std::move(socket), limits.head, now));
    }
}

void Server::Impl::onReadable(Connection& c, Clock::time_point now) {
    char chunk[kReadChunk];
    for (;;) {
        const std::ptrdiff_t got = platform::receiveSome(c.socket, chunk, sizeof chunk);
        if (got == platform::kWouldBlock) break;
        if (got <= 0) {
            c.closed = true;
            return;
        }
        if (c.phase == Phase::closing) {
            c.discarded += static_cast<std::size_t>(got);
            if (c.discarded > kLingerBytes) c.closed = true;
            if (c.closed) return;
            continue;
        }
        // A stream's client has nothing to say; what it sends is dropped.
        if (c.phase == Phase::streaming) continue;
        if (!c.reader.started() && c.received.empty()) c.requestStarted = now;
        c.lastActivity = now;
        c.received.append(chunk, static_cast<std::size_t>(got));
        // The reader refuses a head past its bound; nothing more is read for it.
        if (c.received.size() > limits.head.headBytes) break;
    }
    if (c.phase == Phase::reading) advance(c, now);
}

void Server::Impl::advance(Connection& c, Clock::time_point now) {
    c.requestWaiting = false;
    switch (c.reader.read(c.received)) {
        case HeadReader::Outcome::incomplete:
            return;
        case HeadReader::Outcome::refused:
            respond(c, Response::text(c.reader.refusal().status, c.reader.refusal().why + "\n"),
                    false, true, now);
            return;
        case HeadReader::Outcome::complete:
            break;
    }
    const Request request = c.reader.request();
    c.received.erase(0, c.reader.headSize());
    c.reader = HeadReader(limits.head);
    if (!c.received.empty()) c.requestStarted = now;
    dispatch(c, request, now);
}

void Server::Impl::dispatch(Connection& c, const Request& request, Clock::time_point now) {
    const bool headOnly = request.method == "HEAD";
    if (auto refusal = refuseAnyBody(request)) {
        respond(c, Response::text(refusal->status, refusal->why + "\n"), headOnly, true, now);
        return;
    }
    const bool postOnly = postRoutes.contains(request.path) && !routes.contains(request.path);
    const bool post = request.method == "POST" && postRoutes.contains(request.path);
    if (!post && (postOnly || (request.method != "GET" && !headOnly))) {
        Response refused = Response::text(405, postOnly ? "only POST is answered here\n"
                                                        : "only GET and HEAD are answered here\n");
        refused.headers.emplace_back("Allow", postOnly ? "POST" : "GET, HEAD");
        respond(c, refused, false, true, now);
        return;
    }
    if (requestFilter) {
        if (auto refused = requestFilter(request)) {
            respond(c, *refused, headOnly, true, now);
            return;
        }
    }
    const bool close = !request.keepAlive() || request.minorVersion == 0;
    if (std::find(streamPaths.begin(), streamPaths.end(), request.path) != streamPaths.end()) {
        startStream(c, now);
        return;
    }
    const std::map<std::string, Handler>& table = post ? postRoutes : routes;
    const auto route = table.find(request.path);
    if (route == table.end()) {
        respond(c, Response::text(404, "not found\n"), headOnly, close, now);
        return;
    }
    c.phase = Phase::answering;
    {
        const std::lock_guard lock(mutex);
        jobs.push_back({c.id, request, &route->second});
    }
    jobsWaiting.notify_one();
}

void Server::Impl::startStream(Connection& c, Clock::time_point now) {
    std::size_t streams = 1;
    for (const auto& [other, o] : connections) {
        if (o.phase == Phase::streaming && !o.closed) ++streams;
    }
    // Past the cap the oldest stream goes: most often the page a reload left behind.
    for (auto& [other, o] : connections) {
        if (streams <= limits.streams) break;
        if (o.phase == Phase::streaming && !o.closed) {
            o.closed = true;
            --streams;
        }
    }
    std::vector<std::pair<std::string, std::string>> headers = common;
    headers.emplace_back("Cache-Control", "no-store");
    c.outgoing.push_back({std::make_shared<const std::string>(
        responseHead(200, "text/event-stream", std::nullopt, headers, true))});
    c.phase = Phase::streaming;
    c.lastActivity = now;
    c.received.clear();
    Bytes event;
    {
        const std::lock_guard lock(mutex);
        event = latestEvent;
    }
    if (event) offerEvent(c, event);
    onWritable(c, now);
}

void Server::Impl::respond(Connection& c, const Response& response, bool headOnly, bool close,
                           Clock::time_point now) {
    std::vector<std::pair<std::string, std::string>> headers = common;
    headers.insert(headers.end(), response.headers.begin(), response.headers.end());
    const std::size_t length = response.body ? response.body->size() : 0;
    c.outgoing.push_back({std::make_shared<const std::string>(
        responseHead(response.status, response.contentType, length, headers, close))});
    if (!headOnly && length > 0) c.outgoing.push_back({response.body});
    c.closeAfterWrite = close;
    c.phase = Phase::writing;
    c.lastActivity = now;
    onWritable(c, now);
}

void Server::Impl::onWritable(Connection& c, Clock::time_point now) {
    while (!c.outgoing.empty()) {
        Chunk& chunk = c.outgoing.front();
        const std::ptrdiff_t sent = platform::sendSome(c.socket, chunk.bytes->data() + chunk.offset,
                                                       chunk.bytes->size() - chunk.offset);
        if (sent == platform::kWouldBlock) return;
        if (sent < 0) {
            c.closed = true;
            return;
        }
        c.lastActivity = now;
        chunk.offset += static_cast<std::size_t>(sent);
        if (chunk.offset < chunk.bytes->size()) continue;
        c.outgoing.pop_front();
        if (c.outgoing.empty() && c.pendingEvent) {
            c.outgoing.push_back({std::exchange(c.pendingEvent, nullptr)});
        }
    }
    if (c.phase == Phase::writing) finishClosing(c, now);
}

// An answer is sent whole: the connection closes, or waits for the next request, which may
// already be in.
void Server::Impl::finishClosing(Connection& c, Clock::time_point now) {
    if (c.closeAfterWrite) {
        platform::finishSending(c.socket);
        c.phase = Phase::closing;
        c.lastActivity = now;
        return;
    }
    c.phase = Phase::reading;
    c.lastActivity = now;
    // A request sent behind the one answered is read on the next turn of the loop.
    c.requestWaiting = !c.received.empty();
}

void Server::Impl::offerEvent(Connection& c, const Bytes& event) {
    // A stream opened between a broadcast and the loop's taking it has the event already.
    if (event == c.lastEvent) return;
    c.lastEvent = event;
    if (c.outgoing.empty()) {
        c.outgoing.push_back({event});
    } else {
        c.pendingEvent = event;  // only the newest waits: an older one is never sent
    }
}

void Server::Impl::expire(Connection& c, Clock::time_point now) {
    const auto deadline = deadlineOf(c);
    if (!deadline || now < *deadline) return;
    if (c.phase == Phase::streaming && c.outgoing.empty()) {
        c.outgoing.push_back({keepAliveComment()});
        c.lastActivity = now;
        onWritable(c, now);
        return;
    }
    if (c.phase == Phase::reading && c.reader.started()) {
        respond(c, Response::text(408, "the request did not arrive in time\n"), false, true, now);
        return;
    }
    c.closed = true;
}

void Server::Impl::takeAnswers(Clock::time_point now) {
    std::vector<Answer> ready;
    {
        const std::lock_guard lock(mutex);
        ready.swap(answers);
    }
    for (Answer& answer : ready) {
        const auto found = connections.find(answer.connection);
        if (found == connections.end() || found->second.closed) continue;
        Connection& c = found->second;
        respond(c, answer.response, answer.headOnly, answer.close, now);
    }
}

void Server::Impl::takeEvent(Clock::time_point) {
    Bytes event;
    {
        const std::lock_guard lock(mutex);
        if (!eventNew) return;
        eventNew = false;
        event = latestEvent;
    }
    for (auto& [id, c] : connections) {
        if (c.phase == Phase::streaming && !c.closed) offerEvent(c, event);
    }
}

void Server::Impl::removeClosed() {
    ServerCounts counts;
    for (auto at = connections.begin(); at != connections.end();) {
        if (at->second.closed) {
            at = connections.erase(at);
            continue;
        }
        ++counts.connections;
        if (at->second.phase == Phase::streaming) ++counts.streams;
        ++at;
    }
    const std::lock_guard lock(mutex);
    published = counts;
}

void Server::Impl::answerJobs() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex);
            jobsWaiting.wait(lock, [&] { return stopping || !jobs.empty(); });
            if (stopping) return;
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        Answer answer{job.connection,
                      {},
                      job.request.method == "HEAD",
                      !job.request.keepAlive() || job.request.minorVersion == 0};
        try {
            answer.response = (*job.handler)(job.request);
        } catch (const std::bad_alloc&) {
            answer.response = Response::text(503, "out of memory\n");
        } catch (const std::exception& e) {
            answer.response = Response::text(500, std::string(e.what()) + "\n");
        }
        {
            const std::lock_guard lock(mutex);
            answers.push_back(std::move(answer));
        }
        wake();
    }
}

}  // namespace tool::http
