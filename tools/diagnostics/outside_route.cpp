#include "tools/diagnostics/outside_route.h"

#include <tuple>
#include <utility>

#include "compiler/rounding.h"

namespace tool {
namespace {

using scenario::RecordKind;

std::string metres(std::int64_t m) {
    return std::to_string(m) + " m";
}

// How far before the route's end a record's position must lie: a station needs room for its
// area, every other record 100 m.
int margin(RecordKind kind) {
    return kind == RecordKind::station ? 800 : 100;
}

// Where a station's area ends, as the compiler lays it out by the station's kind.
std::int64_t stationAreaEnd(std::int64_t position, std::int64_t kind, std::int64_t length,
                            std::int64_t extended) {
    if (kind == 5 || kind == 6) return position + 150;
    if (kind == 7 || kind == 8) return position + length;
    return position + length / 2 + (extended != 0 ? 50 : 0);
}

bool inRoute(std::int64_t cell, std::int32_t lastCell) {
    return cell >= 0 && cell <= lastCell;
}

// The value that is out, in words, and the field that gives it; nothing when the record's start
// is within the route and the record reaches no further.
std::pair<std::string, std::size_t> valueOut(const RecordTrace& trace, const RecordTrace::Record& r,
                                             std::int32_t lastCell, std::int64_t routeEnd) {
    const auto at = [&](std::size_t i) { return std::int64_t{*trace.number(r, i)}; };
    if (r.numberCount == 0) return {};
    const std::int64_t start = at(0);
    const int room = margin(r.kind);
    if (start + room > routeEnd) {
        return {"the start, " + metres(start) + ", lies past " + metres(routeEnd - room) +
                    ", the last position the route takes (" + metres(room) + " before its end at " +
                    metres(routeEnd) + ")",
                0};
    }
    const int offset = r.kind == RecordKind::abbattimento || r.kind == RecordKind::mountain ? 0 : 1;
    if (!inRoute(scenario::cellOf(start, offset), lastCell)) {
        return {"the start, " + metres(start) + ", lies before the route's start at 0 m", 0};
    }
    const std::size_t needed = r.kind == RecordKind::slowdown  ? 3
                               : r.kind == RecordKind::station ? 6
                                                               : 2;
    if (r.numberCount < needed) return {};
    std::int64_t end = start;
    std::int64_t endCell = 0;
    std::string what;
    std::size_t field = 0;
    switch (r.kind) {
        case RecordKind::slowdown:
            end = start + at(2);
            endCell = scenario::cellOf(end, 1);
            what = "the end, " + metres(end) + " (start " + metres(start) + ", length " +
                   metres(at(2)) + "),";
            field = 2;
            break;
        case RecordKind::mountain:
            end = at(1);
            endCell = scenario::cellOf(end, 0) - 1;
            // A stretch that ends before it starts covers no cell, and nothing is outside.
            if (endCell < scenario::cellOf(start, 0)) return {};
            what = "the end, " + metres(end) + ",";
            field = 1;
            break;
        case RecordKind::station:
            end = stationAreaEnd(start, at(1), at(2), at(5));
            endCell = end / 50 - 1;
            what = "the station's stop, at the end of its area at " + metres(end) + ",";
            break;
        default:
            return {};
    }
    if (inRoute(endCell, lastCell)) return {};
    return {what + (endCell < 0 ? " lies before the route's start at 0 m"
                                : " lies past the route's end at " + metres(routeEnd)),
            field};
}

}  // namespace

std::optional<OutsideRoute> outsideRoute(const RecordTrace& trace,
                                         const RecordTrace::Record& failing,
                                         std::int32_t lastCell) {
    OutsideRoute found;
    for (const RecordTrace::Record& r : trace.records()) {
        if (r.kind == RecordKind::lineLength && r.numberCount > 0) {
            found.lengthRecord = &r;
            found.lineLength = *trace.number(r, 0);
        }
    }
    const std::int64_t routeEnd = std::int64_t{lastCell} * 50;
    std::tie(found.detail, found.field) = valueOut(trace, failing, lastCell, routeEnd);
    if (found.detail.empty()) return std::nullopt;
    return found;
}

}  // namespace tool
