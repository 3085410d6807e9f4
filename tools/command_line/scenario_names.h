// The line and train names a compilation uses. They name the compiled files and are stored in
// the train file, so they default to what the description files' own names carry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tool {

// X for a line description named X_linea.txt (any directory, suffix in any case); nothing for
// a file named otherwise or for an empty X.
std::optional<std::string> lineNameFromFile(std::string_view path);

// Y for a train description named X_Y-.txt where X is `lineName` (any directory, suffix in any
// case); nothing when the name does not start with the line name and "_", or Y is empty. The
// line name is stripped rather than the name split at its last "_", so that a train name may
// itself hold "_".
std::optional<std::string> trainNameFromFile(std::string_view path, std::string_view lineName);

// Why `name` cannot be used, or nothing when it can. Names are printable ASCII without path
// separators: they become parts of file names in the output directory and Windows-1252 text in
// the train file, and only ASCII is the same in both.
std::optional<std::string> nameProblem(std::string_view name);

}  // namespace tool
