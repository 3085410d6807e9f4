#include "tools/diagnostics/error_reference.h"

#include <charconv>
#include <string>

namespace tool {
namespace {

constexpr std::string_view kEntryHeading = "## error ";

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The offset of every line that starts with "## ".
std::vector<std::size_t> headingStarts(std::string_view document) {
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < document.size();) {
        if (startsWith(document.substr(at), "## ")) starts.push_back(at);
        const std::size_t end = document.find('\n', at);
        if (end == std::string_view::npos) break;
        at = end + 1;
    }
    return starts;
}

}  // namespace

std::vector<ErrorEntry> errorEntries(std::string_view document) {
    std::vector<ErrorEntry> entries;
    const std::vector<std::size_t> starts = headingStarts(document);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : document.size();
        const std::string_view section = document.substr(starts[i], end - starts[i]);
        if (!startsWith(section, kEntryHeading)) continue;
        const std::string_view rest = section.substr(kEntryHeading.size());
        ErrorEntry entry;
        const auto [after, ec] =
            std::from_chars(rest.data(), rest.data() + rest.size(), entry.code);
        if (ec != std::errc{} || !startsWith(std::string_view(after, 2), ": ")) continue;
        const std::string_view heading = rest.substr(0, rest.find('\n'));
        entry.title = heading.substr(static_cast<std::size_t>(after - rest.data()) + 2);
        if (!entry.title.empty() && entry.title.back() == '\r') entry.title.remove_suffix(1);
        entry.text = section;
        entries.push_back(entry);
    }
    return entries;
}

std::optional<std::string_view> findWarningEntry(std::string_view name) {
    const std::string_view document = warningReferenceText();
    const std::vector<std::size_t> starts = headingStarts(document);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : document.size();
        const std::string_view section = document.substr(starts[i], end - starts[i]);
        const std::string_view heading = section.substr(0, section.find('\n'));
        if (heading == "## `" + std::string(name) + "`" ||
            heading == "## `" + std::string(name) + "`\r") {
            return section;
        }
    }
    return std::nullopt;
}

std::optional<ErrorEntry> findErrorEntry(int code) {
    for (const ErrorEntry& entry : errorEntries(errorReferenceText())) {
        if (entry.code == code) return entry;
    }
    return std::nullopt;
}

}  // namespace tool
