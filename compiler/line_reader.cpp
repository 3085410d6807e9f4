// The line phase: the line description's general section, the kilometre progressives, and the
// record section with gradients, curves, mountain stretches and boards.
#include "compiler/line_reader.h"

#include <algorithm>
#include <array>
#include <optional>

#include "compiler/cell_values.h"
#include "compiler/compilation_observer.h"
#include "compiler/placements.h"
#include "compiler/reading_context.h"
#include "compiler/rounding.h"

namespace scenario {
namespace {

constexpr std::int32_t kLongestLine = 1000000;
constexpr std::int64_t kPlanIndexLimit = 1000000;
constexpr int kMaxMountains = kMountainEntries - 1;

// A 32-bit sum that overflows is a run-time failure, as a number too large for its field is.
std::int32_t checkedSum(std::int64_t sum) {
    if (sum < INT32_MIN || sum > INT32_MAX) {
        throw ReadFailure("a kilometre progressive sum does not fit in 32 bits", SourcePlace{});
    }
    return static_cast<std::int32_t>(sum);
}

class LinePhase {
  public:
    LinePhase(ReadingContext& ctx, FieldReader& in) : ctx_(ctx), m_(ctx.model), in_(in) {}
    PhaseEnd run();

  private:
    // What a step asks of the phase: read on; finish the phase normally (the end of the file,
    // or a position outside the route); or stop reading at once.
    enum class Next { readOn, finish, stop };

    std::string readKeyword();
    bool findHeader();
    Next generalSection();
    Next generalRecord(const std::string& field);
    Next generalValues(RecordKind kind, const std::string& field, RecordFields& values);
    Next lineLength(RecordFields& values);
    Next signalRepetition(const std::string& field, RecordFields& values);
    Next recordSection();
    Next lineRecord(const std::string& field);
    Next recordValues(RecordKind kind, const std::string& field, RecordFields& values);
    bool positionTest(std::int64_t p);
    Next gradient(std::int32_t p, std::int32_t g);
    Next curve(const std::string& field, std::int32_t s, std::int32_t n);
    Next mountain(std::int32_t inizio, std::int32_t fine, std::int32_t tipo);
    Next speedIndicator(const std::array<std::int32_t, 9>& v);
    Next locationBoard(std::int32_t p, const std::string& text);
    Next planRun(std::int64_t last, double turnRate, bool limited);
    void endOfPhase();
    Next stopWith(ErrorCode code, std::optional<std::int32_t> position = std::nullopt);
    Next outside(std::int32_t p);
    Next endOfFile() {
        ctx_.descriptionEnds();
        return Next::finish;
    }

