#include "tools/editor_server/language_server.h"

#include <exception>
#include <new>

#include "tools/editor_server/check_orders.h"
#include "tools/editor_server/outline.h"
#include "tools/editor_server/semantic_tokens.h"

namespace tool::editor {
namespace {

PositionEncoding negotiatedEncoding(const json& params) {
    const json* offered = nullptr;
    if (params.contains("capabilities") && params["capabilities"].is_object() &&
        params["capabilities"].contains("general") &&
        params["capabilities"]["general"].is_object()) {
        const json& general = params["capabilities"]["general"];
        if (general.contains("positionEncodings")) offered = &general["positionEncodings"];
    }
    if (offered && offered->is_array()) {
        for (const json& e : *offered) {
            if (e == "utf-8") return PositionEncoding::utf8;
        }
    }
    return PositionEncoding::utf16;
}

bool offers(const json& params, const char* capability) {
    const json::json_pointer at(std::string("/capabilities") + capability);
    return params.contains(at) && params[at] == true;
}

}  // namespace

LanguageServer::LanguageServer(MessageWriter& out, ServerSettings settings)
    : out_(out), settings_(std::move(settings)) {
    requests_["initialize"] = [this](const json& p) { return initialize(p); };
    requests_["shutdown"] = [this](const json&) {
        shutDown_ = true;
        return json(nullptr);
    };
    requests_["textDocument/hover"] = [this](const json& p) {
        const OpenDocument* doc = documentOf(p);
        if (!doc) return json(nullptr);
        const auto compiled = [this, doc](int line) { return compiledCells(*doc, line); };
        return hoverAt(*doc, positionOf(member(p, "position")), client_, compiled);
    };
    requests_["textDocument/completion"] = [this](const json& p) {
        const OpenDocument* doc = documentOf(p);
        return doc ? completionAt(*doc, positionOf(member(p, "position")), client_) : json::array();
    };
    requests_["textDocument/signatureHelp"] = [this](const json& p) {
        const OpenDocument* doc = documentOf(p);
        return doc ? signatureAt(*doc, positionOf(member(p, "position")), client_) : json(nullptr);
    };
    requests_["textDocument/documentSymbol"] = [this](const json& p) {
        const OpenDocument* doc = documentOf(p);
        return doc ? documentSymbols(*doc, client_.encoding) : json::array();
    };
    requests_["workspace/symbol"] = [this](const json& p) {
        const json& query = member(p, "query");
        if (!query.is_string()) throw InvalidParams("the query is no string");
        return workspaceSymbols(documents_.all(), query.get<std::string>(), client_.encoding);
    };
    requests_["textDocument/codeAction"] = [this](const json& p) {
        const OpenDocument* doc = documentOf(p);
        const json& range = member(p, "range");
        positionOf(member(range, "start"));
        positionOf(member(range, "end"));
        if (!doc) return json::array();
        return quickFixes(published_.of(doc->uri, doc->version), doc->uri, range);
    };
    requests_["textDocument/semanticTokens/full"] = [this](const json& p) {
        const OpenDocument* doc = documentOf(p);
        if (!doc) return json(nullptr);
        return semanticTokens(*doc, 0, doc->text->lineCount(),
                              published_.of(doc->uri, doc->version), client_.encoding);
    };
    requests_["textDocument/semanticTokens/range"] = [this](const json& p) {
        const OpenDocument* doc = documentOf(p);
        const json& range = member(p, "range");
        const Position start = positionOf(member(range, "start"));
        const Position end = positionOf(member(range, "end"));
        if (!doc) return json(nullptr);
        return semanticTokens(*doc, start.line, end.line, published_.of(doc->uri, doc->version),
                              client_.encoding);
    };
    requests_["textDocument/codeLens"] = [this](const json& p) {
        const OpenDocument* doc = documentOf(p);
        return doc ? codeLenses(*doc) : json::array();
    };
    requests_["workspace/executeCommand"] = [this](const json& p) { return showInViewer(p); };
    notifications_["initialized"] = [this](const json&) { watchLineDescriptions(); };
    notifications_["workspace/didChangeWatchedFiles"] = [this](const json& p) { filesChanged(p); };
    notifications_["exit"] = [this](const json&) { exitStatus_ = shutDown_ ? 0 : 1; };
    notifications_["textDocument/didOpen"] = [this](const json& p) { didOpen(p); };
    notifications_["textDocument/didChange"] = [this](const json& p) { didChange(p); };
    notifications_["textDocument/didClose"] = [this](const json& p) { didClose(p); };
}

LanguageServer::~LanguageServer() = default;

json LanguageServer::initialize(const json& params) {
    if (initialized_) throw InvalidParams("the server is initialized already");
    initialized_ = true;
    client_.encoding = negotiatedEncoding(params);
    client_.snippets = offers(params, "/textDocument/completion/completionItem/snippetSupport");
    watchesFiles_ = offers(params, "/workspace/didChangeWatchedFiles/dynamicRegistration");
    showsDocuments_ = offers(params, "/window/showDocument/support");
    worker_ = std::make_unique<DiagnosticsWorker>(
        DiagnosticStyle{client_.encoding, settings_.docs},
        [this](const std::string& uri, std::optional<int> version, json diagnostics) {
            publish(uri, version, diagnostics);
        });
    json capabilities = {
        {"positionEncoding", client_.encoding == PositionEncoding::utf8 ? "utf-8" : "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
        {"hoverProvider", true},
        {"completionProvider", {{"triggerCharacters", {"["}}, {"resolveProvider", false}}},
        {"signatureHelpProvider", {{"triggerCharacters", {","}}, {"retriggerCharacters", {" "}}}},
        {"documentSymbolProvider", true},
        {"workspaceSymbolProvider", true},
        {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
        {"semanticTokensProvider",
         {{"legend", semanticTokensLegend()}, {"full", true}, {"range", true}}},
    };
    if (settings_.viewer) {
        capabilities["codeLensProvider"] = {{"resolveProvider", false}};
        capabilities["executeCommandProvider"] = {{"commands", {kShowInViewer}}};
    }
    return {{"capabilities", capabilities},
            {"serverInfo", {{"name", "scenario-tool"}, {"version", settings_.version}}}};
}

// The hover reads the compilation the diagnostics worker made of the texts the editor holds.
// Only between an edit and the end of its check is there none: the hover then compiles the pair
// itself, as an author who hovers at once over what they typed expects its cells, and an answer
// without them would read as a record that placed nothing.
std::optional<std::string> LanguageServer::compiledCells(const OpenDocument& doc, int line) const {
    const std::optional<CheckOrder> order = checkOf(documents_, doc);
    if (!order || order->kind != DescriptionKind::train || !order->line) return std::nullopt;
    std::shared_ptr<const CompiledPair> pair = worker_->kept(doc.uri);
    if (!pair || !pair->madeFrom(*order)) pair = settings_.compileForHover(*order);
    return pair ? compiledCellsOf(*pair, line) : std::nullopt;
}

const OpenDocument* LanguageServer::documentOf(const json& params) const {
    return documents_.find(uriOf(params));
}

int LanguageServer::serve(IncomingQueue& queue) {
    while (!exitStatus_) {
        std::optional<Queued> next = queue.pop();
        if (!next) break;
        handle(*next);
        if (out_.failed()) break;
    }
    worker_.reset();  // no check publishes after the end
    viewer_.reset();  // nor does the page ask for a record
    return exitStatus_.value_or(1);
}

void LanguageServer::handle(const Queued& queued) {
    const Incoming& in = queued.message;
    switch (in.kind) {
        case Incoming::Kind::invalid:
            out_.send(errorMessage(in.id, in.errorCode, in.problem));
            return;
        case Incoming::Kind::response:
            return;  // to the one request the server sends, which needs nothing back
        case Incoming::Kind::notification:
            takeNotification(in);
            return;
        case Incoming::Kind::request:
            if (queued.cancelled) {
                out_.send(errorMessage(in.id, rpc::kRequestCancelled, "cancelled by the editor"));
                return;
            }
            answerRequest(in);
            return;
    }
}

void LanguageServer::answerRequest(const Incoming& in) {
    if (!initialized_ && in.method != "initialize") {
        out_.send(errorMessage(in.id, rpc::kServerNotInitialized, "the server is not initialized"));
        return;
    }
    if (shutDown_) {
        out_.send(errorMessage(in.id, rpc::kInvalidRequest, "the server is shut down"));
        return;
    }
    const auto handler = requests_.find(in.method);
    if (handler == requests_.end()) {
        out_.send(errorMessage(in.id, rpc::kMethodNotFound, "no method " + in.method));
        return;
    }
    try {
        out_.send(resultMessage(in.id, handler->second(in.params)));
    } catch (const InvalidParams& e) {
        out_.send(errorMessage(in.id, rpc::kInvalidParams, e.what()));
    } catch (const json::exception& e) {
        out_.send(errorMessage(in.id, rpc::kInvalidParams, e.what()));
    } catch (const std::bad_alloc&) {
        out_.send(errorMessage(in.id, rpc::kInternalError, "out of memory"));
    } catch (const std::exception& e) {
        out_.send(
            errorMessage(in.id, rpc::kInternalError, std::string("internal error: ") + e.what()));
    }
}

// Notifications get no answer, not even an error: one that cannot be used is dropped.
void LanguageServer::takeNotification(const Incoming& in) {
    if (in.method != "exit" && (!initialized_ || shutDown_)) return;
    const auto notice = notifications_.find(in.method);
    if (notice == notifications_.end()) return;
    try {
        notice->second(in.params);
    } catch (const std::exception&) {
    }
}

}  // namespace tool::editor
