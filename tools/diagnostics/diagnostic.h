// One problem `check` found in a pair of descriptions: an error the compiler records, or a
// warning about what compiles but is almost certainly not meant.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/error_codes.h"
#include "tools/diagnostics/source_context.h"

namespace tool {

enum class Severity { error, warning };

// A place in a description that a diagnostic points at besides its own.
struct RelatedPlace {
    std::string file;
    int line = 0;
    int column = 0;
    std::string message;  // what stands there, e.g. "the slowdown whose warning board ..."
};

// A mend that needs no judgement, such as the keyword a "did you mean" hint names: the bytes
// of the diagnostic's line from `column` (from 1) over `length` become `text` (Windows-1252).
// A line past the last, with length 0, adds text at the end of the description.
struct Replacement {
    int line = 0;
    int column = 1;
    int length = 0;
    std::string text;
};

struct Diagnostic {
    Severity severity = Severity::error;
    std::string rule;  // "error-16", or a warning's name such as "unknown-keyword"
    scenario::ErrorCode code = scenario::ErrorCode::none;  // the compiler's code, for errors
    std::optional<std::int32_t> position;  // metres along the line, for codes that carry one
    std::string file;  // as named on the command line; empty when no file is known
    int line = 0;      // from 1; 0 when the place is not known
    int column = 0;
    std::string message;                    // what is wrong
    std::string hint;                       // how to mend it
    std::optional<std::string> sourceLine;  // the description's line, UTF-8, cut when long
    int sourceColumn = 0;                   // `column` within sourceLine
    bool afterSkip = false;                 // found after an earlier failing record was left out
    std::optional<RelatedPlace> heldBy;     // for a taken cell: the record that took it
    // Other places the diagnostic names, such as the record that sets where the route ends.
    std::vector<RelatedPlace> related;
    // The diagnostic told first of one mistake, when this one only follows from it (the fields
    // of a record shifted by an extra comma, say): its place and its words.
    std::optional<RelatedPlace> followsFrom;
    // The hint as an edit, when it is mechanical.
    std::optional<Replacement> replacement;
};

// Sets the diagnostic's source line from the description's lines: the line it points at, cut
// around its column when the line is long, so that a line of megabytes costs a line of text.
// The lines are found once for a description, so that many diagnostics cost their own lines
// alone.
inline void attachSourceLine(Diagnostic& d, const SourceLines& description) {
    d.sourceLine.reset();
    if (auto excerpt = description.excerpt(d.line, d.column)) {
        d.sourceLine = std::move(excerpt->text);
        d.sourceColumn = excerpt->column;
    }
}

}  // namespace tool
