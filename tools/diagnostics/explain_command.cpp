#include "tools/diagnostics/explain_command.h"

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "tools/command_line/exit_status.h"
#include "tools/diagnostics/error_reference.h"

namespace tool {
namespace {

// The lines of an entry as a terminal shows them: the document's collapsible-block tags go.
std::string forTerminal(std::string_view text) {
    std::string shown;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view line = text.substr(at, end - at);
        const bool tag = line.starts_with("<details>") || line.starts_with("</details>");
        const bool secondBlank = line == "\n" && shown.ends_with("\n\n");
        if (!tag && !secondBlank) shown += line;
        at = end;
    }
    while (shown.ends_with("\n\n")) shown.pop_back();
    if (!shown.ends_with('\n')) shown += '\n';
    return shown;
}

std::string knownCodes() {
    std::string list;
    for (const ErrorEntry& entry : errorEntries(errorReferenceText())) {
        list += (list.empty() ? "" : ", ") + std::to_string(entry.code);
    }
    return list;
}

}  // namespace

int runExplain(const std::string& code, std::ostream& out, std::ostream& err) {
    int number = 0;
    const auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), number);
    const bool isNumber = ec == std::errc{} && end == code.data() + code.size();
    const std::optional<ErrorEntry> entry =
        isNumber ? findErrorEntry(number) : std::optional<ErrorEntry>{};
    if (!entry) {
        err << "scenario-tool: " << (isNumber ? "no error " : "not an error code: ") << code
            << "; the codes are " << knownCodes() << '\n';
        return kExitNothingWritten;
    }
    out << forTerminal(entry->text);
    return kExitCompiled;
}

}  // namespace tool
