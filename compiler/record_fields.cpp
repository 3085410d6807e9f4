#include "compiler/record_fields.h"

#include <stdexcept>

namespace scenario {

void RecordFields::expect(FieldWidth width) {
    if (next_ >= grammar_.fields.size() || grammar_.fields[next_].width != width) {
        throw std::logic_error("the reader of \"" + std::string(grammar_.spelling) +
                               "\" asks for a field its grammar does not give");
    }
    ++next_;
}

std::int32_t RecordFields::number(FieldWidth width) {
    expect(width);
    std::int32_t value = 0;
    switch (width) {
        case FieldWidth::int16:
            value = in_.readInt16();
            break;
        case FieldWidth::byte:
            value = in_.readByte();
            break;
        default:
            value = in_.readInt32();
            break;
    }
    if (observer_) observer_->fieldRead({in_.fieldSpan(), value, {}});
    return value;
}

std::string RecordFields::text() {
    expect(FieldWidth::text);
    std::string value = in_.readText();
    if (observer_) observer_->fieldRead({in_.fieldSpan(), 0, value});
    return value;
}

}  // namespace scenario
