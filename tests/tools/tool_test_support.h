// Shared by the tool's tests: a scratch directory, the fixture descriptions, and the compiled
// files that the installer's own sequence makes from the same bytes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "compiler/compiled_files.h"
#include "compiler/memorizza_percorso.h"
#include "tests/compiler/error_code_printer.h"
#include "tools/scenario_tool.h"

namespace tool::testing {

// Paths in the tests are UTF-8 text, as the tool's are; on Windows a narrow path would be taken
// in the machine's code page instead, and name another file.
inline std::filesystem::path utf8Path(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

inline std::string utf8String(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "scenario-tool-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string str() const { return utf8String(path_); }
    std::string file(const std::string& name) const { return utf8String(path_ / utf8Path(name)); }
    std::set<std::string> listing() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.insert(utf8String(entry.path().filename()));
        }
        return names;
    }

  private:
    std::filesystem::path path_;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(utf8Path(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void spit(const std::string& path, const std::string& bytes) {
    std::ofstream(utf8Path(path), std::ios::binary) << bytes;
}

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
    using scenario::SourceFile;
    scenario::ScenarioModel model;
    model.lineName = lineName;
    model.trainName = trainName;
    scenario::compileRoute(model, j,
                           {[&] {
                                return SourceFile{SourceFile::State::loaded, line};
                            },
                            [&] {
                                return SourceFile{SourceFile::State::loaded, train};
                            }});
    std::map<std::string, std::string> files;
    if (scenario::stampScenario(model) != scenario::StampResult::stamped) return files;
    for (const scenario::CompiledFile& file : scenario::compiledFiles(model)) {
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
