#include "tools/command_line/compile_command.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "compiler/compilation.h"
#include "compiler/error_codes.h"
#include "output/compiled_output.h"
#include "platform/file_identity.h"
#include "platform/files.h"
#include "tools/command_line/compile_report.h"
#include "tools/command_line/descriptions_in_memory.h"
#include "tools/command_line/exit_status.h"
#include "tools/command_line/named_output.h"
#include "tools/command_line/scenario_names.h"
#include "tools/command_line/terminal_text.h"
#include "tools/diagnostics/check_command.h"
#include "tools/diagnostics/lint_rules.h"

namespace tool {
namespace {

constexpr const char* kProgram = "scenario-tool: ";

constexpr std::string_view kRefusing[] = {"field-count", "unknown-keyword", "value-out-of-range",
                                          "missing-end-header"};

// The rule names of `warnings` that refuse the writing, each once, in the order of kRefusing.
std::vector<std::string_view> refusingIn(const std::vector<Diagnostic>& warnings,
                                         const std::vector<std::string>& relaxed) {
    std::vector<std::string_view> names;
    for (const std::string_view rule : kRefusing) {
        if (std::find(relaxed.begin(), relaxed.end(), rule) != relaxed.end()) continue;
        if (std::any_of(warnings.begin(), warnings.end(),
                        [rule](const Diagnostic& d) { return d.rule == rule; })) {
            names.push_back(rule);
        }
    }
    return names;
}

class CompileRun {
  public:
    CompileRun(const CompileOptions& options, std::ostream& out, std::ostream& err)
        : options_(options), out_(out), err_(err) {}

    int run() {
        try {
            return compile();
        } catch (const std::bad_alloc&) {
            return stop(kExitInternalError, "out of memory");
        } catch (const std::exception& e) {
            return stop(kExitInternalError, std::string("internal error: ") + e.what());
        }
    }

  private:
    int compile() {
        if (!resolveNames()) return finish(kExitNothingWritten);
        if (!readInputs()) return finish(kExitNothingWritten);
        // One compilation, heard by the trace: the warnings read what it read, and its files
        // are the ones written.
        RecordTrace trace;
        const scenario::Compilation compilation = compileInputs(trace);
        tellWarnings(trace);
        tellFailure(compilation);
        if (const std::optional<int> status = refuse(compilation, trace)) return *status;
        return write(compilation.files());
    }

    scenario::Compilation compileInputs(RecordTrace& trace) const {
        scenario::Compilation compilation =
            scenario::compile({lineName_, trainName_},
                              {scenario::inMemory(lineBytes_), scenario::inMemory(trainBytes_)},
                              // Written, not looked at: the plan's points are computed as they
                              // are encoded.
                              {.makeTrackPlan = options_.trackPlan ? 1 : 0,
                               .observer = &trace,
                               .planPoints = scenario::PlanPoints::drawingOnly});
        trace.setFailed(compilation.model.error.errorCode != scenario::ErrorCode::none);
        return compilation;
    }

    // The warnings go into the report and, unless silenced, on `err`, before the failure.
    void tellWarnings(const RecordTrace& trace) {
        ToldDiagnostics warnings = toldDiagnostics(
            {},
            descriptionWarnings(options_.lineFile, lineBytes_, options_.trainFile, trainBytes_,
                                options_.trackPlan, {}, kWarningLimit, &trace),
            options_.lineFile, options_.trainFile);
        report_.warnings = std::move(warnings.told);
        report_.warningsLeftOut = warnings.warningsLeftOut;
        if (options_.showWarnings) {
            for (const Diagnostic& warning : report_.warnings) err_ << formatDiagnostic(warning);
            if (report_.warningsLeftOut > 0) {
                err_ << warningsLeftOutLine(report_.warningsLeftOut, kWarningLimit);
            }
        }
    }

    void tellFailure(const scenario::Compilation& compilation) {
        const scenario::ScenarioModel& model = compilation.model;
        report_.errorCode = model.error.errorCode;
        report_.errorPosition = model.error.errorPosition;
        report_.failure =
            recordedFailure(model, compilation.reading, {options_.lineFile, options_.trainFile},
                            DescriptionTexts{lineBytes_, trainBytes_});
        if (report_.failure) err_ << formatFailureWithContext(*report_.failure);
    }

