// The language server: the editor's messages handled in order, from `initialize` to `exit`.
// Each method of the protocol the server takes has one entry in its table; the documents the
// editor opens are checked on the diagnostics worker's thread, and everything else is answered
// at once from the editor's text.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "tools/editor_server/compiled_cells.h"
#include "tools/editor_server/diagnostics_worker.h"
#include "tools/editor_server/editor_viewer.h"
#include "tools/editor_server/field_help.h"
#include "tools/editor_server/incoming_queue.h"
#include "tools/editor_server/message_writer.h"
#include "tools/editor_server/open_documents.h"
#include "tools/editor_server/published_diagnostics.h"

namespace tool::editor {

// The command of a record's code lens: the viewer's page at the object the record placed.
inline constexpr const char* kShowInViewer = "scenario-tool.showInViewer";

struct ServerSettings {
    std::optional<std::string> docs;  // the URI of the explanations' folder, ending in "/"
    std::string version;              // the tool's, told to the editor
    // Serve the live viewer of the first train description opened, with its line, there.
    std::optional<ViewerAddress> viewer;
    // How a hover compiles a pair that no check has compiled at the texts the editor holds:
    // compilePair, or a stand-in that counts in the tests.
    std::function<std::shared_ptr<const CompiledPair>(const CheckOrder&)> compileForHover =
        compilePair;
};

class LanguageServer {
  public:
    LanguageServer(MessageWriter& out, ServerSettings settings);
    ~LanguageServer();

    // Handles messages until `exit` or the end of the input. Returns 0 when `exit` came after
    // `shutdown`, 1 otherwise (an `exit` without `shutdown`, or the input ended without
    // `exit`, or the editor stopped reading).
    int serve(IncomingQueue& queue);

  private:
    using Handler = std::function<json(const json& params)>;
    using Notice = std::function<void(const json& params)>;

    void handle(const Queued& queued);
    void answerRequest(const Incoming& in);
    void takeNotification(const Incoming& in);

    json initialize(const json& params);
    void didOpen(const json& params);
    void didChange(const json& params);
    void didClose(const json& params);
    void check(const OpenDocument& doc);
    void checkWithLine(const std::string& linePath);
    void publish(const std::string& uri, std::optional<int> version, const json& diagnostics);
    std::optional<std::string> compiledCells(const OpenDocument& doc, int line) const;
    void watchLineDescriptions();
    void filesChanged(const json& params);
    const OpenDocument* documentOf(const json& params) const;
    // The viewer's side (viewer_link.cpp).
    void startViewer(const std::string& trainPath);
    std::optional<std::string> viewedDescription(const OpenDocument& doc) const;
    json codeLenses(const OpenDocument& doc) const;
    json showInViewer(const json& params);
    bool openRecord(const std::string& path, int line);  // from the viewer's threads
    void sendRequest(std::string_view method, const json& params);

    MessageWriter& out_;
    ServerSettings settings_;
    std::map<std::string, Handler> requests_;
    std::map<std::string, Notice> notifications_;
    OpenDocuments documents_;
    PublishedDiagnostics published_;
    ClientAbilities client_;
    bool watchesFiles_ = false;  // the editor tells changes of the files it watches for us
    bool initialized_ = false;
    bool shutDown_ = false;
    std::optional<int> exitStatus_;
    std::unique_ptr<DiagnosticsWorker> worker_;  // from `initialize`, when the encoding is known
    bool showsDocuments_ = false;                // the editor takes window/showDocument
    std::atomic<std::uint64_t> requestsSent_{0};
    // Last, so that it goes first: its threads may ask the editor for a record until then.
    std::unique_ptr<EditorViewer> viewer_;
};

}  // namespace tool::editor
