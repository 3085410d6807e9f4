// The documents the editor opens, changes and closes, and the checks that follow each.
#include "tools/editor_server/check_orders.h"
#include "tools/editor_server/description_files.h"
#include "tools/editor_server/file_uri.h"
#include "tools/editor_server/language_server.h"

namespace tool::editor {
namespace {

std::optional<int> versionOf(const json& textDocument) {
    const auto v = textDocument.find("version");
    if (v == textDocument.end() || !v->is_number_integer()) return std::nullopt;
    return v->get<int>();
}

}  // namespace

void LanguageServer::didOpen(const json& params) {
    const json& item = member(params, "textDocument");
    const json& uri = member(item, "uri");
    const json& text = member(item, "text");
    if (!uri.is_string() || !text.is_string()) return;
    const OpenDocument& doc =
        documents_.open(uri.get<std::string>(), text.get<std::string>(), versionOf(item));
    check(doc);
    if (doc.kind == DescriptionKind::line && doc.path) checkWithLine(*doc.path);
    if (doc.kind == DescriptionKind::train && doc.path) startViewer(*doc.path);
}

void LanguageServer::didChange(const json& params) {
    const std::string uri = uriOf(params);
    const OpenDocument* doc = documents_.change(uri, versionOf(member(params, "textDocument")),
                                                member(params, "contentChanges"), client_.encoding);
    if (!doc) return;
    check(*doc);
    if (doc->kind == DescriptionKind::line && doc->path) checkWithLine(*doc->path);
}

void LanguageServer::didClose(const json& params) {
    const std::string uri = uriOf(params);
    const std::optional<OpenDocument> closed = documents_.close(uri);
    if (!closed) return;
    // Its diagnostics go with it, after any check of it that is still under way.
    worker_->forget(uri, [&] { publish(uri, std::nullopt, json::array()); });
    published_.erase(uri);
    // Its trains are checked with the file from now on.
    if (closed->kind == DescriptionKind::line && closed->path) checkWithLine(*closed->path);
}

// A train description is checked with its line description's file when that is not open: the
// editor is asked to tell when such a file is saved, by this editor or another program.
void LanguageServer::watchLineDescriptions() {
    if (!watchesFiles_) return;
    const json watchers = json::array({{{"globPattern", "**/*_linea.txt"}}});
    out_.send(requestMessage(
        "scenario-tool/watch", "client/registerCapability",
        {{"registrations", json::array({{{"id", "line-descriptions"},
                                         {"method", "workspace/didChangeWatchedFiles"},
                                         {"registerOptions", {{"watchers", watchers}}}}})}}));
}

void LanguageServer::filesChanged(const json& params) {
    for (const json& change : member(params, "changes")) {
        const json& uri = member(change, "uri");
        if (!uri.is_string()) continue;
        const std::optional<std::string> path = pathFromUri(uri.get<std::string>());
        if (!path || descriptionKindOf(*path) != DescriptionKind::line) continue;
        // An open line description is checked from the editor's text, not from its file.
        if (!documents_.findPath(*path)) checkWithLine(*path);
    }
}

void LanguageServer::check(const OpenDocument& doc) {
    if (std::optional<CheckOrder> order = checkOf(documents_, doc)) {
        worker_->schedule(std::move(*order), doc.version);
    }
}

void LanguageServer::checkWithLine(const std::string& linePath) {
    for (const OpenDocument* train : trainsOfLine(documents_, linePath)) check(*train);
}

void LanguageServer::publish(const std::string& uri, std::optional<int> version,
                             const json& diagnostics) {
    published_.set(uri, version, diagnostics);
    json params = {{"uri", uri}, {"diagnostics", diagnostics}};
    if (version) params["version"] = *version;
    out_.send(notificationMessage("textDocument/publishDiagnostics", params));
}

}  // namespace tool::editor
