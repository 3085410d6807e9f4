#include "tools/viewer_server.h"

#include <httplib.h>
#ifndef _WIN32
#include <sys/socket.h>
#endif

#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "tools/viewer_page.h"

namespace tool {
namespace {

// Event streams send a comment this often, so that a connection whose page has gone is noticed
// and its thread freed.
constexpr auto kKeepAlive = std::chrono::seconds(15);
// Each open page holds one thread for its event stream; a few pages and their requests fit.
constexpr std::size_t kThreads = 16;
// The sizes of a plan's panel a page may ask for.
constexpr int kSmallestPanel = 200;
constexpr int kLargestPanel = 8000;

bool isIpv4(std::string_view text, bool loopback) {
    int parts = 0;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t dot = std::min(text.find('.', at), text.size());
        const std::string_view part = text.substr(at, dot - at);
        int value = -1;
        if (part.empty() || part.size() > 3 ||
            std::from_chars(part.data(), part.data() + part.size(), value).ptr !=
                part.data() + part.size() ||
            value > 255) {
            return false;
        }
        if (parts == 0 && loopback && value != 127) return false;
        ++parts;
        at = dot + 1;
    }
    return parts == 4;
}

bool isIpv6(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') return false;
    }
    return text.find(':') != std::string_view::npos;
}

// The query parameter `name` as a whole number written out in digits; nothing for anything
// else (absent, empty, a sign, a fraction, an exponent, too large).
std::optional<std::int64_t> wholeNumber(const httplib::Request& request, const char* name) {
    const std::string text = request.get_param_value(name);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// A stretch of the line from the query ?from=M&to=M (metres); nothing for the whole line.
// Anything else is refused rather than guessed.
std::optional<std::optional<MapStretch>> stretchFrom(const httplib::Request& request) {
    if (!request.has_param("from") && !request.has_param("to")) {
        return std::optional<MapStretch>{};
    }
    const auto from = wholeNumber(request, "from");
    const auto to = wholeNumber(request, "to");
    if (!from || !to || *from < 0 || *to <= *from) return std::nullopt;
    return std::optional<MapStretch>{MapStretch{*from, *to}};
}

// The panel size `name` the page asks a picture for, `fallback` when it asks none; nothing for
// a size that is not a whole number from kSmallestPanel to kLargestPanel.
std::optional<double> panelSize(const httplib::Request& request, const char* name,
                                double fallback) {
    if (!request.has_param(name)) return fallback;
    const auto value = wholeNumber(request, name);
    if (!value || *value < kSmallestPanel || *value > kLargestPanel) return std::nullopt;
    return static_cast<double>(*value);
}

void noStore(httplib::Response& response) {
    response.set_header("Cache-Control", "no-store");
}

// Sends `body` as it is. The library would compress a body it is given whole for a browser
// that accepts it, and its brotli takes over a second for the plan of a long line: more than
// the loopback saves. A body handed over by a provider of known length goes uncompressed.
void sendAsIs(httplib::Response& response, std::string body, const char* type) {
    if (body.empty()) {
        response.set_content(body, type);
        return;
    }
    auto bytes = std::make_shared<const std::string>(std::move(body));
    response.set_content_provider(
        bytes->size(), type,
        [bytes](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return sink.write(bytes->data() + offset, length);
        });
}

}  // namespace

bool hostAllowed(std::string_view host, bool loopbackOnly) {
    // The port, if any, goes; an IPv6 address stands in brackets.
    std::string_view name = host;
    if (name.starts_with('[')) {
        const std::size_t close = name.find(']');
        if (close == std::string_view::npos) return false;
        const std::string_view rest = name.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) return false;
        name = name.substr(1, close - 1);
        if (name == "::1") return true;
        return !loopbackOnly && isIpv6(name);
    }
    if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos) {
        name = name.substr(0, colon);
    }
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "localhost" || lower == "localhost.") return true;
    return isIpv4(lower, loopbackOnly);
}

struct ViewerServer::Impl {
    explicit Impl(const LiveScenario& s) : scenario(s) {}

    // The state after `seen`, waiting for one at most `patience`; nothing on time-out or stop.
    std::shared_ptr<const LiveState> newerThan(std::uint64_t seen,
                                               std::chrono::steady_clock::duration patience) {
        std::unique_lock lock(mutex);
        const auto ready = [&] {
            const auto current = scenario.state();
            return stopping || (current && current->version > seen);
        };
        changed.wait_for(lock, patience, ready);
        if (stopping) return nullptr;
        auto current = scenario.state();
        return current && current->version > seen ? current : nullptr;
    }

    const LiveScenario& scenario;
    httplib::Server server;
    bool loopbackOnly = true;
    std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false;
};

