// `scenario-tool write-sources DIR`: the carried scenario's two descriptions and three
// documents, written as the installer writes them, for an author to start from.
#pragma once

#include <ostream>
#include <string>

namespace tool {

// Writes the five files into `dir`, replacing files of the same names; compiles nothing and
// deletes nothing. Prints each written path on `out`. Returns 0, 2 when `dir` is not an
// existing directory, 3 when a file cannot be written (the files before it stay written).
int runWriteSources(const std::string& dir, std::ostream& out, std::ostream& err);

}  // namespace tool
