// The field order of the compiled records, written down once: the encoders, the decoders and
// the tools that show a compiled file all walk the fields through these functions, so that
// they cannot disagree on what stands where.
#pragma once

#include <type_traits>

#include "compiler/scenario_model.h"

namespace scenario {

// Calls visit(name, field) for every field of a route cell, in file order.
template <class Cell, class Visit>
requires std::is_same_v<std::remove_const_t<Cell>, RouteCell>
void forEachField(Cell& c, Visit&& visit) {
    visit("kind", c.kind);
    visit("value1", c.value1);
    visit("value2", c.value2);
    visit("value3", c.value3);
    visit("value4", c.value4);
    visit("timing", c.timing);
    visit("approach", c.approach);
    visit("zone", c.zone);
    visit("speedLimit", c.speedLimit);
    visit("gradient", c.gradient);
    visit("adhesion", c.adhesion);
}

// The same for a LineTable entry; `text` is a 16-bit length followed by its bytes.
template <class Record, class Visit>
requires std::is_same_v<std::remove_const_t<Record>, LineRecord>
void forEachField(Record& r, Visit&& visit) {
    visit("kind", r.kind);
    visit("long1", r.long1);
    visit("long2", r.long2);
    visit("long3", r.long3);
    visit("flag", r.flag);
    visit("text", r.text);
    visit("int1", r.int1);
    visit("int2", r.int2);
    visit("int3", r.int3);
    visit("int4", r.int4);
    visit("int5", r.int5);
    visit("byte1", r.byte1);
    visit("byte2", r.byte2);
    visit("byte3", r.byte3);
    visit("byte4", r.byte4);
    visit("long4", r.long4);
}

}  // namespace scenario
