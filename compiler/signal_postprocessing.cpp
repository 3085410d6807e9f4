#include "compiler/signal_postprocessing.h"

#include <initializer_list>

#include "compiler/compilation_observer.h"
#include "compiler/error_codes.h"

namespace scenario {
namespace {

constexpr std::int16_t kSlowSpeed = 110;
constexpr int kBoardLookBack = 20;
constexpr int kMarkSpacing = 8;
constexpr int kLookAhead = 12;

class Pass {
  public:
    explicit Pass(ScenarioModel& model) : m_(model), last_(model.lastCell) {}
    void run();
    bool recorded() const { return recorded_; }

  private:
    bool inside(std::int64_t c) const { return c >= 0 && c <= last_; }
    RouteCell& cell(std::int64_t c) { return m_.routeTable[static_cast<std::size_t>(c)]; }
    bool freeCell(std::int64_t c) { return inside(c) && isFree(cell(c)); }
    void mark(std::int64_t c) {
        cell(c).kind = CellKind::kMark;
        notePlaced(m_, c);
        cell(c).value1 = kMarkSpeed;
    }
    void record(ErrorCode code, std::int64_t c) {
        m_.error.errorCode = code;
        m_.error.errorPosition = static_cast<std::int32_t>(c * 50);
        recorded_ = true;
    }
    void signalsBeforeBoard(std::int64_t c);
    void marksBeforeStart(std::int64_t c);
    std::int64_t walkThroughSlowdown(std::int64_t c);
    void markBeforeNextSignal(std::int64_t end);

    ScenarioModel& m_;
    const std::int64_t last_;
    bool recorded_ = false;
};

void Pass::run() {
    for (std::int64_t c = 1; c <= last_ - 2; ++c) {
        const std::uint8_t kind = cell(c).kind;
        if (kind == CellKind::kWarningBoard) {
            signalsBeforeBoard(c);
        } else if (kind == CellKind::kSlowdownStart) {
            marksBeforeStart(c);
            if (cell(c).value1 < kSlowSpeed) {
                const std::int64_t end = walkThroughSlowdown(c);
                if (end >= 0) markBeforeNextSignal(end);
            }
        }
    }
}

// Every signal in the 20 cells before a warning board gets a mark in one of the two cells
// before it, or has the mark already there lowered to 180.
void Pass::signalsBeforeBoard(std::int64_t c) {
    for (int k = 1; k <= kBoardLookBack; ++k) {
        const std::int64_t d = c - k;
        if (d < 3) return;
        if (cell(d).kind != CellKind::kSignal) continue;
        const std::uint8_t p = cell(d - 1).kind;
        const std::uint8_t q = cell(d - 2).kind;
        if (isFree(cell(d - 1))) {
            mark(d - 1);
        } else if (isFree(cell(d - 2))) {
            mark(d - 2);
        } else if (p == CellKind::kMark) {
            cell(d - 1).value1 = minimo(kMarkSpeed, cell(d - 1).value1);
        } else if (q == CellKind::kMark) {
            cell(d - 2).value1 = minimo(kMarkSpeed, cell(d - 2).value1);
        } else {
            noteTaken(m_, d - 1);
            record(ErrorCode::noCellForMarkBeforeSignalAheadOfBoard, d);
        }
    }
}

// Marks 250 to 350 m, 550 to 650 m and 900 to 1000 m before the start.
void Pass::marksBeforeStart(std::int64_t c) {
    for (const int nearest : {5, 11, 18}) {
        if (c <= nearest + 2) continue;
        bool placed = false;
        for (int back = nearest; back <= nearest + 2 && !placed; ++back) {
            if (isFree(cell(c - back))) {
                mark(c - back);
                placed = true;
            }
        }
        if (!placed) {
            noteTaken(m_, c - nearest);
            record(ErrorCode::noCellForMarkBeforeSlowdown, c);
        }
    }
}

// Marks every 400 m inside the slowdown; returns its end cell, or -1 when the route ends
// before an end is found.
std::int64_t Pass::walkThroughSlowdown(std::int64_t c) {
    int n = 0;
    for (std::int64_t e = c + 1; inside(e); ++e) {
        ++n;
        if (n == kMarkSpacing) {
            if (freeCell(e)) {
                mark(e);
                n = 0;
            } else if (freeCell(e - 1)) {
                mark(e - 1);
                n = 1;
            } else if (freeCell(e + 1)) {
                mark(e + 1);
                n = -1;
            } else {
                noteTaken(m_, e);
                record(ErrorCode::noCellForMarkInsideSlowdown, e);
            }
        }
        if (cell(e).kind == CellKind::kSlowdownEnd) return e;
    }
    return -1;
}

// A mark before the first signal within the 12 cells after the slowdown's end.
void Pass::markBeforeNextSignal(std::int64_t end) {
    for (std::int64_t i = end; i <= end + kLookAhead && inside(i); ++i) {
        if (cell(i).kind != CellKind::kSignal) continue;
        const std::int64_t s = i - 1;
        if (isFree(cell(s))) {
            mark(s);
        } else if (freeCell(s - 1)) {
            mark(s - 1);
        } else {
            noteTaken(m_, s);
            record(ErrorCode::noCellForMarkInsideSlowdown, end);
        }
        return;
    }
}

}  // namespace

std::int16_t minimo(std::int16_t x, std::int16_t y) {
    return x > y ? y : x;
}

bool postProcessSignals(ScenarioModel& model) {
    if (!model.routeDimensioned()) return false;
    if (model.observer) model.observer->marksPassStarts();
    Pass pass(model);
    pass.run();
    return pass.recorded();
}

}  // namespace scenario
