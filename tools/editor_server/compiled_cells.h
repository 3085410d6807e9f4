// What the compiled route holds where a record of a train description put its objects: the
// pair compiled as a save would give it, the record found by its line.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tools/diagnostics/check_errors.h"
#include "tools/editor_server/description_check.h"

namespace tool::editor {

// A train description compiled with its line description, and the texts it was compiled from.
// Made once and never changed, so that the diagnostics worker's thread can hand it to the
// hover's: both only read it.
struct CompiledPair {
    // The editor's texts it was made from; a line description read from its file has none.
    std::shared_ptr<const DocumentText> train;
    std::shared_ptr<const DocumentText> line;
    std::string linePath;
    std::shared_ptr<const RecordTrace> trace;  // what the compilation read and placed
    // What the route holds; none when the pair failed, or was not compiled as it stands.
    std::shared_ptr<const scenario::ScenarioModel> compiled;

    // Whether this is the compilation of the texts `order` names. Each edit replaces a
    // document's text, so the texts are the documents' versions.
    bool madeFrom(const CheckOrder& order) const;
};

// The texts `order` names, with nothing compiled yet.
CompiledPair pairOf(const CheckOrder& order);

// The pair of a train description's order compiled; none for a line description's order or
// a train description without its line.
std::shared_ptr<const CompiledPair> compilePair(const CheckOrder& order);

// One line a cell the record on `line` (counted from 0) of the train description put an object
// into, as "cell 703: signal (s1_d1 22, …), approach code 82"; nothing when the pair does not
// compile or the record placed nothing.
std::optional<std::string> compiledCellsOf(const CompiledPair& pair, int line);

}  // namespace tool::editor
