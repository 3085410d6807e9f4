#include "tools/compiled_files/compiled_file_kind.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace tool {
namespace {

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<long>(suffix.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

std::filesystem::path withoutSuffix(std::string_view path) {
    std::filesystem::path p(path);
    return p.parent_path() / p.stem();
}

}  // namespace

std::optional<CompiledKind> compiledKindFromName(std::string_view path) {
    const std::string name = std::filesystem::path(path).filename().string();
    if (endsWithNoCase(name, "_linea.dat")) return CompiledKind::plan;
    if (endsWithNoCase(name, ".sim")) return CompiledKind::train;
    if (endsWithNoCase(name, ".dat")) return CompiledKind::route;
    return std::nullopt;
}

std::optional<CompiledKind> compiledKindFromWord(std::string_view word) {
    if (word == "plan") return CompiledKind::plan;
    if (word == "train") return CompiledKind::train;
    if (word == "route") return CompiledKind::route;
    return std::nullopt;
}

std::string_view kindWord(CompiledKind kind) {
    switch (kind) {
        case CompiledKind::plan:
            return "plan";
        case CompiledKind::train:
            return "train";
        case CompiledKind::route:
            return "route";
    }
    return "";
}

std::string companionPath(std::string_view path, CompiledKind wanted) {
    std::filesystem::path p = withoutSuffix(path);
    p += wanted == CompiledKind::train ? ".sim" : ".dat";
    return p.string();
}

std::string planPathBeside(std::string_view path, std::string_view lineName) {
    return (std::filesystem::path(path).parent_path() / (std::string(lineName) + "_linea.dat"))
        .string();
}

bool sameScenario(std::string_view routePath, std::string_view trainPath) {
    return withoutSuffix(routePath) == withoutSuffix(trainPath);
}

}  // namespace tool
