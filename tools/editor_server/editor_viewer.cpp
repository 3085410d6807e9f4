#include "tools/editor_server/editor_viewer.h"

#include <chrono>

namespace tool::editor {
namespace {

// How often the descriptions are looked at, as `serve` does.
constexpr auto kLookEvery = std::chrono::milliseconds(40);

// The address a browser on this machine reaches the server by: the loopback for a server that
// listens on every address.
std::string pageUrlOf(const std::string& listen, int port) {
    std::string host = listen;
    if (host == "0.0.0.0") host = "127.0.0.1";
    if (host == "::") host = "::1";
    if (host.find(':') != std::string::npos) host = "[" + host + "]";
    return "http://" + host + ":" + std::to_string(port) + "/";
}

}  // namespace

EditorViewer::EditorViewer(LiveSources sources)
    : sources_(sources), live_(std::move(sources)), server_(live_) {}

std::variant<std::unique_ptr<EditorViewer>, std::string> EditorViewer::start(
    LiveSources sources, const ViewerAddress& address, ViewerServer::RecordOpener open) {
    std::unique_ptr<EditorViewer> viewer(new EditorViewer(std::move(sources)));
    viewer->live_.refresh();
    if (!viewer->live_.readProblem().empty()) return viewer->live_.readProblem();
    viewer->server_.publish();
    viewer->server_.linkEditor(std::move(open));
    const auto bound = viewer->server_.bind(address.listen, address.port);
    if (const std::string* problem = std::get_if<std::string>(&bound)) return *problem;
    viewer->pageUrl_ = pageUrlOf(address.listen, std::get<int>(bound));
    EditorViewer& v = *viewer;
    v.watcher_ = std::thread([&v] {
        while (!v.stopping_) {
            std::this_thread::sleep_for(kLookEvery);
            if (!v.stopping_ && v.live_.refresh()) v.server_.publish();
        }
    });
    v.serving_ = std::thread([&v] { v.server_.run(); });
    return viewer;
}

EditorViewer::~EditorViewer() {
    stopping_ = true;
    server_.stop();
    if (serving_.joinable()) serving_.join();
    if (watcher_.joinable()) watcher_.join();
}

}  // namespace tool::editor
