#include "tools/command_line/scenario_names.h"

#include <algorithm>
#include <filesystem>

namespace tool {
namespace {

constexpr std::string_view kLineSuffix = "_linea.txt";
constexpr std::string_view kTrainSuffix = "-.txt";

std::string baseName(std::string_view path) {
    return std::filesystem::path(path).filename().string();
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// `name` without `suffix` (compared ignoring ASCII case), or nothing when it does not end so.
std::optional<std::string> withoutSuffix(const std::string& name, std::string_view suffix) {
    if (name.size() < suffix.size()) return std::nullopt;
    const std::string_view tail = std::string_view(name).substr(name.size() - suffix.size());
    if (!std::equal(tail.begin(), tail.end(), suffix.begin(),
                    [](char a, char b) { return lowerAscii(a) == lowerAscii(b); })) {
        return std::nullopt;
    }
    return name.substr(0, name.size() - suffix.size());
}

}  // namespace

std::optional<std::string> lineNameFromFile(std::string_view path) {
    std::optional<std::string> stem = withoutSuffix(baseName(path), kLineSuffix);
    if (!stem || stem->empty()) return std::nullopt;
    return stem;
}

std::optional<std::string> trainNameFromFile(std::string_view path, std::string_view lineName) {
    const std::optional<std::string> stem = withoutSuffix(baseName(path), kTrainSuffix);
    if (!stem) return std::nullopt;
    const std::string prefix = std::string(lineName) + "_";
    if (stem->size() <= prefix.size() || !stem->starts_with(prefix)) return std::nullopt;
    return stem->substr(prefix.size());
}

std::optional<std::string> nameProblem(std::string_view name) {
    if (name.empty()) return "is empty";
    for (const char c : name) {
        if (c == '/' || c == '\\') return "holds a path separator";
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) return "holds a character other than printable ASCII";
    }
    return std::nullopt;
}

}  // namespace tool
