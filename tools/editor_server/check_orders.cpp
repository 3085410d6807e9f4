#include "tools/editor_server/check_orders.h"

#include <algorithm>
#include <filesystem>

#include "tools/editor_server/description_files.h"
#include "tools/editor_server/file_uri.h"

namespace tool::editor {
namespace {

// The line description a train is checked with: the first candidate open in the editor or
// present as a file.
std::optional<DescriptionInput> lineOf(const OpenDocuments& docs, const std::string& trainPath) {
    for (const std::string& candidate : lineCandidates(trainPath)) {
        if (const OpenDocument* open = docs.findPath(candidate)) {
            return DescriptionInput{candidate, open->uri, open->text};
        }
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) {
            return DescriptionInput{candidate, uriFromPath(candidate), nullptr};
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<CheckOrder> checkOf(const OpenDocuments& docs, const OpenDocument& doc) {
    if (!doc.path || !doc.kind) return std::nullopt;
    CheckOrder order;
    order.kind = *doc.kind;
    order.target = {*doc.path, doc.uri, doc.text};
    if (order.kind == DescriptionKind::train) {
        order.line = lineOf(docs, *doc.path);
        const std::vector<std::string> candidates = lineCandidates(*doc.path);
        order.expectedLine =
            candidates.empty() ? "X_linea.txt for a train named X_Y-.txt" : candidates.front();
    }
    return order;
}

std::vector<const OpenDocument*> trainsOfLine(const OpenDocuments& docs,
                                              const std::string& linePath) {
    std::vector<const OpenDocument*> trains;
    for (const OpenDocument* doc : docs.all()) {
        if (doc->kind != DescriptionKind::train || !doc->path) continue;
        const std::vector<std::string> candidates = lineCandidates(*doc->path);
        if (std::find(candidates.begin(), candidates.end(), linePath) != candidates.end()) {
            trains.push_back(doc);
        }
    }
    return trains;
}

}  // namespace tool::editor
