#include "compiler/train_reader.h"

#include <array>
#include <optional>
#include <utility>

#include "compiler/cell_values.h"
#include "compiler/placements.h"
#include "compiler/rounding.h"

namespace scenario {
namespace {

// The speed or the adhesion in force, written into the cells as the reading passes them: the
// field it fills, and the first cell it has not filled yet.
struct TrackFill {
    std::uint8_t RouteCell::*field;
    std::int64_t cursor = 0;
};

class TrainPhase {
  public:
    TrainPhase(ReadingContext& ctx, FieldReader& in) : ctx_(ctx), m_(ctx.model), in_(in) {}
    void run();

  private:
    // What a record asks of the phase: read on; stop reading and do the end-of-file work (the
    // end of the file, or a position outside the route); or fail at once.
    enum class Next { readOn, endOfFile, fail };

    std::string readKeyword();
    Next record(const std::string& field);
    Next recordValues(RecordKind kind, RecordFields& values);
    bool rangeCheck(std::int64_t p, int margin);
    Next speedStretch(std::int32_t p, std::int32_t s);
    Next adhesionStretch(std::int32_t p, std::int32_t a);
    Next signal(RecordFields& values);
    Next slowdown(RecordFields& values);
    Next abbattimento(RecordFields& values);
    Next station(RecordFields& values);
    Next readStationRecord(RecordFields& values, LineRecord& s, std::int32_t& length);
    void setStationArea(LineRecord& s, std::int32_t length, int i) const;
    Next placeStationStop(const LineRecord& s, int i);
    Next failWith(ErrorCode code, std::optional<std::int32_t> position = std::nullopt);
    void endOfFileWork();
    std::uint8_t speedUnits(std::int32_t speed) const;
    std::uint8_t speedInForce() const { return speedUnits(ctx_.currentSpeed); }
    std::uint8_t adhesionInForce() const { return low8(ctx_.currentAdhesion); }
    template <class Value>
    void fillBefore(std::int64_t n, TrackFill& fill, Value value);
    template <class Value>
    void fillToTheEnd(std::int64_t until, TrackFill& fill, Value value);

