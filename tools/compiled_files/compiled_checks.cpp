#include "tools/compiled_files/compiled_checks.h"

#include <cmath>

#include "compiler/coding.h"
#include "compiler/compiled_file_reader.h"
#include "compiler/compiled_files.h"

namespace tool {
namespace {

using scenario::CellKind::kCountdown;
using scenario::CellKind::kLocationBoard;
using scenario::CellKind::kMark;
using scenario::CellKind::kMarkWithoutSpeed;
using scenario::CellKind::kMountainMarker;
using scenario::CellKind::kNothing;
using scenario::CellKind::kSignal;
using scenario::CellKind::kSlowdownEnd;
using scenario::CellKind::kSlowdownStart;
using scenario::CellKind::kSpeedIndicator;
using scenario::CellKind::kStationStop;
using scenario::CellKind::kWarningBoard;

bool isBlank(const scenario::LineRecord& r) {
    return r == scenario::LineRecord{};
}

// A board entry holds its text and nothing else.
bool isBoardText(const scenario::LineRecord& r) {
    scenario::LineRecord numbers = r;
    numbers.text.clear();
    return !r.text.empty() && isBlank(numbers);
}

std::size_t variantSize(scenario::PlanTag tag) {
    switch (tag) {
        case scenario::PlanTag::integer:
            return 4;
        case scenario::PlanTag::real:
            return 10;
        case scenario::PlanTag::empty:
            return 2;
    }
    return 2;
}

// Offset of the variant of `point`, coordinate `coord`, in the plan file.
std::size_t variantOffset(const scenario::TrackPlan& plan, std::int64_t point, int coord) {
    std::size_t at = 0;
    for (int c = 0; c <= coord; ++c) {
        const std::int64_t end = c == coord ? point : plan.points();
        for (std::int64_t p = 0; p < end; ++p) at += variantSize(plan.at(p, c).tag);
    }
    return at;
}

}  // namespace

std::optional<std::string_view> cellKindName(std::uint8_t kind) {
    switch (kind) {
        case kNothing:
            return "nothing";
        case kSignal:
            return "signal";
        case kSlowdownEnd:
            return "slowdown end";
        case kSlowdownStart:
            return "slowdown start";
        case kWarningBoard:
            return "slowdown warning board";
        case kCountdown:
            return "countdown";
        case kSpeedIndicator:
            return "speed indicator board";
        case kStationStop:
            return "station stop";
        case kMountainMarker:
            return "mountain marker";
        case kMark:
            return "mark";
        case kMarkWithoutSpeed:
            return "mark without speed";
        case kLocationBoard:
            return "location board";
        default:
            return std::nullopt;
    }
}

TrainLayout trainLayout(const scenario::LineTable& table) {
    TrainLayout layout;
    while (layout.lowestBoard > 1 && isBoardText(table[layout.lowestBoard - 1])) {
        --layout.lowestBoard;
    }
    while (layout.stationCount + 1 < layout.lowestBoard &&
           !isBlank(table[layout.stationCount + 1])) {
        ++layout.stationCount;
    }
    return layout;
}

std::size_t entryOffset(std::string_view bytes, int entry) {
    std::size_t at = 0;
    for (int i = 0; i < entry && at + 16 <= bytes.size(); ++i) {
        at += scenario::kLineRecordBytes + scenario::coding::decodeFixed16(bytes.data() + at + 14);
    }
    return std::min(at, bytes.size());
}

std::optional<int> entryAt(std::string_view bytes, std::size_t offset) {
    std::size_t at = 0;
    for (int i = 0; i < scenario::kLineTableEntries; ++i) {
        if (at + 16 > bytes.size()) return i;  // its text length is cut off
        at += scenario::kLineRecordBytes + scenario::coding::decodeFixed16(bytes.data() + at + 14);
        if (offset < at) return i;
    }
    return std::nullopt;
}

std::variant<scenario::RouteTable, FileFault> readRouteFile(std::string_view bytes) {
    scenario::RouteTable table;
    try {
        table = scenario::decodeRouteTable(bytes);
    } catch (const scenario::DecodeError& e) {
        return FileFault{e.what(), e.offset(),
                         static_cast<int>(e.offset() / scenario::kRouteCellBytes), std::nullopt};
    }
    if (table.size() < 2) {
        return FileFault{"the route holds no cell 1, where its stamps stand", bytes.size(),
                         std::nullopt, std::nullopt};
    }
    for (std::size_t c = 0; c < table.size(); ++c) {
        if (!cellKindName(table[c].kind)) {
            return FileFault{"kind " + std::to_string(table[c].kind) + " is not a kind of object",
                             c * scenario::kRouteCellBytes, static_cast<int>(c), std::nullopt};
        }
    }
    return table;
}

std::variant<scenario::LineTable, FileFault> readTrainFile(std::string_view bytes) {
    scenario::LineTable table;
    try {
        table = scenario::decodeLineTable(bytes);
    } catch (const scenario::DecodeError& e) {
        return FileFault{e.what(), e.offset(), std::nullopt, entryAt(bytes, e.offset())};
    }
    const TrainLayout layout = trainLayout(table);
    for (int i = 1; i <= layout.stationCount; ++i) {
        const scenario::LineRecord& s = table[static_cast<std::size_t>(i)];
        if (s.long2 < s.long1) {
            return FileFault{"the station area ends (" + std::to_string(s.long2) +
                                 " m) before it starts (" + std::to_string(s.long1) + " m)",
                             entryOffset(bytes, i) + 5, std::nullopt, i};
        }
    }
    return table;
}

std::variant<scenario::TrackPlan, FileFault> readPlanFile(std::string_view bytes) {
    scenario::TrackPlan plan;
    try {
        plan = scenario::decodeTrackPlan(bytes);
    } catch (const scenario::DecodeError& e) {
        return FileFault{e.what(), e.offset(), std::nullopt, std::nullopt};
    }
    if (plan.points() < 2) {
        return FileFault{"the plan holds fewer than the two start points", bytes.size(),
                         std::nullopt, std::nullopt};
    }
    // The track starts at the origin heading along +y, stored as two integer points.
    constexpr int kStart[2][2] = {{0, 0}, {0, 1}};
    for (int point = 0; point < 2; ++point) {
        for (int coord = 0; coord < 2; ++coord) {
            const scenario::PlanValue v = plan.at(point, coord);
            if (v.tag != scenario::PlanTag::integer || v.value != kStart[point][coord]) {
                return FileFault{"point " + std::to_string(point) + "'s " +
                                     (coord == 0 ? "x" : "y") + " is not the integer start value " +
                                     std::to_string(kStart[point][coord]),
                                 variantOffset(plan, point, coord), std::nullopt, std::nullopt};
            }
        }
    }
    // Every coordinate is a distance in metres; the track is drawn and measured from them.
    for (int coord = 0; coord < 2; ++coord) {
        for (std::int64_t point = 2; point < plan.points(); ++point) {
            const scenario::PlanValue v = plan.at(point, coord);
            if (v.tag != scenario::PlanTag::empty && !std::isfinite(v.value)) {
                return FileFault{"point " + std::to_string(point) + "'s " +
                                     (coord == 0 ? "x" : "y") + " is not a finite number",
                                 variantOffset(plan, point, coord), std::nullopt, std::nullopt};
            }
        }
    }
    return plan;
}

std::string describeFault(const FileFault& fault) {
    std::string out;
    if (fault.cell) out += "cell " + std::to_string(*fault.cell) + ", ";
    if (fault.entry) out += "entry " + std::to_string(*fault.entry) + ", ";
    out += "byte " + std::to_string(fault.offset) + ": " + fault.message;
    return out;
}

}  // namespace tool