ViewerServer::ViewerServer(const LiveScenario& scenario) : impl_(std::make_unique<Impl>(scenario)) {
    Impl& impl = *impl_;
    httplib::Server& server = impl.server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    // The port is this server's alone: the library's default lets a second server listen on a
    // port already served (SO_REUSEPORT), and a page would then be answered by either scenario.
    // An address still closing from an earlier run may be taken again at once.
    server.set_socket_options([](socket_t socket) {
#ifdef _WIN32
        BOOL exclusive = TRUE;
        setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                   reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
#else
        int reuse = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
#endif
    });

    server.set_pre_routing_handler(
        [&impl](const httplib::Request& request, httplib::Response& response) {
            if (request.has_header("Host") &&
                hostAllowed(request.get_header_value("Host"), impl.loopbackOnly)) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            response.status = 403;
            response.set_content(
                "This viewer answers only requests addressed to the loopback (127.0.0.1 or "
                "localhost).\n",
                "text/plain; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        });
    server.set_post_routing_handler([](const httplib::Request&, httplib::Response& response) {
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Content-Security-Policy",
                            "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'");
    });

    auto page = [](std::string_view body, const char* type) {
        return [body, type](const httplib::Request&, httplib::Response& response) {
            noStore(response);
            sendAsIs(response, std::string(body), type);
        };
    };
    server.Get("/", page(viewerPageHtml(), "text/html; charset=utf-8"));
    server.Get("/viewer.css", page(viewerPageCss(), "text/css; charset=utf-8"));
    server.Get("/viewer.js", page(viewerPageScript(), "application/javascript; charset=utf-8"));

    server.Get("/api/state", [&impl](const httplib::Request&, httplib::Response& response) {
        noStore(response);
        const auto state = impl.scenario.state();
        sendAsIs(response, state ? state->json : std::string("null"), "application/json");
    });

    auto picture = [&impl](bool plan) {
        return [&impl, plan](const httplib::Request& request, httplib::Response& response) {
            noStore(response);
            const auto stretch = stretchFrom(request);
            if (!stretch) {
                response.status = 400;
                response.set_content("from and to are metres, from below to\n", "text/plain");
                return;
            }
            MapView view{*stretch};
            // The page asks for each picture in its panel's size, so that the picture fills it.
            double& width = plan ? view.planWidth : view.profileWidth;
            double& height = plan ? view.planHeight : view.profileHeight;
            const std::optional<double> askedWidth = panelSize(request, "width", width);
            const std::optional<double> askedHeight = panelSize(request, "height", height);
            if (!askedWidth || !askedHeight) {
                response.status = 400;
                response.set_content("width and height are whole units from 200 to 8000\n",
                                     "text/plain");
                return;
            }
            width = *askedWidth;
            height = *askedHeight;
            const std::optional<std::string> svg =
                plan ? impl.scenario.planSvg(view) : impl.scenario.profileSvg(view);
            if (!svg) {
                response.status = 404;
                response.set_content("no picture: the descriptions have not compiled yet\n",
                                     "text/plain");
                return;
            }
            sendAsIs(response, *svg, "image/svg+xml");
        };
    };
    server.Get("/plan.svg", picture(true));
    server.Get("/profile.svg", picture(false));

    server.Get("/api/events", [&impl](const httplib::Request&, httplib::Response& response) {
        noStore(response);
        auto seen = std::make_shared<std::uint64_t>(0);
        response.set_chunked_content_provider(
            "text/event-stream", [&impl, seen](std::size_t, httplib::DataSink& sink) {
                const auto state = impl.newerThan(*seen, kKeepAlive);
                {
                    const std::lock_guard lock(impl.mutex);
                    if (impl.stopping) return false;
                }
                std::string message;
                if (state) {
                    *seen = state->version;
                    message = "event: state\ndata: " + state->json + "\n\n";
                } else {
                    message = ": still here\n\n";
                }
                return sink.write(message.data(), message.size());
            });
    });
}

ViewerServer::~ViewerServer() {
    stop();
}

std::variant<int, std::string> ViewerServer::bind(const std::string& address, int port) {
    impl_->loopbackOnly = address == "localhost" || address == "::1" || isIpv4(address, true);
    const int bound = port == 0 ? impl_->server.bind_to_any_port(address)
                                : (impl_->server.bind_to_port(address, port) ? port : -1);
    if (bound < 0) {
        return "cannot listen on " + address + " port " + std::to_string(port) +
               ": the address is not this machine's, or the port is taken (try --port 0 for any "
               "free port)";
    }
    return bound;
}

void ViewerServer::run() {
    impl_->server.listen_after_bind();
}

void ViewerServer::stop() {
    {
        const std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
    }
    impl_->changed.notify_all();
    impl_->server.stop();
}

void ViewerServer::publish() {
    { const std::lock_guard lock(impl_->mutex); }
    impl_->changed.notify_all();
}

}  // namespace tool
