// Which of the three compiled files a path holds, told by its name, and where its companions
// stand: X_Y.dat (the route) and X_Y.sim (the train) share their stem, X_linea.dat is the plan.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tool {

enum class CompiledKind { plan, train, route };

// By name: *_linea.dat is a plan, *.sim a train file, any other *.dat a route (suffixes in any
// case); nothing for other names.
std::optional<CompiledKind> compiledKindFromName(std::string_view path);

// "plan", "train" or "route".
std::optional<CompiledKind> compiledKindFromWord(std::string_view word);
std::string_view kindWord(CompiledKind kind);

// The train file beside a route file and the route file beside a train file: same directory,
// same stem, the other suffix.
std::string companionPath(std::string_view path, CompiledKind wanted);

// The plan file of line `lineName` in the directory of `path`.
std::string planPathBeside(std::string_view path, std::string_view lineName);

// Whether a route path and a train path name the same scenario (same directory and stem).
bool sameScenario(std::string_view routePath, std::string_view trainPath);

}  // namespace tool
