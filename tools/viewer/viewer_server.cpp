#include "tools/viewer/viewer_server.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <optional>

#include "tools/http/http_server.h"
#include "tools/viewer/viewer_page.h"

namespace tool {
namespace {

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
std::optional<std::int64_t> wholeNumber(const http::Request& request, const char* name) {
    const std::string text = request.parameter(name).value_or("");
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// A stretch of the line from the query ?from=M&to=M (metres); nothing for the whole line.
// Anything else is refused rather than guessed.
std::optional<std::optional<MapStretch>> stretchFrom(const http::Request& request) {
    if (!request.parameter("from") && !request.parameter("to")) {
        return std::optional<MapStretch>{};
    }
    const auto from = wholeNumber(request, "from");
    const auto to = wholeNumber(request, "to");
    if (!from || !to || *from < 0 || *to <= *from) return std::nullopt;
    return std::optional<MapStretch>{MapStretch{*from, *to}};
}

// The panel size `name` the page asks a picture for, `fallback` when it asks none; nothing for
// a size that is not a whole number from kSmallestPanel to kLargestPanel.
// Where the plan's approach codes go: drawn in it (when not asked), apart or only.
std::optional<MapView::ApproachCodes> approachCodesFrom(const http::Request& request) {
    const auto asked = request.parameter("codes");
    if (!asked || *asked == "drawn") return MapView::ApproachCodes::drawn;
    if (*asked == "apart") return MapView::ApproachCodes::apart;
    if (*asked == "only") return MapView::ApproachCodes::only;
    return std::nullopt;
}

std::optional<double> panelSize(const http::Request& request, const char* name, double fallback) {
    if (!request.parameter(name)) return fallback;
    const auto value = wholeNumber(request, name);
    if (!value || *value < kSmallestPanel || *value > kLargestPanel) return std::nullopt;
    return static_cast<double>(*value);
}

http::Response noStore(http::Response response) {
    response.headers.emplace_back("Cache-Control", "no-store");
    return response;
}

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Why a request is refused before it is routed: addressed to a name other than the loopback's
// (DNS rebinding), or sent by a page of another site, which could otherwise reach the server
// with a simple request that needs no permission.
std::optional<http::Response> refusedRequest(const http::Request& request, bool loopbackOnly) {
    const auto host = request.header("Host");
    if (!host || !hostAllowed(*host, loopbackOnly)) {
        return http::Response::text(
            403,
            "This viewer answers only requests addressed to the loopback (127.0.0.1 or "
            "localhost).\n");
    }
    const auto origin = request.header("Origin");
    const auto site = request.header("Sec-Fetch-Site");
    const bool foreignOrigin = origin && !sameText(*origin, "http://" + std::string(*host));
    const bool foreignSite = site && !sameText(*site, "same-origin") && !sameText(*site, "none");
    if (foreignOrigin || foreignSite) {
        return http::Response::text(403, "This viewer answers only its own page.\n");
    }
    return std::nullopt;
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

    http::Response picture(const http::Request& request, bool plan) const;

    const LiveScenario& scenario;
    http::Server server;
    bool loopbackOnly = true;
};

http::Response ViewerServer::Impl::picture(const http::Request& request, bool plan) const {
    const auto stretch = stretchFrom(request);
    if (!stretch) return http::Response::text(400, "from and to are metres, from below to\n");
    MapView view{*stretch};
    // The page asks for each picture in its panel's size, so that the picture fills it.
    double& width = plan ? view.planWidth : view.profileWidth;
    double& height = plan ? view.planHeight : view.profileHeight;
    const std::optional<double> askedWidth = panelSize(request, "width", width);
    const std::optional<double> askedHeight = panelSize(request, "height", height);
    if (!askedWidth || !askedHeight) {
        return http::Response::text(400, "width and height are whole units from 200 to 8000\n");
    }
    width = *askedWidth;
    height = *askedHeight;
    if (plan) {
        const auto codes = approachCodesFrom(request);
        if (!codes) return http::Response::text(400, "codes is drawn, apart or only\n");
        view.approachCodes = *codes;
    }
    std::optional<std::string> svg = plan ? scenario.planSvg(view) : scenario.profileSvg(view);
    if (!svg) {
        return http::Response::text(404, "no picture: the descriptions have not compiled yet\n");
    }
    return noStore(http::Response::of("image/svg+xml", std::move(*svg)));
}

ViewerServer::ViewerServer(const LiveScenario& scenario) : impl_(std::make_unique<Impl>(scenario)) {
    Impl& impl = *impl_;
    http::Server& server = impl.server;
    server.filter([&impl](const http::Request& request) {
        return refusedRequest(request, impl.loopbackOnly);
    });
    server.commonHeader("X-Content-Type-Options", "nosniff");
    server.commonHeader("Content-Security-Policy",
                        "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'");

    auto page = [](std::string_view body, const char* type) {
        return [body, type](const http::Request&) {
            return noStore(http::Response::of(type, std::string(body)));
        };
    };
    server.route("/", page(viewerPageHtml(), "text/html; charset=utf-8"));
    server.route("/viewer.css", page(viewerPageCss(), "text/css; charset=utf-8"));
    server.route("/viewer.js", page(viewerPageScript(), "application/javascript; charset=utf-8"));
    server.route("/api/state", [&impl](const http::Request&) {
        const auto state = impl.scenario.state();
        return noStore(
            http::Response::of("application/json", state ? state->json : std::string("null")));
    });
    server.route("/plan.svg", [&impl](const http::Request& r) { return impl.picture(r, true); });
    server.route("/profile.svg",
                 [&impl](const http::Request& r) { return impl.picture(r, false); });
    // Whether an editor is linked (linkEditor says yes).
    server.route("/api/editor", [](const http::Request&) {
        return noStore(http::Response::of("application/json", R"({"linked":false})"));
    });
    server.eventStream("/api/events");
    publish();
}

void ViewerServer::linkEditor(RecordOpener open) {
    http::Server& server = impl_->server;
    server.route("/api/editor", [](const http::Request&) {
        return noStore(http::Response::of("application/json", R"({"linked":true})"));
    });
    server.postRoute("/api/open-record", [open = std::move(open)](const http::Request& request) {
        const std::string description = request.parameter("description").value_or("");
        const auto line = wholeNumber(request, "line");
        if ((description != "line" && description != "train") || !line || *line < 1 ||
            *line > std::numeric_limits<int>::max()) {
            return http::Response::text(400, "description is line or train, line a line from 1\n");
        }
        if (!open(description, static_cast<int>(*line))) {
            return http::Response::text(503, "the editor cannot be asked now\n");
        }
        return noStore(http::Response::text(200, "the editor is asked to open the record\n"));
    });
}

ViewerServer::~ViewerServer() {
    stop();
}

std::variant<int, std::string> ViewerServer::bind(const std::string& address, int port) {
    impl_->loopbackOnly = address == "localhost" || address == "::1" || isIpv4(address, true);
    const auto bound = impl_->server.bind(address, port);
    if (std::holds_alternative<std::string>(bound)) {
        return "cannot listen on " + address + " port " + std::to_string(port) +
               ": the address is not this machine's, or the port is taken (try --port 0 for any "
               "free port)";
    }
    return bound;
}

void ViewerServer::run() {
    impl_->server.run();
}

void ViewerServer::stop() {
    impl_->server.stop();
}

void ViewerServer::publish() {
    const auto state = impl_->scenario.state();
    if (!state) return;
    impl_->server.broadcast(
        std::make_shared<const std::string>("event: state\ndata: " + state->json + "\n\n"));
}

}  // namespace tool
