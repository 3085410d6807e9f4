#include "tools/compile_command.h"

#include <exception>
#include <new>
#include <vector>

#include "compiler/compilation.h"
#include "compiler/error_codes.h"
#include "platform/files.h"
#include "platform/run_lock.h"
#include "tools/check_command.h"
#include "tools/compile_report.h"
#include "tools/descriptions_in_memory.h"
#include "tools/exit_status.h"
#include "tools/named_output.h"
#include "tools/scenario_names.h"
#include "tools/terminal_text.h"

namespace tool {
namespace {

constexpr const char* kProgram = "scenario-tool: ";

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
        ToldDiagnostics warnings =
            toldDiagnostics({},
                            descriptionWarnings(options_.lineFile, lineBytes_, options_.trainFile,
                                                trainBytes_, options_.trackPlan),
                            options_.lineFile, options_.trainFile);
        report_.warnings = std::move(warnings.told);
        report_.warningsLeftOut = warnings.warningsLeftOut;
        if (options_.showWarnings) {
            for (const Diagnostic& warning : report_.warnings) err_ << formatDiagnostic(warning);
            if (report_.warningsLeftOut > 0) {
                err_ << warningsLeftOutLine(report_.warningsLeftOut, kWarningLimit);
            }
        }

        const scenario::Compilation compilation =
            scenario::compile({lineName_, trainName_},
                              {scenario::inMemory(lineBytes_), scenario::inMemory(trainBytes_)},
                              // Written, not looked at: the plan's points are computed as they
                              // are encoded.
                              {.makeTrackPlan = options_.trackPlan ? 1 : 0,
                               .planPoints = scenario::PlanPoints::drawingOnly});
        const scenario::ScenarioModel& model = compilation.model;
        report_.errorCode = model.error.errorCode;
        report_.errorPosition = model.error.errorPosition;
        report_.failure =
            recordedFailure(model, compilation.reading, {options_.lineFile, options_.trainFile},
                            DescriptionTexts{lineBytes_, trainBytes_});
        if (report_.failure) err_ << formatFailureWithContext(*report_.failure);

        switch (compilation.stamp) {
            case scenario::StampResult::stamped:
                break;
            case scenario::StampResult::dataOverFormatStamps:
                return stopOnStamps(scenario::ErrorCode::dataOverFormatStamps,
                                    " (an object in cell 1, the first 50 m of the route)");
            case scenario::StampResult::dataOverScenarioCodes:
                return stopOnStamps(scenario::ErrorCode::dataOverScenarioCodes, "");
            case scenario::StampResult::noRoute:
                return stop(kExitNothingWritten,
                            "the descriptions give no route; no compiled file written");
        }
        // The files of a failed compilation hold only what was read before the failure; an
        // author who writes them asks for it.
        if (report_.failure && !options_.writeOnError) {
            return stop(kExitFailureRecorded,
                        "the compilation recorded a failure; no compiled file written "
                        "(--write-on-error writes them as the installer would)");
        }

        const std::vector<scenario::CompiledFile> files = compilation.files();
        // A compiled file may not take the place of a description, under any name or link.
        for (const scenario::CompiledFile& file : files) {
            if (auto clash =
                    outputIsInput(outputPath(file.name), {options_.lineFile, options_.trainFile})) {
                return stop(kExitNothingWritten, *clash + "; no compiled file written");
            }
        }
        // A second compilation into the same folder waits until this one has written its
        // files; then nothing else writes there, and what a killed one left can be cleared.
        platform::RunLock folder;
        try {
            folder = platform::lockDirectory(options_.outDir);
        } catch (const platform::FileError& e) {
            return stop(kExitOutputFailed, e.what());
        }
        for (const scenario::CompiledFile& file : files) {
            platform::removeLeftoverTemporaries(outputPath(file.name));
        }
        for (const scenario::CompiledFile& file : files) {
            const std::string path = outputPath(file.name);
            try {
                writeNamedOutput(path, file.produce);
            } catch (const platform::FileError& e) {
                return stop(kExitOutputFailed, e.what());
            }
            report_.files.push_back(file.name);
            if (!options_.json) out_ << shownText(path) << '\n';
        }
        return finish(report_.failure ? kExitFailureRecorded : kExitCompiled);
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

int runCompile(const CompileOptions& options, std::ostream& out, std::ostream& err) {
    return CompileRun(options, out, err).run();
}

}  // namespace tool
