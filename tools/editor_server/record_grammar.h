// What the editor services know of the records of the two description formats: each record's
// keyword and how the readers recognise it, and its fields with their names, units, ranges and
// meanings. Hover, completion, signature help, the outline and the colouring all ask here, so
// that one file answers for where the knowledge comes from.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/description_grammar.h"

namespace tool::editor {

enum class DescriptionKind { line, train };

enum class FieldKind { number, text };

struct FieldGrammar {
    std::string name;  // "position", "s1", as docs/format.md names it
    FieldKind kind = FieldKind::number;
    std::string unit;     // the unit and range, "m, multiple of 50 (error 8)"; may be empty
    std::string meaning;  // a sentence or a few
};

struct RecordGrammar {
    scenario::RecordKind kind = scenario::RecordKind::lineLength;  // as the compiler knows it
    std::string keyword;               // as authors write it by custom: "segnale", "curvas1"
    std::string noun;                  // what a record of it is: "a signal"
    bool generalSection = false;       // stands in the line description's general section
    std::string recognised;            // how the reader recognises the keyword, in words (Markdown)
    std::vector<FieldGrammar> fields;  // the values after the keyword, in order
    // The cell the record's position, its first field, puts its object into is position / 50
    // plus this; none for a record whose position takes no cell.
    std::optional<int> cellOffset;
};

struct DescriptionGrammar {
    std::vector<RecordGrammar> records;  // in the order the readers try them
    std::vector<std::string> headings;   // the section headings by custom, "[generale]" first
};

const DescriptionGrammar& descriptionGrammar(DescriptionKind kind);

}  // namespace tool::editor
