#include "tools/diagnostics/diagnostic_json.h"

namespace tool {
namespace {

nlohmann::ordered_json placeJson(const RelatedPlace& p) {
    using json = nlohmann::ordered_json;
    return {{"file", p.file.empty() ? json(nullptr) : json(p.file)},
            {"line", p.line > 0 ? json(p.line) : json(nullptr)},
            {"column", p.line > 0 ? json(p.column) : json(nullptr)},
            {"message", p.message}};
}

}  // namespace

nlohmann::ordered_json diagnosticJson(const Diagnostic& d) {
    using json = nlohmann::ordered_json;
    json item;
    item["severity"] = d.severity == Severity::error ? "error" : "warning";
    item["rule"] = d.rule;
    item["code"] =
        d.code != scenario::ErrorCode::none ? json(scenario::codeNumber(d.code)) : json(nullptr);
    item["position"] = d.position ? json(*d.position) : json(nullptr);
    item["file"] = d.file.empty() ? json(nullptr) : json(d.file);
    item["line"] = d.line > 0 ? json(d.line) : json(nullptr);
    item["column"] = d.line > 0 ? json(d.column) : json(nullptr);
    item["message"] = d.message;
    item["hint"] = d.hint;
    item["sourceLine"] = d.sourceLine ? json(*d.sourceLine) : json(nullptr);
    item["sourceColumn"] = d.sourceLine ? json(d.sourceColumn) : json(nullptr);
    item["afterSkip"] = d.afterSkip;
    if (d.heldBy) {
        item["heldBy"] = {{"file", d.heldBy->file.empty() ? json(nullptr) : json(d.heldBy->file)},
                          {"line", d.heldBy->line > 0 ? json(d.heldBy->line) : json(nullptr)},
                          {"message", d.heldBy->message}};
    } else {
        item["heldBy"] = nullptr;
    }
    json related = json::array();
    for (const RelatedPlace& r : d.related) related.push_back(placeJson(r));
    item["related"] = std::move(related);
    item["followsFrom"] = d.followsFrom ? placeJson(*d.followsFrom) : json(nullptr);
    return item;
}

}  // namespace tool
