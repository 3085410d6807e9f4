#include "tools/diagnostics/check_command.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <iterator>
#include <nlohmann/json.hpp>
#include <tuple>
#include <utility>

#include "platform/files.h"
#include "tools/command_line/descriptions_in_memory.h"
#include "tools/command_line/exit_status.h"
#include "tools/command_line/scenario_names.h"
#include "tools/command_line/terminal_text.h"
#include "tools/diagnostics/check_errors.h"
#include "tools/diagnostics/consequences.h"
#include "tools/diagnostics/diagnostic_json.h"
#include "tools/diagnostics/lint.h"
#include "tools/diagnostics/plausibility_checks.h"
#include "tools/diagnostics/range_checks.h"
#include "tools/diagnostics/sarif.h"
#include "tools/diagnostics/source_context.h"
#include "tools/editor_server/explanation_links.h"

namespace tool {
namespace {

std::string toJson(const ToldDiagnostics& told, const ErrorScan& scan, int errors, int warnings,
                   int status) {
    using json = nlohmann::ordered_json;
    json out;
    out["status"] = status;
    out["errors"] = errors;
    out["warnings"] = warnings;
    out["limitReached"] = scan.limitReached;
    out["warningsLeftOut"] = told.warningsLeftOut;
    json list = json::array();
    for (const Diagnostic& d : told.told) list.push_back(diagnosticJson(d));
    out["diagnostics"] = std::move(list);
    return out.dump(-1, ' ', false, json::error_handler_t::replace);
}

// The document of a run that could not check its inputs: why, with no diagnostic.
std::string problemJson(int status, const std::string& problem) {
    using json = nlohmann::ordered_json;
    json out;
    out["status"] = status;
    out["errors"] = 0;
    out["warnings"] = 0;
    out["limitReached"] = false;
    out["warningsLeftOut"] = 0;
    out["diagnostics"] = json::array();
    out["problem"] = problem;
    return out.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string nameOr(const std::optional<std::string>& given, std::optional<std::string> fromFile,
                   const char* fallback) {
    return given ? *given : fromFile ? *fromFile : fallback;
}

}  // namespace

namespace {

// One description's lint warnings (the first `keep` kept) joined with its range warnings (all
// kept), by place: the first `keep` of the two together are the first of each.
LintResult withRangeWarnings(LintResult lint, std::vector<Diagnostic> ranges, std::size_t keep) {
    if (ranges.empty()) return lint;
    std::vector<Diagnostic> joined;
    joined.reserve(lint.first.size() + ranges.size());
    const auto before = [](const Diagnostic& a, const Diagnostic& b) {
        return std::pair(a.line, a.column) < std::pair(b.line, b.column);
    };
    std::merge(std::make_move_iterator(lint.first.begin()),
               std::make_move_iterator(lint.first.end()), std::make_move_iterator(ranges.begin()),
               std::make_move_iterator(ranges.end()), std::back_inserter(joined), before);
    if (joined.size() > keep) joined.resize(keep);
    return {std::move(joined), lint.count + ranges.size()};
}

// The warnings about what the compiler read, of both kinds, each description's by place.
RangeWarnings traceWarnings(const RangeCheckInput& input, const RecordTrace& trace,
                            const std::vector<std::string>& disabled) {
    RangeWarnings found;
    if (std::find(disabled.begin(), disabled.end(), kValueOutOfRange) == disabled.end()) {
        found = rangeWarnings(input, trace);
    }
    RangeWarnings plausible = plausibilityWarnings(input, trace, disabled);
    const auto join = [](std::vector<Diagnostic>& into, std::vector<Diagnostic>& more) {
        const auto middle = static_cast<std::ptrdiff_t>(into.size());
        into.insert(into.end(), std::make_move_iterator(more.begin()),
                    std::make_move_iterator(more.end()));
        std::inplace_merge(into.begin(), into.begin() + middle, into.end(),
                           [](const Diagnostic& a, const Diagnostic& b) {
                               return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                           });
    };
    join(found.line, plausible.line);
    join(found.train, plausible.train);
    return found;
}

}  // namespace

Warnings descriptionWarnings(const std::string& lineFile, std::string_view line,
                             const std::string& trainFile, std::string_view train, bool trackPlan,
                             const std::vector<std::string>& disabled, std::size_t keep,
                             const RecordTrace* trace) {
    const RangeCheckInput input{lineFile, line, trainFile, train, trackPlan};
    std::optional<RecordTrace> own;
    if (!trace) trace = &own.emplace(traceOf(input));
    RangeWarnings ranges = traceWarnings(input, *trace, disabled);
    LintResult lineFound =
        withRangeWarnings(lintDescription({lineFile, line, true, trackPlan, disabled, keep}),
                          std::move(ranges.line), keep);
    // The train description's warnings follow all of the line description's.
    const std::size_t trainKeep = keep - lineFound.first.size();
    LintResult trainFound = withRangeWarnings(
        lintDescription({trainFile, train, false, trackPlan, disabled, trainKeep}),
        std::move(ranges.train), trainKeep);
    Warnings found{std::move(lineFound.first), lineFound.count + trainFound.count};
    for (Diagnostic& d : trainFound.first) found.first.push_back(std::move(d));
    return found;
}

void sortByPlace(std::vector<Diagnostic>& diagnostics, const std::string& lineFile,
                 const std::string& trainFile) {
    // What follows from a mistake is told right after it, in its own order.
    const auto key = [&](const Diagnostic& d) {
        const auto rank = [&](const std::string& file) {
            return file == lineFile ? 0 : file == trainFile ? 1 : 2;
        };
        if (d.followsFrom) {
            const RelatedPlace& c = *d.followsFrom;
            return std::tuple(rank(c.file), c.line, c.column, 1, d.line, d.column);
        }
        return std::tuple(rank(d.file), d.line, d.column, 0, 0, 0);
    };
    std::stable_sort(diagnostics.begin(), diagnostics.end(),
                     [&](const Diagnostic& a, const Diagnostic& b) { return key(a) < key(b); });
}

ToldDiagnostics toldDiagnostics(const std::vector<Diagnostic>& errors, Warnings warnings,
                                const std::string& lineFile, const std::string& trainFile) {
    ToldDiagnostics result;
    result.warningsLeftOut = warnings.count - warnings.first.size();
    result.told = errors;
    for (Diagnostic& d : warnings.first) result.told.push_back(std::move(d));
    result.folded = linkConsequences(result.told);
    sortByPlace(result.told, lineFile, trainFile);
    return result;
}

std::string warningsLeftOutLine(std::size_t leftOut, std::size_t limit) {
    return std::to_string(leftOut) + (leftOut == 1 ? " more warning" : " more warnings") +
           " not shown (the first " + std::to_string(limit) + " are)\n";
}

std::string formatDiagnostic(const Diagnostic& d) {
    std::string out;
    if (!d.file.empty()) {
        out += shownText(d.file);
        if (d.line > 0) out += ":" + std::to_string(d.line) + ":" + std::to_string(d.column);
        out += ": ";
    }
    if (d.severity == Severity::error) {
        out += "error";
        if (d.code != scenario::ErrorCode::none) {
            out += " " + std::to_string(scenario::codeNumber(d.code));
        }
        if (d.position) out += " at " + std::to_string(*d.position) + " m";
        out += ": " + shownText(d.message) + " [" + d.rule + "]\n";
    } else {
        out += "warning: " + shownText(d.message) + " [-W" + d.rule + "]\n";
    }
    if (d.sourceLine && d.line > 0) out += caretLines(*d.sourceLine, d.sourceColumn);
    if (d.heldBy) out += "    note: " + shownText(d.heldBy->message) + "\n";
    for (const RelatedPlace& r : d.related) out += "    note: " + shownText(r.message) + "\n";
    if (d.followsFrom) out += "    note: " + shownText(d.followsFrom->message) + "\n";
    if (d.afterSkip) out += "    note: found after leaving out an earlier failing record\n";
    if (!d.hint.empty()) out += "    hint: " + shownText(d.hint) + "\n";
    return out;
}

// Running out of memory and internal errors go to the caller, which tells them on standard error
// and, under --json or --sarif, in the document the run promised.
int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    CheckInputs inputs;
    inputs.lineFile = options.lineFile;
    inputs.trainFile = options.trainFile;
    inputs.trackPlan = options.trackPlan;
    // Both descriptions are read, and each that cannot be is told, before anything is checked.
    std::string problems;
    for (const auto& [path, bytes] : {std::pair{&options.lineFile, &inputs.lineBytes},
                                      std::pair{&options.trainFile, &inputs.trainBytes}}) {
        if (auto problem = readDescription(*path, *bytes)) {
            err << "scenario-tool: " << *problem << '\n';
            problems += (problems.empty() ? "" : "; ") + *problem;
        }
    }
    if (!problems.empty()) {
        if (options.sarif) out << sarifFailure(kExitNothingWritten, problems) << '\n';
        if (options.json) out << problemJson(kExitNothingWritten, problems) << '\n';
        return kExitNothingWritten;
    }
    // The names only reach the scenario codes, which a check does not write: any will do.
    inputs.lineName = nameOr(options.lineName, lineNameFromFile(options.lineFile), "LINE");
    inputs.trainName =
        nameOr(options.trainName, trainNameFromFile(options.trainFile, inputs.lineName), "TRAIN");