    ReadingContext& ctx_;
    ScenarioModel& m_;
    FieldReader& in_;
    TrackFill speed_{&RouteCell::speedLimit};
    TrackFill adhesion_{&RouteCell::adhesion};
    // Where the speed in force was given: a speed that fits no cell is found only when a later
    // record, or the end of the file, writes it into cells, and is blamed on its own field.
    FieldSpan speedField_;
    SourcePlace speedRecord_;
    int station_ = 1;
};

std::string TrainPhase::readKeyword() {
    return ctx_.readKeyword(in_);
}

TrainPhase::Next TrainPhase::failWith(ErrorCode code, std::optional<std::int32_t> position) {
    ctx_.fail(code, position);
    return Next::fail;
}

void TrainPhase::run() {
    bool header = false;
    while (!header && !in_.atEnd()) header = containsIgnoringCase(readKeyword(), kGeneralHeading);
    Next next = Next::readOn;
    const int comments = commentFieldsDropped(Section::train);
    while (header && next == Next::readOn) {
        if (in_.atEnd()) break;
        std::string field = readKeyword();
        for (int n = 0; !in_.atEnd() && n < comments && isComment(field); ++n) {
            field = readKeyword();
        }
        if (in_.atEnd()) break;
        next = record(field);
    }
    if (header && next == Next::readOn) ctx_.descriptionEnds();
    ctx_.trainConsumed = true;
    if (next != Next::fail) endOfFileWork();
}

// A record's position must lie `margin` metres before the end of the route.
bool TrainPhase::rangeCheck(std::int64_t p, int margin) {
    if (static_cast<double>(p + margin) / 50.0 > m_.lastCell) {
        ctx_.fail(ErrorCode::positionOutsideRoute, static_cast<std::int32_t>(p));
        return false;
    }
    return true;
}

// Each record whose keyword test the field passes reads its own values, in the grammar's order.
TrainPhase::Next TrainPhase::record(const std::string& field) {
    const KeywordField keyword(field);
    for (const RecordGrammar& grammar : sectionRecords(Section::train)) {
        if (!grammar.matches(keyword)) continue;
        RecordFields values = ctx_.startRecord(in_, grammar);
        if (const Next next = recordValues(grammar.kind, values); next != Next::readOn) return next;
    }
    return Next::readOn;
}

TrainPhase::Next TrainPhase::recordValues(RecordKind kind, RecordFields& values) {
    LineTable& t = m_.lineTable;
    switch (kind) {
        case RecordKind::brakedMass:
            t[kTrainGeneral].long1 = values.int32();
            return Next::readOn;
        case RecordKind::cars:
            t[kTrainGeneral].long3 = values.int32();
            return Next::readOn;
        case RecordKind::speed: {
            const std::int32_t p = values.int32();
            const std::int32_t s = values.int32();
            const Next next = speedStretch(p, s);
            if (next == Next::readOn) {
                speedField_ = in_.fieldSpan();
                speedRecord_ = ctx_.recordPlace;
            }
            return next;
        }
        case RecordKind::adhesion: {
            const std::int32_t p = values.int32();
            return adhesionStretch(p, values.int32());
        }
        case RecordKind::clock:
            t[kRepetitionEntry].int3 = values.int16();
            t[kRepetitionEntry].int4 = values.int16();
            t[kRepetitionEntry].int5 = values.int16();
            return Next::readOn;
        case RecordKind::sand:
            t[kRepetitionEntry].int1 = values.int16();
            return Next::readOn;
        case RecordKind::signal:
            return signal(values);
        case RecordKind::slowdown:
            return slowdown(values);
        case RecordKind::abbattimento:
            return abbattimento(values);
        case RecordKind::station:
            return station(values);
        default:
            return Next::readOn;
    }
}

// A limit of s km/h is kept in units of 5 km/h.
std::uint8_t TrainPhase::speedUnits(std::int32_t speed) const {
    const std::int64_t units = roundHalfEven(speed / 5.0);
    if (units < 0 || units > 255) {
        throw ReadFailure("the speed " + std::to_string(speed) + " km/h does not fit in a cell",
                          speedField_.start, speedRecord_);
    }
    return static_cast<std::uint8_t>(units);
}

// Fills the cells from the cursor up to the one before cell n with value(). The cursor stops at
// the table's last cell, so that repeated positions cannot push it past the route; value() is
// asked only for a cell it fills, so a value that cannot be stored fails only then.
template <class Value>
void TrainPhase::fillBefore(std::int64_t n, TrackFill& fill, Value value) {
    if (n <= 0) return;
    do {
        if (fill.cursor >= m_.lastCell) break;
        m_.routeTable[static_cast<std::size_t>(fill.cursor)].*fill.field = value();
        ++fill.cursor;
    } while (fill.cursor < n);
}

// At the end of the reading: the cursor's cell and the cells after it before `until`, each one
// that lies in the route.
template <class Value>
void TrainPhase::fillToTheEnd(std::int64_t until, TrackFill& fill, Value value) {
    do {
        if (fill.cursor <= m_.lastCell) {
            m_.routeTable[static_cast<std::size_t>(fill.cursor)].*fill.field = value();
        }
        ++fill.cursor;
    } while (fill.cursor < until);
}

// The speed in force fills the cells up to the one before this record's; then s holds.
TrainPhase::Next TrainPhase::speedStretch(std::int32_t p, std::int32_t s) {
    if (!rangeCheck(p, 100)) return Next::endOfFile;
    fillBefore(positionCell(RecordKind::speed, p), speed_, [this] { return speedInForce(); });
    ctx_.currentSpeed = s;
    return Next::readOn;
}

// As the speed, with the low 8 bits of the adhesion.
TrainPhase::Next TrainPhase::adhesionStretch(std::int32_t p, std::int32_t a) {
    if (!rangeCheck(p, 100)) return Next::endOfFile;
    fillBefore(positionCell(RecordKind::adhesion, p), adhesion_,
               [this] { return adhesionInForce(); });
    ctx_.currentAdhesion = a;
    return Next::readOn;
}

TrainPhase::Next TrainPhase::signal(RecordFields& values) {
    std::array<std::int32_t, 11> v{};
    for (std::int32_t& value : v) value = values.int32();
    const std::int32_t posizione = v[0];
    if (!rangeCheck(posizione, 100)) return Next::endOfFile;
    const Placement placed =
        memo_segnale(m_, posizione, v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
    if (placed == Placement::outside) {
        ctx_.fail(ErrorCode::positionOutsideRoute, posizione);
        return Next::endOfFile;
    }
    // A code still standing from the line phase fails the reading here too.
    if (m_.error.errorCode != ErrorCode::none) return failWith(m_.error.errorCode, posizione);
    return Next::readOn;
}

TrainPhase::Next TrainPhase::slowdown(RecordFields& values) {
    std::array<std::int32_t, 6> v{};
    for (std::int32_t& value : v) value = values.int32();
    const std::int32_t x = v[0];
    if (!rangeCheck(x, 100)) return Next::endOfFile;
    const Placement placed = memo_rallentamento(m_, x, v[1], v[2], v[3], v[4], v[5]);
    if (placed == Placement::outside) {
        ctx_.fail(ErrorCode::positionOutsideRoute, x);
        return Next::endOfFile;
    }
    if (m_.error.errorCode != ErrorCode::none) return failWith(m_.error.errorCode, x);
    return Next::readOn;
}

TrainPhase::Next TrainPhase::abbattimento(RecordFields& values) {
    const std::int32_t p = values.int32();
    const std::int32_t w = values.int32();
    if (!rangeCheck(p, 100)) return Next::endOfFile;
    switch (placeAbbattimento(m_, p, w)) {
        case Placement::outside:
            ctx_.fail(ErrorCode::positionOutsideRoute, p);
            return Next::endOfFile;
        case Placement::taken:
            return failWith(ErrorCode::abbattimentoCellTaken, p);
        case Placement::placed:
            break;
    }
    return Next::readOn;
}

// A value computed from a station record must fit its 32-bit field, as read values must.
std::int32_t fitStationValue(std::int64_t v, const char* what, const SourcePlace& place) {
    if (v < INT32_MIN || v > INT32_MAX) {
        throw ReadFailure(std::string("the station's ") + what + " does not fit in 32 bits", place);
    }
    return static_cast<std::int32_t>(v);
}

// A station record, read into entry `s` field by field: the position must lie far enough
// before the end of the route and on a cell boundary, the length in whole 100 m. The length
// shapes the area but is not stored; it comes back in `length`.
TrainPhase::Next TrainPhase::readStationRecord(RecordFields& values, LineRecord& s,
                                               std::int32_t& length) {
    const std::int32_t p = values.int32();
    s.long3 = p;
    if (!rangeCheck(p, 800)) return Next::endOfFile;
    if (p % 50 != 0) return failWith(ErrorCode::stationPositionNotMultipleOf50, p);
    s.kind = values.byte();
    length = values.int32();
    if (length % 100 != 0) return failWith(ErrorCode::stationLengthNotMultipleOf100, p);
    s.flag = values.byte();
    s.byte4 = values.byte();
    s.byte3 = values.byte();
    s.int1 = values.int16();
    s.int2 = values.int16();
    s.byte1 = values.byte();
    s.int3 = values.int16();
    s.int4 = values.int16();
    s.int5 = values.int16();
    s.byte2 = values.byte();
    const std::int64_t hours = values.int32();
    const std::int64_t minutes = values.int32();
    const std::int64_t seconds = values.int32();
    // The scheduled time is stored before the name is read: a record that ends without its
    // name, or whose name cannot be kept, still leaves its time in the entry, and a time that
    // does not fit fails the record before its name is read.
    s.long4 =
        fitStationValue((hours * 60 + minutes) * 60 + seconds, "scheduled time", ctx_.recordPlace);
    std::string name = values.text();
    s.text = storedText(std::move(name), in_.fieldPlace());
    return Next::readOn;
}

// The station area by kind: kinds 5 and 6 run from the length before the position to 150 m
// past it, kinds 7 and 8 the whole length either side, any other is centred on the position
// and lengthened by 50 m at its end when byte3 asks. A station under 600 m keeps no byte4; the
// first station keeps neither byte3 nor byte4, though its area keeps the 50 m byte3 added.
void TrainPhase::setStationArea(LineRecord& s, std::int32_t length, int i) const {
    const std::int64_t pos = s.long3;
    const SourcePlace& place = ctx_.recordPlace;
    switch (s.kind) {
        case 5:
        case 6:
            s.long2 = fitStationValue(pos + 150, "area end", place);
            s.long1 = fitStationValue(pos - length, "area start", place);
            s.byte3 = 0;
            break;
        case 7:
        case 8:
            s.long1 = fitStationValue(pos - length, "area start", place);
            s.long2 = fitStationValue(pos + length, "area end", place);
            s.byte3 = 0;
            break;
        default:
            s.long1 = fitStationValue(pos - length / 2, "area start", place);
            s.long2 =
                fitStationValue(pos + length / 2 + (s.byte3 != 0 ? 50 : 0), "area end", place);
            break;
    }
    if (length < 600) s.byte4 = 0;
    if (i == 1) {
        s.byte3 = 0;
        s.byte4 = 0;
    }
}

// A served station (kind below 25) stops in the last cell of its area, which takes the station
// number `i` whatever it held, with approach codes in the four cells before the stop (not for
// kinds 5 and 6). Kinds 25 and above have an area and nothing more.
TrainPhase::Next TrainPhase::placeStationStop(const LineRecord& s, int i) {
    if (s.kind >= 25) return Next::readOn;
    const std::int64_t e = s.long2 / 50;
    // The stop cell and the approach cells lie inside the area's last 250 m; an area that
    // ends beyond the route has no cells for them.
    if (e - 1 > m_.lastCell) {
        ctx_.fail(ErrorCode::positionOutsideRoute, s.long3);
        return Next::endOfFile;
    }
    if (s.kind != 5 && s.kind != 6) {
        for (int k = 1; k <= 4; ++k) {
            const std::int64_t c = e - k - 1;
            if (c > 1)
                m_.routeTable[static_cast<std::size_t>(c)].approach =
                    static_cast<std::uint8_t>(80 + k);
        }
    }
    if (e - 1 <= 1) return failWith(ErrorCode::stationAreaEndsTooEarly);
    RouteCell& stop = m_.routeTable[static_cast<std::size_t>(e - 1)];
    stop.kind = CellKind::kStationStop;
    notePlaced(m_, e - 1);
    stop.value1 = static_cast<std::int16_t>(i);
    return Next::readOn;
}

// The station fills the next entry; stations come in order, each area 350 m clear of the one
// before, and their entries must stay below the board texts.
TrainPhase::Next TrainPhase::station(RecordFields& values) {
    const int i = station_;
    LineRecord& s = m_.lineTable[static_cast<std::size_t>(i)];
    std::int32_t length = 0;
    if (const Next next = readStationRecord(values, s, length); next != Next::readOn) return next;
    setStationArea(s, length, i);
    if (const Next next = placeStationStop(s, i); next != Next::readOn) return next;
    if (i > 1 &&
        std::int64_t{s.long1} - 350 < m_.lineTable[static_cast<std::size_t>(i - 1)].long2) {
        return failWith(ErrorCode::stationAreaTooClose, s.long3);
    }
    station_ = i + 1;
    if (station_ >= ctx_.nextBoardEntry) return failWith(ErrorCode::tooManyStations);
    return Next::readOn;
}

void TrainPhase::endOfFileWork() {
    // The speed and adhesion in force hold to three cells before the end of the route.
    const std::int64_t until = std::int64_t{m_.lastCell} - 2;
    fillToTheEnd(until, speed_, [this] { return speedInForce(); });
    fillToTheEnd(until, adhesion_, [this] { return adhesionInForce(); });

    for (int entry = kProgressiveTre; entry <= kProgressiveUno; ++entry) {
        const LineRecord& r = m_.lineTable[static_cast<std::size_t>(entry)];
        if (r.long1 % 50 != 0 || r.long2 % 50 != 0) {
            m_.error.errorCode = ErrorCode::progressiveNotMultipleOf50;
            ctx_.site = FailureSite{Description::none, {}, {}};
        }
    }
}

}  // namespace

void readTrainDescription(ReadingContext& ctx) {
    const SourceFile file = ctx.sources.train();
    ctx.reading = Description::train;
    ctx.recordPlace = {};
    ctx.lastWord.clear();
    ctx.lastWordSpan = {};
    if (file.state != SourceFile::State::loaded) {
        throw ReadFailure(file.state == SourceFile::State::missing
                              ? "the train description does not exist"
                              : "the train description cannot be read",
                          SourcePlace{});
    }
    FieldReader in(file.bytes);
    TrainPhase(ctx, in).run();
}

}  // namespace scenario
