#include "tools/editor_server/published_diagnostics.h"

#include <algorithm>
#include <tuple>

namespace tool::editor {
namespace {

std::tuple<long long, long long> at(const json& position) {
    return {position.value("line", 0LL), position.value("character", 0LL)};
}

bool meets(const json& a, const json& b) {
    return at(a["start"]) <= at(b["end"]) && at(b["start"]) <= at(a["end"]);
}

}  // namespace

void PublishedDiagnostics::set(const std::string& uri, std::optional<int> version,
                               const json& diagnostics) {
    const std::lock_guard lock(mutex_);
    byUri_.insert_or_assign(uri, std::pair{version, diagnostics});
}

void PublishedDiagnostics::erase(const std::string& uri) {
    const std::lock_guard lock(mutex_);
    byUri_.erase(uri);
}

json PublishedDiagnostics::of(const std::string& uri, std::optional<int> version) const {
    const std::lock_guard lock(mutex_);
    const auto found = byUri_.find(uri);
    if (found == byUri_.end() || found->second.first != version) return json::array();
    return found->second.second;
}

json quickFixes(const json& diagnostics, const std::string& uri, const json& range) {
    json actions = json::array();
    for (const json& d : diagnostics) {
        if (!d.contains("data") || !d["data"].contains("replacement") ||
            !meets(d["range"], range)) {
            continue;
        }
        const json& replacement = d["data"]["replacement"];
        const std::string text = replacement["newText"].get<std::string>();
        json diagnostic = d;
        diagnostic.erase("data");
        // The title shows the text's first line.
        const std::size_t from = std::min(text.find_first_not_of("\r\n"), text.size());
        const std::string shown = text.substr(from, text.find_first_of("\r\n", from) - from);
        const std::string title = text.empty()    ? "Remove it"
                                  : shown.empty() ? "Add a line end"
                                                  : "Write \"" + shown + "\"";
        actions.push_back({{"title", title},
                           {"kind", "quickfix"},
                           {"isPreferred", true},
                           {"diagnostics", json::array({diagnostic})},
                           {"edit", {{"changes", {{uri, json::array({replacement})}}}}}});
    }
    return actions;
}

}  // namespace tool::editor
