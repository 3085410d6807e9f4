// What each field of a compiled record means for the object it holds, in the names the
// format reference gives an author. A view names some fields of a record (the others are 0 for
// that object); it visits them in file order as visit(name, field), with the field itself, so
// the view and the record layout beside it are the one description of where a value stands.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <type_traits>

#include "compiler/scenario_model.h"

namespace scenario {

// The route cell's views: one for the track data every cell holds, one per kind of object
// that stores values, and one for cell 1, where the stamps stand in the place of an object's.
enum class CellView {
    everyCell,
    signal,
    slowdown,  // a slowdown's start and end
    warningBoard,
    countdown,
    speedIndicator,
    stationStop,
    mark,
    locationBoard,
    stamps,
};
inline constexpr std::array kCellViews{CellView::everyCell,     CellView::signal,
                                       CellView::slowdown,      CellView::warningBoard,
                                       CellView::countdown,     CellView::speedIndicator,
                                       CellView::stationStop,   CellView::mark,
                                       CellView::locationBoard, CellView::stamps};

// The train file's views: a station entry, a board text, and the general entries 81 to 86.
enum class EntryView { station, boardText, progressive, trainData, lineData, repetitionAndClock };
inline constexpr std::array kEntryViews{EntryView::station,     EntryView::boardText,
                                        EntryView::progressive, EntryView::trainData,
                                        EntryView::lineData,    EntryView::repetitionAndClock};

// The view of the values an object of `kind` stores; nothing for a kind that stores none (a
// mountain marker, a mark without a speed, an empty cell).
inline std::optional<CellView> objectView(std::uint8_t kind) {
    switch (kind) {
        case CellKind::kSignal:
            return CellView::signal;
        case CellKind::kSlowdownEnd:
        case CellKind::kSlowdownStart:
            return CellView::slowdown;
        case CellKind::kWarningBoard:
            return CellView::warningBoard;
        case CellKind::kCountdown:
            return CellView::countdown;
        case CellKind::kSpeedIndicator:
            return CellView::speedIndicator;
        case CellKind::kStationStop:
            return CellView::stationStop;
        case CellKind::kMark:
            return CellView::mark;
        case CellKind::kLocationBoard:
            return CellView::locationBoard;
        default:
            return std::nullopt;
    }
}

// The view of general entry 81 to 86; nothing for a station's or board's entry.
inline std::optional<EntryView> generalEntryView(int entry) {
    if (entry >= kProgressiveTre && entry <= kProgressiveUno) return EntryView::progressive;
    if (entry == kTrainGeneral) return EntryView::trainData;
    if (entry == kLineGeneral) return EntryView::lineData;
    if (entry == kRepetitionEntry) return EntryView::repetitionAndClock;
    return std::nullopt;
}

// The title of the format reference's names table that gives the view in words.
constexpr std::string_view viewTitle(CellView view) {
    switch (view) {
        case CellView::everyCell:
            return "route-cell every cell";
        case CellView::signal:
            return "route-cell 1 signal";
        case CellView::slowdown:
            return "route-cell 2 3 slowdown end and start";
        case CellView::warningBoard:
            return "route-cell 4 warning board";
        case CellView::countdown:
            return "route-cell 5 countdown";
        case CellView::speedIndicator:
            return "route-cell 6 speed indicator board";
        case CellView::stationStop:
            return "route-cell 10 station stop";
        case CellView::mark:
            return "route-cell 12 mark";
        case CellView::locationBoard:
            return "route-cell 14 location board";
        case CellView::stamps:
            return "route-cell cell 1 stamps";
    }
    return "";
}

constexpr std::string_view viewTitle(EntryView view) {
    switch (view) {
        case EntryView::station:
            return "train-entry 1 to 78 station";
        case EntryView::boardText:
            return "train-entry 80 down board text";
        case EntryView::progressive:
            return "train-entry 81 to 83 progressives";
        case EntryView::trainData:
            return "train-entry 84 train data";
        case EntryView::lineData:
            return "train-entry 85 line data";
        case EntryView::repetitionAndClock:
            return "train-entry 86 repetition and clock";
    }
    return "";
}

// Calls visit(name, field) for each field `view` names in `c`, in file order.
template <class Cell, class Visit>
requires std::is_same_v<std::remove_const_t<Cell>, RouteCell>
void forEachNamedField(CellView view, Cell& c, Visit&& visit) {
    switch (view) {
        case CellView::everyCell:
            visit("approach", c.approach);
            visit("mountain_type", c.zone);
            visit("speed_limit", c.speedLimit);
            visit("gradient", c.gradient);
            visit("adhesion", c.adhesion);
            return;
        case CellView::signal:
            visit("s1_d1", c.value1);
            visit("s2_d2", c.value2);
            visit("s3_d3", c.value3);
            visit("rapp_sx_dx", c.value4);
            visit("tempo", c.timing);
            return;
        case CellView::slowdown:
            visit("speed", c.value1);
            visit("d_v", c.value2);
            visit("f_tt", c.value3);
            return;
        case CellView::warningBoard:
            visit("speed", c.value1);
            visit("d_v", c.value2);
            return;
        case CellView::countdown:
            visit("number", c.value1);
            visit("d_v_number", c.value2);
            return;
        case CellView::speedIndicator:
            visit("speeds_a", c.value1);
            visit("speeds_b", c.value2);
            visit("speeds_c", c.value3);
            visit("stripes", c.value4);
            return;
        case CellView::stationStop:
            visit("station", c.value1);
            return;
        case CellView::mark:
            visit("speed", c.value1);
            return;
        case CellView::locationBoard:
            visit("board_entry", c.value1);
            return;
        case CellView::stamps:
            visit("format_stamp", c.value1);
            visit("plain_code", c.value2);
            return;
    }
}

// The same for a train file entry.
template <class Record, class Visit>
requires std::is_same_v<std::remove_const_t<Record>, LineRecord>
void forEachNamedField(EntryView view, Record& r, Visit&& visit) {
    switch (view) {
        case EntryView::station:
            visit("station_kind", r.kind);
            visit("area_start", r.long1);
            visit("area_end", r.long2);
            visit("position", r.long3);
            visit("code_4", r.flag);
            visit("name", r.text);
            visit("code_7", r.int1);
            visit("code_8", r.int2);
            visit("code_10", r.int3);
            visit("code_11", r.int4);
            visit("code_12", r.int5);
            visit("code_9", r.byte1);
            visit("code_13", r.byte2);
            visit("code_6", r.byte3);
            visit("code_5", r.byte4);
            visit("scheduled_time", r.long4);
            return;
        case EntryView::boardText:
            visit("board_text", r.text);
            return;
        case EntryView::progressive:
            visit("first", r.long1);
            visit("second", r.long2);
            visit("third", r.long3);
            return;
        case EntryView::trainData:
            visit("braked_mass_percent", r.long1);
            visit("line_length", r.long2);
            visit("cars", r.long3);
            return;
        case EntryView::lineData:
            visit("background_uno", r.long1);
            visit("background_tre", r.long2);
            visit("background_due", r.long3);
            visit("line_name", r.text);
            visit("format_stamp", r.int1);
            visit("weighted_code", r.long4);
            return;
        case EntryView::repetitionAndClock:
            visit("repetition_first", r.long1);
            visit("repetition_second", r.long2);
            visit("repetition_code", r.long3);
            visit("train_name", r.text);
            visit("sand", r.int1);
            visit("clock_hours", r.int3);
            visit("clock_minutes", r.int4);
            visit("clock_seconds", r.int5);
            return;
    }
}

// The name `view` gives the field `field` of `record` (a member of that very record), or an
// empty name when the view does not name it.
template <class View, class Record, class Field>
std::string_view fieldName(View view, const Record& record, const Field& field) {
    std::string_view found;
    forEachNamedField(view, record, [&](std::string_view name, const auto& f) {
        if (static_cast<const void*>(&f) == static_cast<const void*>(&field)) found = name;
    });
    return found;
}

}  // namespace scenario
