// One line of a description as an author writes a record: its keyword field and the values
// after it, each with the bytes it stands on, read with the readers' field syntax. The editor
// services ask here which record and which field a position is in.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "tools/editor_server/record_grammar.h"

namespace tool::editor {

struct Span {
    std::size_t begin = 0;  // bytes of the line
    std::size_t end = 0;
};

struct RecordLine {
    enum class Kind { blank, heading, comment, record, unknown };
    Kind kind = Kind::blank;
    const RecordGrammar* record = nullptr;  // for a record
    Span keyword;                           // the first field without the blanks around it
    // The values read on the line, in order: those of the record's fields first, then any
    // left over. A value's place runs from past the separator before it (`places`) to past its
    // own; `nextPlace` is where a value after the last would begin.
    std::vector<Span> values;
    std::vector<std::size_t> places;
    std::size_t nextPlace = 0;
};

// The record whose keyword `field` is, by the readers' rule (each of its words anywhere in the
// field, capitals or not), trying the records in the readers' order; null when none.
const RecordGrammar* recordOfKeyword(DescriptionKind kind, std::string_view field);

// `line` is one line without its end, UTF-8 or Windows-1252: the syntax is ASCII.
RecordLine readRecordLine(std::string_view line, DescriptionKind kind);

// Which part of the line byte `at` stands in: -1 the keyword field, else the index of the
// value (values.size() past the last one read, where the next is written).
int partAt(const RecordLine& line, std::size_t at);

}  // namespace tool::editor
