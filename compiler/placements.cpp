#include "compiler/placements.h"

#include "compiler/cell_values.h"
#include "compiler/compilation_observer.h"
#include "compiler/description_grammar.h"
#include "compiler/error_codes.h"
#include "compiler/field_reader.h"
#include "compiler/rounding.h"

namespace scenario {
namespace {

bool inRoute(const ScenarioModel& model, std::int64_t cell) {
    return cell >= 0 && cell <= model.lastCell;
}

RouteCell& cellAt(ScenarioModel& model, std::int64_t cell) {
    return model.routeTable[static_cast<std::size_t>(cell)];
}

// Two speeds packed in one 16-bit board value; a pair that does not fit fails the reading.
std::int16_t packedSpeed(std::int32_t left, std::int32_t right) {
    const std::int64_t v = packBoardSpeeds(left, right);
    if (v < INT16_MIN || v > INT16_MAX) {
        throw ReadFailure("a board speed pair (" + std::to_string(left) + ", " +
                              std::to_string(right) + ") does not fit in 16 bits",
                          SourcePlace{});
    }
    return static_cast<std::int16_t>(v);
}

}  // namespace

Placement memo_montagna(ScenarioModel& model, std::int32_t& inizio, std::int32_t& fine,
                        std::int32_t& tipo) {
    const std::int64_t first = positionCell(RecordKind::mountain, inizio);
    const std::int64_t last = roundHalfEven(fine / 50.0) - 1;
    if (first <= last && (!inRoute(model, first) || !inRoute(model, last))) {
        return Placement::outside;
    }

    bool marker = false;
    if (tipo > 10) {
        tipo -= 10;
        marker = true;
    }
    const int count = ++model.mountainCount;
    model.mountainEnd[count] = fine;
    // A stretch that starts at most 150 m after the previous one ends continues it as type 3.
    if (count > 1 && std::int64_t{inizio} - model.mountainEnd[count - 1] <= 150) tipo = 3;

    std::int64_t number = 1;
    for (std::int64_t c = first; c <= last; ++c, ++number) {
        RouteCell& cell = cellAt(model, c);
        cell.zone = low8(tipo);
        if (marker && number % 4 == 0 && cell.kind == CellKind::kNothing) {
            cell.kind = CellKind::kMountainMarker;
            notePlaced(model, c);
        }
    }
    return Placement::placed;
}

Placement memo_indicatori_v_max(ScenarioModel& model, std::int32_t posizione, std::int32_t vas,
                                std::int32_t vbs, std::int32_t vcs, std::int32_t strisces,
                                std::int32_t vad, std::int32_t vbd, std::int32_t vcd,
                                std::int32_t strisced) {
    const std::int64_t c = positionCell(RecordKind::speedIndicator, posizione);
    if (!inRoute(model, c)) return Placement::outside;
    RouteCell& cell = cellAt(model, c);
    if (!isFree(cell)) {
        model.error.errorCode = ErrorCode::speedIndicatorCellTaken;
        noteTaken(model, c);
        return Placement::taken;
    }
    const std::int16_t value1 = packedSpeed(vas, vad);
    const std::int16_t value2 = packedSpeed(vbs, vbd);
    const std::int16_t value3 = packedSpeed(vcs, vcd);
    cell.kind = CellKind::kSpeedIndicator;
    notePlaced(model, c);
    cell.value1 = value1;
    cell.value2 = value2;
    cell.value3 = value3;
    cell.value4 = packStripes(strisces, strisced);
    return Placement::placed;
}

Placement placeLocationBoard(ScenarioModel& model, std::int32_t p, const std::string& t,
                             int& nextBoardEntry) {
    const std::int64_t c = positionCell(RecordKind::locationBoard, p);
    if (!inRoute(model, c)) return Placement::outside;
    RouteCell& cell = cellAt(model, c);
    if (!isFree(cell)) {
        model.error.errorCode = ErrorCode::locationBoardCellTaken;
        noteTaken(model, c);
        return Placement::taken;
    }
    cell.kind = CellKind::kLocationBoard;
    notePlaced(model, c);
    cell.value1 = low16(nextBoardEntry);
    model.lineTable[static_cast<std::size_t>(nextBoardEntry)].text = t;
    --nextBoardEntry;
    return Placement::placed;
}

Placement memo_segnale(ScenarioModel& model, std::int32_t posizione, std::int32_t sx,
                       std::int32_t s1, std::int32_t s2, std::int32_t s3, std::int32_t rapp,
                       std::int32_t dx, std::int32_t d1, std::int32_t d2, std::int32_t d3,
                       std::int32_t& tempo) {
    const std::int64_t c = positionCell(RecordKind::signal, posizione);
    if (!inRoute(model, c)) return Placement::outside;
    RouteCell& cell = cellAt(model, c);
    if (!isFree(cell)) {
        model.error.errorCode = ErrorCode::signalCellTaken;
        noteTaken(model, c);
        return Placement::taken;
    }
    cell.kind = CellKind::kSignal;
    notePlaced(model, c);
    cell.value1 = packAspects(s1, d1);
    cell.value2 = packAspects(s2, d2);
    cell.value3 = packAspects(s3, d3);
    cell.value4 = packSignalSides(rapp, sx, dx);
    if (tempo >= 1 && tempo <= 100) tempo = 101;
    cell.timing = sx == 2 ? low8(tempo) : 0;
    // Approach codes 100, 200, 300 and 400 m before the signal; those before the start of the
    // line have no cell and are left out.
    for (int k = 1; k <= 4; ++k) {
        const std::int64_t a = c - std::int64_t{2} * k;
        if (a < 0) break;
        cellAt(model, a).approach = low8((std::int64_t{sx} * 3 + dx) * 10 + k);
    }
    return Placement::placed;
}

Placement memo_rallentamento(ScenarioModel& model, std::int32_t x, std::int32_t v, std::int32_t l,
                             std::int32_t f_tt, std::int32_t f_ta, std::int32_t d_v) {
    constexpr RecordKind kSlowdown = RecordKind::slowdown;
    const std::int64_t a = positionCell(kSlowdown, std::int64_t{x} - 1200);  // warning board
    const std::int64_t s = positionCell(kSlowdown, x);                       // start
    const std::int64_t e = positionCell(kSlowdown, std::int64_t{x} + l);     // end
    const std::int64_t b = cellOf(std::int64_t{x} - 1200, 0);                // first countdown cell
    const bool warned = x > 1500;
    const bool countdown = warned && f_ta != 0;
    if (!inRoute(model, s) || !inRoute(model, e) || (warned && !inRoute(model, a)) ||
        (countdown && (!inRoute(model, b) || !inRoute(model, b - 3)))) {
        return Placement::outside;
    }

    if (warned && !isFree(cellAt(model, a))) {
        model.error.errorCode = ErrorCode::slowdownWarningBoardCellTaken;
        noteTaken(model, a);
        return Placement::taken;
    }
    if (!isFree(cellAt(model, s))) {
        model.error.errorCode = ErrorCode::slowdownStartCellTaken;
        noteTaken(model, s);
        return Placement::taken;
    }
    if (!isFree(cellAt(model, e))) {
        model.error.errorCode = ErrorCode::slowdownEndCellTaken;
        noteTaken(model, e);
        return Placement::taken;
    }

    RouteCell& end = cellAt(model, e);
    end.kind = CellKind::kSlowdownEnd;
    notePlaced(model, e);
    if (d_v != 0) end.value2 = low16(d_v);
    RouteCell& start = cellAt(model, s);
    start.kind = CellKind::kSlowdownStart;
    notePlaced(model, s);
    if (d_v != 0) start.value2 = low16(d_v);
    if (warned) {
        RouteCell& warning = cellAt(model, a);
        warning.kind = CellKind::kWarningBoard;
        notePlaced(model, a);
        if (d_v != 0) warning.value2 = low16(d_v);
        warning.value1 = low16(v);
    }
    for (RouteCell* cell : {&start, &end}) {
        cell->value1 = low16(v);
        cell->value3 = low16(f_tt);
    }

    if (countdown) {
        for (int i = 0; i < 4; ++i) {
            if (!isFree(cellAt(model, b - i))) {
                model.error.errorCode = ErrorCode::slowdownCountdownCellTaken;
                noteTaken(model, b - i);
                return Placement::taken;
            }
        }
        for (int i = 0; i < 4; ++i) {
            RouteCell& cell = cellAt(model, b - i);
            cell.kind = CellKind::kCountdown;
            notePlaced(model, b - i);
            cell.value1 = low16(i + 1);
            if (d_v != 0) cell.value2 = low16(i + 1);
        }
    }
    return Placement::placed;
}

Placement placeAbbattimento(ScenarioModel& model, std::int32_t p, std::int32_t w) {
    const std::int64_t c = positionCell(RecordKind::abbattimento, p);
    if (!inRoute(model, c)) return Placement::outside;
    RouteCell& cell = cellAt(model, c);
    if (!isFree(cell)) {
        noteTaken(model, c);
        return Placement::taken;
    }
    notePlaced(model, c);
    if (w > 0) {
        cell.kind = CellKind::kMark;
        cell.value1 = low16(w);
    } else {
        cell.kind = CellKind::kMarkWithoutSpeed;
    }
    return Placement::placed;
}

}  // namespace scenario
