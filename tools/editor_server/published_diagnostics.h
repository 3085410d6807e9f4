// The diagnostics last published for each document, with the version they were made from: the
// quick fixes and the colouring of fields in error come from them, and only while the
// document still has that version.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "tools/editor_server/json_rpc.h"

namespace tool::editor {

class PublishedDiagnostics {
  public:
    void set(const std::string& uri, std::optional<int> version, const json& diagnostics);
    void erase(const std::string& uri);
    // Those published for `uri` at `version`; an empty array for any other version.
    json of(const std::string& uri, std::optional<int> version) const;

  private:
    mutable std::mutex mutex_;
    std::map<std::string, std::pair<std::optional<int>, json>> byUri_;
};

// textDocument/codeAction's answer: a quick fix for each diagnostic of `diagnostics` that
// carries a mechanical mend (data.replacement) and meets `range`.
json quickFixes(const json& diagnostics, const std::string& uri, const json& range);

}  // namespace tool::editor
