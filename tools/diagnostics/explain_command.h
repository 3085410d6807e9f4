// `scenario-tool explain CODE`: prints the error reference's entry for a code, from the copy of
// docs/errors.md the tool carries.
#pragma once

#include <ostream>
#include <string>

namespace tool {

// Prints the entry for `code` to `out`. Returns 0, or 2 with a message on `err` when `code`
// is not a number or names no code the compiler records.
int runExplain(const std::string& code, std::ostream& out, std::ostream& err);

}  // namespace tool
