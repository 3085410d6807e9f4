#include "tools/descriptions/written_records.h"

#include "compiler/rounding.h"

namespace tool {

std::optional<std::string> recordInForce(const TracedSources& sources, scenario::RecordKind kind,
                                         std::int64_t cell) {
    std::optional<std::string> found;
    for (const RecordTrace::Record& r : sources.trace->records()) {
        const std::optional<std::int32_t> position = sources.trace->number(r, 0);
        if (r.kind != kind || !position) continue;
        if (scenario::roundHalfEven(static_cast<double>(*position) / 50) <= cell) {
            found = sources.sourceOf(r);
        }
    }
    return found;
}

std::optional<std::string> recordCovering(const TracedSources& sources, scenario::RecordKind kind,
                                          std::int64_t metre) {
    std::optional<std::string> found;
    for (const RecordTrace::Record& r : sources.trace->records()) {
        const std::optional<std::int32_t> start = sources.trace->number(r, 0);
        const std::optional<std::int32_t> second = sources.trace->number(r, 1);
        if (r.kind != kind || !second) continue;
        const std::int64_t end =
            kind == scenario::RecordKind::curve ? std::int64_t{*start} + *second : *second;
        if (metre >= *start && metre < end) found = sources.sourceOf(r);
    }
    return found;
}

std::optional<std::string> lastRecord(const TracedSources& sources, scenario::RecordKind kind,
                                      std::string_view text) {
    std::optional<std::string> found;
    for (const RecordTrace::Record& r : sources.trace->records()) {
        if (r.kind == kind && (text.empty() || sources.trace->text(r) == text)) {
            found = sources.sourceOf(r);
        }
    }
    return found;
}

}  // namespace tool
