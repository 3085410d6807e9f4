#include "compiler/record_fields.h"

namespace scenario {

std::string RecordFields::text() {
    expect(FieldWidth::text);
    std::string value = in_.readText();
    if (observer_) tell(0, value);
    return value;
}

void RecordFields::tell(std::int32_t number, std::string_view text) const {
    observer_->fieldRead({in_.fieldSpan(), number, text});
}

}  // namespace scenario
