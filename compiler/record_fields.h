// The value fields of one record, read from the description as the record's grammar lists
// them: each read takes the next field at the width the grammar gives it, and tells the
// compilation's observer, when there is one, where the field stands and what was read.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/compilation_observer.h"
#include "compiler/description_grammar.h"
#include "compiler/field_reader.h"

namespace scenario {

class RecordFields {
  public:
    RecordFields(FieldReader& in, const RecordGrammar& grammar, CompilationObserver* observer)
        : in_(in), grammar_(grammar), observer_(observer) {}

    // The next field, read at the width the grammar gives it.
    std::int32_t int32() {
        expect(FieldWidth::int32);
        return told(in_.readInt32());
    }
    std::int16_t int16() {
        expect(FieldWidth::int16);
        return static_cast<std::int16_t>(told(in_.readInt16()));
    }
    std::uint8_t byte() {
        expect(FieldWidth::byte);
        return static_cast<std::uint8_t>(told(in_.readByte()));
    }
    std::string text();

  private:
    // The reader asks for the width its destination takes, which must be the grammar's for the
    // field: checked in the builds with assertions (the tests), so that a release pays nothing.
    void expect([[maybe_unused]] FieldWidth width) {
        assert(next_ < grammar_.fields().size() && grammar_.fields()[next_].width == width);
        ++next_;
    }
    std::int32_t told(std::int32_t value) {
        if (observer_) [[unlikely]]
            tell(value, {});
        return value;
    }
    // Out of the way of the reading, which without an observer never calls it.
    [[gnu::noinline, gnu::cold]] void tell(std::int32_t number, std::string_view text) const;

    FieldReader& in_;
    [[maybe_unused]] const RecordGrammar& grammar_;  // read by the assertions alone
    CompilationObserver* observer_;
    std::size_t next_ = 0;
};

}  // namespace scenario