    // The status of a run that writes no file, for a compilation with no files to write or
    // whose files would not hold what the descriptions say; nothing when the files are to be
    // written.
    std::optional<int> refuse(const scenario::Compilation& compilation, const RecordTrace& trace) {
        if (const std::optional<output::Unwritable> why = output::unwritable(compilation)) {
            if (why->noRoute) {
                return stop(kExitNothingWritten,
                            std::string(kNoRouteProblem) + "; no compiled file written");
            }
            return stopOnStamps(why->code,
                                why->code == scenario::ErrorCode::dataOverFormatStamps
                                    ? " (an object in cell 1, the first 50 m of the route)"
                                    : "");
        }
        // The files of a failed compilation hold only what was read before the failure; an
        // author who writes them asks for it.
        if (report_.failure && !options_.writeOnError) {
            return stop(kExitFailureRecorded,
                        "the compilation recorded a failure; no compiled file written "
                        "(--write-on-error writes them as the installer would)");
        }
        if (!options_.writeOnError) {
            if (const std::optional<std::string> refused = refusal(trace)) {
                return stop(kExitFailureRecorded, *refused);
            }
        }
        return std::nullopt;
    }

    int write(const std::vector<scenario::CompiledFile>& files) {
        // A compiled file may not take the place of a description, under any name or link.
        for (const scenario::CompiledFile& file : files) {
            if (auto clash =
                    outputIsInput(outputPath(file.name), {options_.lineFile, options_.trainFile})) {
                return stop(kExitNothingWritten, *clash + "; no compiled file written");
            }
        }
        // A second compilation into the same folder waits until this one has written its
        // files; then nothing else writes there, and what a killed one left can be cleared.
        std::vector<std::string> names;
        for (const scenario::CompiledFile& file : files) names.push_back(file.name);
        output::TakenFolder folder;
        try {
            makeOutputFolder();
            folder = output::TakenFolder::take(options_.outDir, names);
        } catch (const platform::FileError& e) {
            return stop(kExitOutputFailed, e.what());
        }
        // Each file is an output the user named by its folder: written as writeNamedOutput
        // writes any, and listed once it is whole.
        try {
            output::writeCompiledFiles(
                files, [this](const std::string& name) { return outputPath(name); },
                [](const std::string& path, const common::ByteProducer& produce) {
                    writeNamedOutput(path, produce);
                },
                [this](const scenario::CompiledFile& file, const std::string& path) {
                    report_.files.push_back(file.name);
                    if (!options_.json) out_ << shownText(path) << '\n';
                });
        } catch (const platform::FileError& e) {
            return stop(kExitOutputFailed, e.what());
        }
        return finish(report_.failure ? kExitFailureRecorded : kExitCompiled);
    }

    // What keeps the files unwritten among the warnings: those that mean the files would not
    // hold what was written. The warnings left out of the report are looked at again for them.
    std::optional<std::string> refusal(const RecordTrace& trace) const {
        std::vector<std::string_view> names = refusingIn(report_.warnings, options_.relaxed);
        std::size_t count = 0;
        for (const Diagnostic& d : report_.warnings) {
            if (std::find(names.begin(), names.end(), d.rule) != names.end()) ++count;
        }
        if (report_.warningsLeftOut > 0) {
            std::vector<std::string> others;
            for (const LintRule& rule : lintRules()) {
                if (!std::ranges::count(kRefusing, rule.name) ||
                    std::ranges::count(options_.relaxed, rule.name)) {
                    others.emplace_back(rule.name);
                }
            }
            const Warnings all =
                descriptionWarnings(options_.lineFile, lineBytes_, options_.trainFile, trainBytes_,
                                    options_.trackPlan, others, kWarningLimit, &trace);
            names = refusingIn(all.first, options_.relaxed);
            count = all.count;
        }
        if (count == 0) return std::nullopt;
        std::string list;
        for (const std::string_view name : names) {
            list += (list.empty() ? "" : ", ") + std::string(name);
        }
        return "the compiled files would not hold what the descriptions say (" +
               std::to_string(count) + (count == 1 ? " warning: " : " warnings: ") + list +
               "); no compiled file written (-Wno-error=NAME lets one pass, --write-on-error "
               "writes them as the installer would)";
    }

