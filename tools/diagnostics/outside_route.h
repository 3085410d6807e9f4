// Error 15 in the author's terms: which value of the failing record lies outside the route,
// and where the route ends, with the record that sets its length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/descriptions/record_trace.h"

namespace tool {

struct OutsideRoute {
    std::string detail;     // "the end, 166600 m (start 166000 m, length 600 m), lies past ..."
    std::size_t field = 0;  // the number field of the failing record that gives the value
    // The line length record, which sets where the route ends; nothing when none was read.
    const RecordTrace::Record* lengthRecord = nullptr;
    std::int32_t lineLength = 0;
};

// `failing` is the record the compiler stopped at with code 15; `lastCell` the route's last
// 50 m cell. Nothing when no value of the record, as far as it was read, is found outside.
std::optional<OutsideRoute> outsideRoute(const RecordTrace& trace,
                                         const RecordTrace::Record& failing, std::int32_t lastCell);

}  // namespace tool
