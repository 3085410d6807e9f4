// The value fields of one record, read from the description as the record's grammar lists
// them: each read takes the next field at the width the grammar gives it, and tells the
// compilation's observer, when there is one, where the field stands and what was read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "compiler/compilation_observer.h"
#include "compiler/description_grammar.h"
#include "compiler/field_reader.h"

namespace scenario {

class RecordFields {
  public:
    RecordFields(FieldReader& in, const RecordGrammar& grammar, CompilationObserver* observer)
        : in_(in), grammar_(grammar), observer_(observer) {}

    // The next field, which the grammar must give the width asked for: a reader that asks for
    // another disagrees with the grammar, a fault of the program rather than of the description.
    std::int32_t int32() { return number(FieldWidth::int32); }
    std::int16_t int16() { return static_cast<std::int16_t>(number(FieldWidth::int16)); }
    std::uint8_t byte() { return static_cast<std::uint8_t>(number(FieldWidth::byte)); }
    std::string text();

  private:
    std::int32_t number(FieldWidth width);
    void expect(FieldWidth width);

    FieldReader& in_;
    const RecordGrammar& grammar_;
    CompilationObserver* observer_;
    std::size_t next_ = 0;
};

}  // namespace scenario