    ReadingContext& ctx_;
    ScenarioModel& m_;
    FieldReader& in_;
    std::int64_t fillCell_ = 0;
    std::int32_t currentGradient_ = 0;
};

std::string LinePhase::readKeyword() {
    return ctx_.readKeyword(in_);
}

// Closes and deletes the line description, records the failure and ends the reading: the train
// description is not read.
LinePhase::Next LinePhase::stopWith(ErrorCode code, std::optional<std::int32_t> position) {
    ctx_.lineConsumed = true;
    ctx_.fail(code, position);
    return Next::stop;
}

// A record that would reach outside the route ends the line phase as a failed position test.
LinePhase::Next LinePhase::outside(std::int32_t p) {
    ctx_.fail(ErrorCode::positionOutsideRoute, p);
    return Next::finish;
}

PhaseEnd LinePhase::run() {
    if (!findHeader()) {
        stopWith(ErrorCode::generalHeaderMissing);
        return PhaseEnd::stop;
    }
    if (generalSection() == Next::stop) return PhaseEnd::stop;
    if (!m_.routeDimensioned()) {
        stopWith(ErrorCode::noLineLength);
        return PhaseEnd::stop;
    }
    progressive_ordina(m_);

    m_.mountainCount = 0;
    ctx_.nextBoardEntry = kFirstBoardEntry;
    if (m_.makeTrackPlan != 0) {
        m_.trackPlan.drawStart();
    }
    if (recordSection() == Next::stop) return PhaseEnd::stop;
    endOfPhase();
    return PhaseEnd::goOn;
}

bool LinePhase::findHeader() {
    for (;;) {
        const std::string field = readKeyword();
        if (in_.atEnd()) return false;
        if (containsIgnoringCase(field, kGeneralHeading)) return true;
    }
}

LinePhase::Next LinePhase::generalSection() {
    for (;;) {
        if (in_.atEnd()) return Next::readOn;
        std::string field = readKeyword();
        if (in_.atEnd()) return Next::readOn;
        const int comments = commentFieldsDropped(Section::lineGeneral);
        for (int n = 0; n < comments && isComment(field); ++n) field = readKeyword();
        if (generalRecord(field) == Next::stop) return Next::stop;
        if (isHeading(field)) return Next::readOn;
    }
}

// Each record whose keyword test the field passes reads its own values, in the grammar's order.
LinePhase::Next LinePhase::generalRecord(const std::string& field) {
    const KeywordField keyword(field);
    for (const RecordGrammar& grammar : sectionRecords(Section::lineGeneral)) {
        if (!grammar.matches(keyword)) continue;
        RecordFields values = ctx_.startRecord(in_, grammar);
        if (generalValues(grammar.kind, field, values) == Next::stop) return Next::stop;
    }
    return Next::readOn;
}

LinePhase::Next LinePhase::generalValues(RecordKind kind, const std::string& field,
                                         RecordFields& values) {
    LineTable& t = m_.lineTable;
    const auto progressive = [&values](LineRecord& entry) {
        entry.long1 = values.int32();
        entry.long2 = values.int32();
        entry.long3 = values.int32();
    };
    switch (kind) {
        case RecordKind::lineLength:
            return lineLength(values);
        case RecordKind::progressiveTre:
            progressive(t[kProgressiveTre]);
            break;
        case RecordKind::progressiveDue:
            progressive(t[kProgressiveDue]);
            break;
        case RecordKind::progressiveUno:
            progressive(t[kProgressiveUno]);
            break;
        // The background values go to entry 85 in the order uno, tre, due.
        case RecordKind::backgroundUno:
            t[kLineGeneral].long1 = values.int32();
            break;
        case RecordKind::backgroundDue:
            t[kLineGeneral].long3 = values.int32();
            break;
        case RecordKind::backgroundTre:
            t[kLineGeneral].long2 = values.int32();
            break;
        case RecordKind::signalRepetition:
            return signalRepetition(field, values);
        default:
            break;
    }
    return Next::readOn;
}

LinePhase::Next LinePhase::lineLength(RecordFields& values) {
    const std::int32_t length = values.int32();
    m_.lineTable[kTrainGeneral].long2 = length;
    if (length > kLongestLine) return stopWith(ErrorCode::lineTooLong);
    if (length < 0) return stopWith(ErrorCode::noLineLength);
    m_.planLength = length + 7000;
    m_.lastCell = static_cast<std::int32_t>(roundHalfEven(m_.planLength / 50.0));
    m_.routeTable.assign(static_cast<std::size_t>(m_.lastCell) + 1, RouteCell{});
    if (m_.makeTrackPlan != 0) m_.trackPlan.startDrawing(std::int64_t{m_.planLength} + 1);
    return Next::readOn;
}

// The code system is the first of the digits 4 and 9 that the keyword holds.
LinePhase::Next LinePhase::signalRepetition(const std::string& field, RecordFields& values) {
    LineRecord& entry = m_.lineTable[kRepetitionEntry];
    entry.long1 = values.int32();
    entry.long2 = values.int32();
    if (entry.long1 % 50 != 0) return stopWith(ErrorCode::firstRepetitionNotMultipleOf50);
    if (entry.long2 % 50 != 0) return stopWith(ErrorCode::secondRepetitionNotMultipleOf50);
    const auto code =
        std::find_if(kRepetitionCodes.begin(), kRepetitionCodes.end(),
                     [&field](char digit) { return field.find(digit) != std::string::npos; });
    if (code == kRepetitionCodes.end()) return stopWith(ErrorCode::repetitionKeywordWithout4Or9);
    entry.long3 = *code - '0';
    if (entry.long2 == 0) entry.long3 = 0;
    return Next::readOn;
}

LinePhase::Next LinePhase::recordSection() {
    for (;;) {
        if (in_.atEnd()) return endOfFile();
        std::string field = readKeyword();
        if (in_.atEnd()) return endOfFile();
        const int comments = commentFieldsDropped(Section::lineRecords);
        for (int n = 0; n < comments && isComment(field); ++n) {
            field = readKeyword();
            if (in_.atEnd()) return endOfFile();
        }
        const Next next = lineRecord(field);
        if (next != Next::readOn) return next;
    }
}

// Curves are records only while the track plan is made; otherwise their keyword is unknown.
LinePhase::Next LinePhase::lineRecord(const std::string& field) {
    const KeywordField keyword(field);
    for (const RecordGrammar& grammar : sectionRecords(Section::lineRecords)) {
        if (!grammar.matches(keyword) || (grammar.needsTrackPlan && m_.makeTrackPlan == 0)) {
            continue;
        }
        RecordFields values = ctx_.startRecord(in_, grammar);
        if (const Next next = recordValues(grammar.kind, field, values); next != Next::readOn) {
            return next;
        }
    }
    return Next::readOn;
}

LinePhase::Next LinePhase::recordValues(RecordKind kind, const std::string& field,
                                        RecordFields& values) {
    switch (kind) {
        case RecordKind::gradient: {
            const std::int32_t p = values.int32();
            return gradient(p, values.int32());
        }
        case RecordKind::curve: {
            const std::int32_t s = values.int32();
            return curve(field, s, values.int32());
        }
        case RecordKind::mountain: {
            const std::int32_t inizio = values.int32();
            const std::int32_t fine = values.int32();
            return mountain(inizio, fine, values.int32());
        }
        case RecordKind::speedIndicator: {
            std::array<std::int32_t, 9> v{};
            for (std::int32_t& value : v) value = values.int32();
            return speedIndicator(v);
        }
        case RecordKind::locationBoard: {
            const std::int32_t p = values.int32();
            // A board text too long for the compiled file is told at the board's position.
            const SourcePlace position = in_.fieldPlace();
            return locationBoard(p, storedText(values.text(), position));
        }
        default:
            return Next::readOn;
    }
}

// A record must lie at least 100 m before the end of the route.
bool LinePhase::positionTest(std::int64_t p) {
    if (static_cast<double>(p + 100) / 50.0 > m_.lastCell) {
        ctx_.fail(ErrorCode::positionOutsideRoute, static_cast<std::int32_t>(p));
        return false;
    }
    return true;
}

// Each gradient holds from the cell of its own record up to the cell before the next one.
LinePhase::Next LinePhase::gradient(std::int32_t p, std::int32_t g) {
    if (!positionTest(p)) return Next::finish;
    const std::int64_t e = positionCell(RecordKind::gradient, p);
    if (e > 0) {
        do {
            if (fillCell_ > m_.lastCell) return outside(p);
            m_.routeTable[static_cast<std::size_t>(fillCell_)].gradient =
                low8(std::int64_t{currentGradient_} + 100);
            ++fillCell_;
        } while (fillCell_ < e);
    }
    currentGradient_ = g;
    return Next::readOn;
}

// Draws the plan points from the plan's next point up to `last`, each from the two before it,
// the step turned by `turnRate`. Inside a curve the plan may not pass its last point, nor draw
// point 1,000,000 (code 103 after the points before the limit).
LinePhase::Next LinePhase::planRun(std::int64_t last, double turnRate, bool limited) {
    if (m_.trackPlan.nextPoint() > last) return Next::readOn;
    std::int64_t end = last;
    bool pastLimit = false;
    if (limited && end > m_.planLength) {
        end = m_.planLength;
        pastLimit = true;
    }
    if (limited && end >= kPlanIndexLimit) {
        end = kPlanIndexLimit;
        pastLimit = true;
    }
    m_.trackPlan.drawStretch(end, turnRate);
    return pastLimit ? stopWith(ErrorCode::curveWithoutClassOrPastPlan) : Next::readOn;
}

LinePhase::Next LinePhase::curve(const std::string& field, std::int32_t s, std::int32_t n) {
    if (!positionTest(s)) return Next::finish;
    double turnRate = 0.0;
    for (std::size_t k = 0; k < std::size(kCurveClassTurns); ++k) {
        if (field.find(static_cast<char>('1' + k)) != std::string::npos) {
            turnRate = kCurveClassTurns[k];
            break;
        }
    }
    if (turnRate == 0.0) return stopWith(ErrorCode::curveWithoutClassOrPastPlan);
    if (containsIgnoringCase(field, kLeftCurveMark)) turnRate = -turnRate;

    // Straight on up to the curve's start, then turning to its end.
    if (const Next next = planRun(s, 0.0, true); next != Next::readOn) return next;
    return planRun(std::int64_t{s} + n, turnRate, true);
}

LinePhase::Next LinePhase::mountain(std::int32_t inizio, std::int32_t fine, std::int32_t tipo) {
    if (!positionTest(inizio)) return Next::finish;
    if (m_.mountainCount >= kMaxMountains)
        return stopWith(ErrorCode::tooManyMountainStretches, inizio);
    if (memo_montagna(m_, inizio, fine, tipo) == Placement::outside) return outside(inizio);
    return Next::readOn;
}

LinePhase::Next LinePhase::speedIndicator(const std::array<std::int32_t, 9>& v) {
    const std::int32_t posizione = v[0];
    if (!positionTest(posizione)) return Next::finish;
    const Placement placed =
        memo_indicatori_v_max(m_, posizione, v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
    if (placed == Placement::outside) return outside(posizione);
    if (m_.error.errorCode != ErrorCode::none) return stopWith(m_.error.errorCode, posizione);
    return Next::readOn;
}

LinePhase::Next LinePhase::locationBoard(std::int32_t p, const std::string& text) {
    if (!positionTest(p)) return Next::finish;
    if (ctx_.nextBoardEntry < 0) return stopWith(ErrorCode::tooManyLocationBoards, p);
    const Placement placed = placeLocationBoard(m_, p, text, ctx_.nextBoardEntry);
    if (placed == Placement::outside) return outside(p);
    if (m_.error.errorCode != ErrorCode::none) return stopWith(m_.error.errorCode, p);
    return Next::readOn;
}

void LinePhase::endOfPhase() {
    ctx_.lineConsumed = true;
    // The last gradient holds to the end; the last three cells keep what they had.
    do {
        if (fillCell_ <= m_.lastCell) {
            m_.routeTable[static_cast<std::size_t>(fillCell_)].gradient =
                low8(std::int64_t{currentGradient_} + 100);
        }
        ++fillCell_;
    } while (fillCell_ < std::int64_t{m_.lastCell} - 2);
    // The track runs straight on to two points before the plan's end.
    if (m_.makeTrackPlan != 0) {
        planRun(std::int64_t{m_.planLength} - 2, 0.0, false);
    }
}

struct Progressive {
    std::int32_t long1, long2, long3;
    int entry;  // where it stood before ordering
};

}  // namespace

PhaseEnd readLineDescription(ReadingContext& ctx) {
    ScenarioModel& model = ctx.model;
    model.lineTable[kLineGeneral].text = model.lineName;
    model.lineTable[kRepetitionEntry].text = model.trainName;

    const SourceFile file = ctx.sources.line();
    ctx.reading = Description::line;
    ctx.recordPlace = {};
    if (file.state == SourceFile::State::missing) {
        ctx.fail(ErrorCode::lineDescriptionMissing);
        return PhaseEnd::stop;
    }
    if (file.state == SourceFile::State::unreadable) {
        throw ReadFailure("the line description cannot be read", SourcePlace{});
    }
    FieldReader in(file.bytes);
    return LinePhase(ctx, in).run();
}

void progressive_ordina(ScenarioModel& model) {
    LineTable& t = model.lineTable;
    std::array<Progressive, 3> p{};
    for (int i = 0; i < 3; ++i) {
        const LineRecord& r = t[kProgressiveTre + i];
        p[i] = {r.long1, r.long2, r.long3, kProgressiveTre + i};
    }
    const Progressive zero{0, 0, 0, 0};
    std::array<Progressive, 3> ordered = p;  // entries 81, 82, 83 after ordering

    const std::int32_t sum = checkedSum(std::int64_t{p[0].long1} + p[1].long1 + p[2].long1);
    if (sum != 0) {
        const std::int32_t greatest = std::max({p[0].long1, p[1].long1, p[2].long1});
        const auto shared = std::count_if(
            p.begin(), p.end(), [&](const Progressive& q) { return q.long1 == greatest; });
        if (shared > 1) {
            ordered = {zero, zero, zero};
        } else {
            const int top = static_cast<int>(
                std::find_if(p.begin(), p.end(),
                             [&](const Progressive& q) { return q.long1 == greatest; }) -
                p.begin());
            // The two others, the one from the higher entry first, so that it wins a tie.
            int a = top == 2 ? 1 : 2;
            int b = top == 0 ? 1 : 0;
            if (p[b].long1 > p[a].long1) std::swap(a, b);
            ordered = {p[top], p[a], p[b]};
        }
    } else {
        int last = -1;
        for (int i = 0; i < 3; ++i) {
            if (p[i].long2 > 0) last = i;
        }
        if (last < 0) {
            ordered = {zero, zero, zero};
        } else {
            std::swap(ordered[0], ordered[last]);
        }
    }

    for (int i = 0; i < 3; ++i) {
        LineRecord& r = t[kProgressiveTre + i];
        r.long1 = ordered[i].long1;
        r.long2 = ordered[i].long2;
        r.long3 = ordered[i].long3;
        if (r.long3 == 1) r.long2 = checkedSum(std::int64_t{r.long2} + 100);
    }
}

}  // namespace scenario
