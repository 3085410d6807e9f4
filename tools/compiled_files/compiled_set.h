// Compiled files loaded for the author's tools: each read, decoded and checked, and the route,
// the train file and the plan of one scenario found together, whether given on the command
// line or lying beside each other.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "compiler/scenario_model.h"
#include "tools/compiled_files/compiled_checks.h"
#include "tools/compiled_files/compiled_file_kind.h"

namespace tool {

struct LoadedFile {
    std::string path;
    CompiledKind kind = CompiledKind::route;
    std::optional<std::string> problem;  // the file cannot be read
    std::optional<FileFault> fault;      // the file does not hold what its layout says
    std::variant<std::monostate, scenario::RouteTable, scenario::LineTable, scenario::TrackPlan>
        table;

    bool usable() const { return !problem && !fault; }
    const scenario::RouteTable* route() const { return std::get_if<scenario::RouteTable>(&table); }
    const scenario::LineTable* train() const { return std::get_if<scenario::LineTable>(&table); }
    const scenario::TrackPlan* plan() const { return std::get_if<scenario::TrackPlan>(&table); }
};

LoadedFile loadCompiledFile(const std::string& path, CompiledKind kind);

// The companion of `file` of kind `wanted`: a usable file among `given` that belongs to the
// same scenario, else the one beside it when it exists and is usable. A route and a train file
// belong together by stem; a plan belongs to the line named in the train file (`lineName`).
std::optional<LoadedFile> findCompanion(const LoadedFile& file, CompiledKind wanted,
                                        const std::vector<LoadedFile>& given,
                                        const std::string& lineName = {});

}  // namespace tool
