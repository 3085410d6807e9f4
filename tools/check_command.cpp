#include "tools/check_command.h"

#include <algorithm>
#include <exception>
#include <nlohmann/json.hpp>

#include "platform/files.h"
#include "tools/check_errors.h"
#include "tools/diagnostic_json.h"
#include "tools/exit_status.h"
#include "tools/lint.h"
#include "tools/sarif.h"
#include "tools/scenario_names.h"
#include "tools/source_context.h"
#include "tools/unreadable_input.h"

namespace tool {
namespace {

bool readInput(const std::string& path, std::string& bytes, std::ostream& err) {
    platform::ReadResult read = platform::readFile(path);
    if (read.status == platform::ReadStatus::ok) {
        bytes = std::move(read.bytes);
        return true;
    }
    err << "scenario-tool: " << unreadableInput(path, read.status, read.reason) << '\n';
    return false;
}

std::string toJson(const std::vector<Diagnostic>& diagnostics, const ErrorScan& scan, int errors,
                   int warnings, int status) {
    using json = nlohmann::ordered_json;
    json out;
    out["status"] = status;
    out["errors"] = errors;
    out["warnings"] = warnings;
    out["limitReached"] = scan.limitReached;
    json list = json::array();
    for (const Diagnostic& d : diagnostics) list.push_back(diagnosticJson(d));
    out["diagnostics"] = std::move(list);
    return out.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::vector<Diagnostic> descriptionWarnings(const std::string& lineFile, std::string_view line,
                                            const std::string& trainFile, std::string_view train,
                                            bool trackPlan,
                                            const std::vector<std::string>& disabled) {
    std::vector<Diagnostic> found = lintDescription({lineFile, line, true, trackPlan});
    std::vector<Diagnostic> trainFound = lintDescription({trainFile, train, false, trackPlan});
    found.insert(found.end(), trainFound.begin(), trainFound.end());
    std::erase_if(found, [&](const Diagnostic& d) {
        return std::find(disabled.begin(), disabled.end(), d.rule) != disabled.end();
    });
    return found;
}

void sortByPlace(std::vector<Diagnostic>& diagnostics, const std::string& lineFile,
                 const std::string& trainFile) {
    std::stable_sort(
        diagnostics.begin(), diagnostics.end(), [&](const Diagnostic& a, const Diagnostic& b) {
            const auto rank = [&](const Diagnostic& d) {
                return d.file == lineFile ? 0 : d.file == trainFile ? 1 : 2;
            };
            return std::tuple(rank(a), a.line, a.column) < std::tuple(rank(b), b.line, b.column);
        });
}

std::string formatDiagnostic(const Diagnostic& d) {
    std::string out;
    if (!d.file.empty()) {
        out += d.file;
        if (d.line > 0) out += ":" + std::to_string(d.line) + ":" + std::to_string(d.column);
        out += ": ";
    }
    if (d.severity == Severity::error) {
        out += "error";
        if (d.code != scenario::ErrorCode::none) {
            out += " " + std::to_string(scenario::codeNumber(d.code));
        }
        if (d.position) out += " at " + std::to_string(*d.position) + " m";
        out += ": " + d.message + " [" + d.rule + "]\n";
    } else {
        out += "warning: " + d.message + " [-W" + d.rule + "]\n";
    }
    if (d.sourceLine && d.line > 0) out += caretLines(*d.sourceLine, d.sourceColumn);
    if (d.heldBy) out += "    note: " + d.heldBy->message + "\n";
    if (d.afterSkip) out += "    note: found after leaving out an earlier failing record\n";
    if (!d.hint.empty()) out += "    hint: " + d.hint + "\n";
    return out;
}

// Running out of memory and internal errors go to the caller, which tells them on standard error
// and, under --json, in the document the run promised.
int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    CheckInputs inputs;
    inputs.lineFile = options.lineFile;
    inputs.trainFile = options.trainFile;
    inputs.trackPlan = options.trackPlan;
    const bool line = readInput(options.lineFile, inputs.lineBytes, err);
    const bool train = readInput(options.trainFile, inputs.trainBytes, err);
    if (!line || !train) return kExitNothingWritten;
    // The names only reach the scenario codes, which a check does not write: any will do.
    inputs.lineName = options.lineName                     ? *options.lineName
                      : lineNameFromFile(options.lineFile) ? *lineNameFromFile(options.lineFile)
                                                           : "LINE";
    inputs.trainName = options.trainName ? *options.trainName
                       : trainNameFromFile(options.trainFile, inputs.lineName)
                           ? *trainNameFromFile(options.trainFile, inputs.lineName)
                           : "TRAIN";

    const ErrorScan scan = findErrors(inputs, options.limit);
    std::vector<Diagnostic> all = scan.errors;
    const std::vector<Diagnostic> warnings =
        descriptionWarnings(inputs.lineFile, inputs.lineBytes, inputs.trainFile, inputs.trainBytes,
                            inputs.trackPlan, options.disabled);
    all.insert(all.end(), warnings.begin(), warnings.end());
    sortByPlace(all, inputs.lineFile, inputs.trainFile);

    const int errors = static_cast<int>(scan.errors.size());
    const int warningCount = static_cast<int>(warnings.size());
    const int status =
        errors > 0 || (options.werror && warningCount > 0) ? kExitFailureRecorded : kExitCompiled;
    if (options.sarif) {
        out << toSarif(all, options.werror) << '\n';
    } else if (options.json) {
        out << toJson(all, scan, errors, warningCount, status) << '\n';
    } else {
        for (const Diagnostic& d : all) out << formatDiagnostic(d);
        if (scan.limitReached) {
            out << "stopped after " << options.limit << " errors; more may follow\n";
        }
        out << errors << (errors == 1 ? " error, " : " errors, ") << warningCount
            << (warningCount == 1 ? " warning" : " warnings")
            << (options.werror && warningCount > 0 ? " (errors under --werror)" : "") << '\n';
    }
    return status;
}

}  // namespace tool
