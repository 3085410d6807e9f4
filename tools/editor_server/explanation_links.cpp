#include "tools/editor_server/explanation_links.h"

#include <cctype>
#include <filesystem>

#include "tools/diagnostics/error_reference.h"
#include "tools/editor_server/file_uri.h"

namespace tool::editor {

std::string headingAnchor(std::string_view heading) {
    std::string anchor;
    for (const char c : heading) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) != 0 || c == '-' || c == '_') {
            anchor.push_back(static_cast<char>(std::tolower(u)));
        } else if (c == ' ') {
            anchor.push_back('-');
        }
    }
    return anchor;
}

std::optional<std::string> explanationLink(const Diagnostic& d, std::string_view docs) {
    if (d.severity == Severity::warning) {
        return std::string(docs) + "warnings.md#" + headingAnchor(d.rule);
    }
    if (d.code == scenario::ErrorCode::none) return std::nullopt;
    const int code = scenario::codeNumber(d.code);
    const std::optional<ErrorEntry> entry = findErrorEntry(code);
    if (!entry) return std::nullopt;
    return std::string(docs) + "errors.md#" +
           headingAnchor("error " + std::to_string(code) + ": " + std::string(entry->title));
}

std::optional<std::string> docsBeside(const std::string& programDir) {
    namespace fs = std::filesystem;
    const fs::path dir(programDir);
    for (const fs::path& docs :
         {dir / "docs", dir / ".." / "share" / "doc" / "scenario-tool" / "docs",
          dir / ".." / ".." / ".." / "docs"}) {
        std::error_code ec;
        if (fs::is_regular_file(docs / "errors.md", ec)) {
            std::string path = fs::weakly_canonical(docs, ec).generic_string();
            if (ec) continue;
            if (!path.ends_with('/')) path += '/';
            return uriFromPath(path);
        }
    }
    return std::nullopt;
}

}  // namespace tool::editor
