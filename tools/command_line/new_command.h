// `scenario-tool new LINE TRAIN [DIR]`: a small pair of descriptions that compiles with no
// error and no warning, for an author to start from.
#pragma once

#include <ostream>
#include <string>

namespace tool {

struct NewOptions {
    std::string lineName;
    std::string trainName;
    std::string dir = ".";
    bool replace = false;  // --force: replace descriptions of those names
};

// Writes LINE_linea.txt and LINE_TRAIN-.txt into the folder (made when missing) and prints
// their paths. Returns 0; 2 when a name is not one a description may carry, a description of
// that name is there already (without --force) or the folder cannot be made; 3 when a file
// cannot be written.
int runNew(const NewOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tool
