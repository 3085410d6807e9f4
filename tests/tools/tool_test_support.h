// Shared by the tool's tests: the scratch directory and whole files of every folder's tests,
// the fixture descriptions, the compiled files that the installer's own sequence makes from the
// same bytes, and runs of the tool in this process.
#pragma once

#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "compiler/compilation.h"
#include "tests/compiler/error_code_printer.h"
#include "tests/support/scratch.h"
#include "tools/command_line/scenario_tool.h"

namespace tool::testing {

using test_support::slurp;
using test_support::spit;
using test_support::TempDir;
using test_support::utf8Path;
using test_support::utf8String;

inline std::string fixture(const std::string& name) {
    return slurp(std::string(SCENARIO_FIXTURES_DIR) + "/" + name);
}

// The short line and its train: a 10,000 m line (lastCell 340) with a curve, two gradients
// and a location board at 4000 m; a train with one station at 1000 m and signals at 2500 m
// (cell 51) and 6000 m (cell 121). The train file's records stand on lines 13 and 14.
inline constexpr const char* kLineFixture = "COLLE_MARE_linea.txt";
inline constexpr const char* kTrainFixture = "COLLE_MARE_R2041-.txt";
inline constexpr int kFixtureLastCell = 340;
inline constexpr int kFixturePlanLength = 17000;

// `text` with `line` (CR LF added) inserted before its "[fine]" line.
inline std::string withRecord(const std::string& text, const std::string& line) {
    const std::size_t end = text.rfind("[fine]");
    if (end == std::string::npos) throw std::logic_error("no [fine] line");
    return text.substr(0, end) + line + "\r\n" + text.substr(end);
}

// Name -> bytes of the files the installer writes after compiling `line` and `train` under
// these names with makeTrackPlan = j; empty when its stamps stop it.
inline std::map<std::string, std::string> installerFiles(const std::string& line,
                                                         const std::string& train,
                                                         const std::string& lineName,
                                                         const std::string& trainName, int j) {
    const scenario::Compilation compilation = scenario::compile(
        {lineName, trainName}, {scenario::inMemory(line), scenario::inMemory(train)},
        {.makeTrackPlan = j});
    std::map<std::string, std::string> files;
    for (const scenario::CompiledFile& file : compilation.files()) {
        std::string bytes;
        file.produce([&bytes](std::string_view piece) { bytes += piece; });
        files[file.name] = bytes;
    }
    return files;
}

// What one in-process run of a command gave: its status and what it wrote on each stream.
struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `command(out, err)`, a command's entry point given its two streams, and keeps what it
// wrote.
template <class Command>
Outcome captured(Command&& command) {
    std::ostringstream out;
    std::ostringstream err;
    Outcome run;
    run.status = command(out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// scenario-tool with `args`, in this process.
inline Outcome runTool(const std::vector<std::string>& args) {
    return captured(
        [&](std::ostream& out, std::ostream& err) { return runScenarioTool(args, out, err); });
}

}  // namespace tool::testing