    const ErrorScan scan = findErrors(inputs, options.limit);
    Warnings warnings = descriptionWarnings(inputs.lineFile, inputs.lineBytes, inputs.trainFile,
                                            inputs.trainBytes, inputs.trackPlan, options.disabled,
                                            options.warningLimit, scan.trace.get());
    const std::size_t warningsFound = warnings.count;
    const ToldDiagnostics told =
        toldDiagnostics(scan.errors, std::move(warnings), inputs.lineFile, inputs.trainFile);
    const int warningCount = static_cast<int>(warningsFound - told.folded);

    const int errors = static_cast<int>(scan.errors.size());
    const int status =
        errors > 0 || (options.werror && warningCount > 0) ? kExitFailureRecorded : kExitCompiled;
    if (options.sarif) {
        SarifInvocation invocation;
        invocation.exitCode = status;
        invocation.warningsLeftOut = told.warningsLeftOut;
        invocation.warningLimit = options.warningLimit;
        std::error_code failed;
        const std::filesystem::path here = std::filesystem::current_path(failed);
        if (!failed) {
            const std::u8string utf8 = here.u8string();
            invocation.sourceRoot.assign(utf8.begin(), utf8.end());
        }
        invocation.docs = editor::docsBeside(platform::appDir());
        out << toSarif(told.told, options.werror, invocation) << '\n';
    } else if (options.json) {
        out << toJson(told, scan, errors, warningCount, status) << '\n';
    } else {
        for (const Diagnostic& d : told.told) out << formatDiagnostic(d);
        if (scan.limitReached) {
            out << "stopped after " << options.limit << " errors; more may follow\n";
        }
        if (told.warningsLeftOut > 0) {
            out << warningsLeftOutLine(told.warningsLeftOut, options.warningLimit);
        }
        out << errors << (errors == 1 ? " error, " : " errors, ") << warningCount
            << (warningCount == 1 ? " warning" : " warnings")
            << (options.werror && warningCount > 0 ? " (errors under --werror)" : "") << '\n';
    }
    return status;
}

}  // namespace tool
