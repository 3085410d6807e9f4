// What the compiled route holds where a record of a train description put its objects: the
// pair compiled as a save would give it, the record found by its line.
#pragma once

#include <optional>
#include <string>

#include "tools/editor_server/description_check.h"

namespace tool::editor {

// One line a cell the record on `line` (counted from 0) of order.target put an object into,
// as "cell 703: signal (s1_d1 22, …), approach code 82"; nothing when the target is no train
// description, the pair does not compile as far as that record, or it placed nothing.
std::optional<std::string> compiledCellsOf(const CheckOrder& order, int line);

}  // namespace tool::editor