    // A folder named by --out that does not exist yet is made, with those above it, only once
    // the files are to be written.
    void makeOutputFolder() const {
        if (platform::fileKind(options_.outDir) == platform::FileKind::directory) return;
        std::error_code failure;
        // Read as UTF-8 on every system, as the tool's other paths are.
        const std::u8string name(options_.outDir.begin(), options_.outDir.end());
        std::filesystem::create_directories(std::filesystem::path(name), failure);
        if (failure && platform::fileKind(options_.outDir) != platform::FileKind::directory) {
            throw platform::FileError("cannot make the folder " + options_.outDir + ": " +
                                      failure.message());
        }
    }

    // The names from the options, else from the file names; a name that cannot be told or
    // used is a usage error.
    bool resolveNames() {
        if (options_.lineName) {
            lineName_ = *options_.lineName;
        } else if (auto name = lineNameFromFile(options_.lineFile)) {
            lineName_ = *name;
        } else {
            return tell("cannot tell the line name from " + options_.lineFile +
                        ": name the file X_linea.txt or give --line-name");
        }
        if (auto problem = nameProblem(lineName_)) {
            return tell("the line name \"" + lineName_ + "\" " + *problem);
        }
        if (options_.trainName) {
            trainName_ = *options_.trainName;
        } else if (auto name = trainNameFromFile(options_.trainFile, lineName_)) {
            trainName_ = *name;
        } else {
            return tell("cannot tell the train name from " + options_.trainFile +
                        ": name the file " + lineName_ + "_Y-.txt or give --train-name");
        }
        if (auto problem = nameProblem(trainName_)) {
            return tell("the train name \"" + trainName_ + "\" " + *problem);
        }
        return true;
    }

    // Both descriptions are read before anything is compiled, so that a missing one is told
    // as such rather than as a failure inside the descriptions.
    bool readInputs() {
        const bool line = readInput(options_.lineFile, lineBytes_);
        const bool train = readInput(options_.trainFile, trainBytes_);
        return line && train;
    }

    bool readInput(const std::string& path, std::string& bytes) {
        if (auto problem = readDescription(path, bytes)) return tell(*problem);
        return true;
    }

    std::string outputPath(const std::string& name) const {
        return platform::joinPath(options_.outDir, name);
    }

    // Tells a problem that keeps the tool from writing the compiled files; returns false so
    // that the steps that find one can stop with it.
    bool tell(const std::string& message) {
        err_ << kProgram << message << '\n';
        report_.problem = report_.problem ? *report_.problem + "; " + message : message;
        return false;
    }

    // The stamps found their places taken: the installer stops there, before any file.
    int stopOnStamps(scenario::ErrorCode code, const std::string& hint) {
        report_.fatal = code;
        return stop(kExitNothingWritten, "error " + std::to_string(scenario::codeNumber(code)) +
                                             ": " + std::string(scenario::describeErrorCode(code)) +
                                             hint + "; no compiled file written");
    }

    int stop(int status, const std::string& message) {
        tell(message);
        return finish(status);
    }

    int finish(int status) {
        if (options_.json) out_ << toJson(report_, status) << '\n';
        return status;
    }

    const CompileOptions& options_;
    std::ostream& out_;
    std::ostream& err_;
    std::string lineName_;
    std::string trainName_;
    std::string lineBytes_;
    std::string trainBytes_;
    CompileReport report_;
};

}  // namespace

std::span<const std::string_view> refusingWarnings() {
    return kRefusing;
}

int runCompile(const CompileOptions& options, std::ostream& out, std::ostream& err) {
    return CompileRun(options, out, err).run();
}

}  // namespace tool
