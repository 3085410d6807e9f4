// The live viewer served beside the language server (`scenario-tool lsp --viewer`): the page of
// `serve` for one pair of descriptions, followed as they are saved, linked to the editor both
// ways. The language server makes the URL of a record's object, and the page asks the editor
// for an object's record through the opener it is given.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <variant>

#include "tools/viewer/live_scenario.h"
#include "tools/viewer/viewer_server.h"

namespace tool::editor {

struct ViewerAddress {
    std::string listen = "127.0.0.1";
    int port = 0;  // any free port
};

class EditorViewer {
  public:
    // Reads and compiles the pair once, then serves it on its own threads; why not when a
    // description cannot be read or the address cannot be listened on.
    static std::variant<std::unique_ptr<EditorViewer>, std::string> start(
        LiveSources sources, const ViewerAddress& address, ViewerServer::RecordOpener open);
    ~EditorViewer();
    EditorViewer(const EditorViewer&) = delete;
    EditorViewer& operator=(const EditorViewer&) = delete;

    const LiveSources& sources() const { return sources_; }
    // The page's address, "http://127.0.0.1:PORT/".
    const std::string& pageUrl() const { return pageUrl_; }

  private:
    explicit EditorViewer(LiveSources sources);

    LiveSources sources_;
    LiveScenario live_;
    ViewerServer server_;
    std::string pageUrl_;
    std::atomic<bool> stopping_{false};
    std::thread watcher_;
    std::thread serving_;
};

}  // namespace tool::editor
