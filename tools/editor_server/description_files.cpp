#include "tools/editor_server/description_files.h"

#include <algorithm>

namespace tool::editor {
namespace {

bool endsWithWords(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(),
                      s.end() - static_cast<std::ptrdiff_t>(suffix.size()), [](char a, char b) {
                          return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
                      });
}

std::size_t nameStart(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

std::optional<DescriptionKind> descriptionKindOf(std::string_view path) {
    const std::string_view name = path.substr(nameStart(path));
    if (name.size() > 10 && endsWithWords(name, "_linea.txt")) return DescriptionKind::line;
    if (name.size() > 5 && endsWithWords(name, "-.txt")) return DescriptionKind::train;
    return std::nullopt;
}

std::vector<std::string> lineCandidates(std::string_view trainPath) {
    std::vector<std::string> found;
    if (descriptionKindOf(trainPath) != DescriptionKind::train) return found;
    const std::size_t start = nameStart(trainPath);
    const std::string_view name = trainPath.substr(start);
    const std::string_view folder = trainPath.substr(0, start);
    // X_Y-.txt: X before any "_" that leaves a train name after it.
    const std::string_view stem = name.substr(0, name.size() - 5);
    for (std::size_t at = stem.find('_'); at != std::string_view::npos && at + 1 < stem.size();
         at = stem.find('_', at + 1)) {
        if (at == 0) continue;
        found.push_back(std::string(folder) + std::string(stem.substr(0, at)) + "_linea.txt");
    }
    return found;
}

}  // namespace tool::editor
