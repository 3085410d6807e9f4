// One mistake often gives several diagnostics: a comma too many shifts every later field of its
// record, so that values land in the wrong fields and fail there; a value that fails its field
// is told both as a warning and as the compiler's error. The first names the cause, and each of
// the others says that it follows from it, or is folded into it.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/diagnostics/diagnostic.h"

namespace tool {

// Marks each diagnostic that follows from a record's shifted fields with the field-count
// warning it follows from: those on the record's line at or after the place the count goes
// wrong (every error of the record), and those on the line the record takes missing fields
// from. Returns how many warnings were folded into an error told at their very field.
std::size_t linkConsequences(std::vector<Diagnostic>& diagnostics);

}  // namespace tool
