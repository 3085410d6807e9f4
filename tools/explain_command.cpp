#include "tools/explain_command.h"

#include <CLI/CLI.hpp>
#include <charconv>

#include "tools/error_reference.h"
#include "tools/exit_status.h"

namespace tool {
namespace {

constexpr const char* kExplainFooter =
    R"(Prints the entry of the error reference (docs/errors.md) for CODE, the number a
  compile message names ("error 16"): what it means, the usual cause, how to mend it and a
  minimal example that compiles to it.
Exit status:
  0  the entry was printed
  2  usage error, or CODE is not a code the compiler records (the known codes are listed)
  3  the entry could not be written to stdout)";

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

CLI::App* addExplainCommand(CLI::App& app, std::string& code) {
    CLI::App* explain = app.add_subcommand(
        "explain", "Explain an error code: what it means, its usual cause, how to mend it.");
    explain->add_option("CODE", code, "the code a message names, as in \"error 16\"")->required();
    explain->footer(kExplainFooter);
    return explain;
}

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
