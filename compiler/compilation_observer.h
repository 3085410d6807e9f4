// An optional observer of a compilation, which tools set to learn what the compiler read and
// where it put each object: every record as it is read (its kind, the description and the place
// of its keyword, the place and value of each field as read) and every cell an object is put
// into or found taken, by the record being read or by the marks pass after reading. The
// compiler only calls it; nothing of it reaches the compiled files, and without one each call
// costs a test of a null pointer.
#pragma once

#include <cstdint>
#include <string_view>

#include "compiler/description_grammar.h"
#include "compiler/description_sources.h"
#include "compiler/field_reader.h"
#include "compiler/scenario_model.h"

namespace scenario {

// A value field as read: a number (every width fits 32 bits), or the bytes of a text field.
struct ReadField {
    FieldSpan span;
    std::int32_t number = 0;
    std::string_view text;  // valid only during the call
};

class CompilationObserver {
  public:
    virtual ~CompilationObserver() = default;
    // A keyword field passed the keyword test of `kind`: that record starts, and its fields
    // follow as the grammar lists them. A field that names several records starts each in turn.
    virtual void recordStarts(Description file, RecordKind kind, FieldSpan keyword) = 0;
    // The next value field of the current record. A record whose reading stops early (a failed
    // position test, a read failure) tells fewer fields than its grammar lists.
    virtual void fieldRead(const ReadField& field) = 0;
    // The pass over the route after reading starts: what it places belongs to no record.
    virtual void marksPassStarts() = 0;
    // An object of the current record, or of the marks pass, was put into `cell`.
    virtual void placed(std::int64_t cell) = 0;
    // A placement of the current record, or a mark, found `cell` taken and failed.
    virtual void taken(std::int64_t cell) = 0;
    // The reading of `file` came to its end (not to a stop at a failure or outside the route).
    // `lastWord` is the last keyword field that held more than blanks or a comment mark, and
    // `span` where it stands; empty when there was none. A whole description ends with its
    // closing heading there, which the reader never examines: a file that ends otherwise may have
    // been cut short. A value field read after it stands later than `span`.
    virtual void descriptionEnds(Description file, FieldSpan span, std::string_view lastWord) {
        (void)file;
        (void)span;
        (void)lastWord;
    }
};

inline void notePlaced(const ScenarioModel& model, std::int64_t cell) {
    if (model.observer) model.observer->placed(cell);
}

inline void noteTaken(const ScenarioModel& model, std::int64_t cell) {
    if (model.observer) model.observer->taken(cell);
}

}  // namespace scenario
