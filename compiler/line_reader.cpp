// The line phase: the line description's general section, the kilometre progressives, and the
// record section with gradients, curves, mountain stretches and boards.
#include "compiler/line_reader.h"

#include <algorithm>
#include <array>
#include <optional>

#include "compiler/cell_values.h"
#include "compiler/placement_watcher.h"
#include "compiler/placements.h"
#include "compiler/reading_context.h"
#include "compiler/rounding.h"

namespace scenario {
namespace {

constexpr std::int32_t kLongestLine = 1000000;
constexpr std::int64_t kPlanIndexLimit = 1000000;
constexpr int kGeneralComments = 10;
constexpr int kRecordComments = 2;
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
    Next lineLength();
    Next signalRepetition(const std::string& field);
    Next recordSection();
    Next lineRecord(const std::string& field);
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

    ReadingContext& ctx_;
    ScenarioModel& m_;
    FieldReader& in_;
    std::int64_t fillCell_ = 0;
    std::int32_t currentGradient_ = 0;
};

std::string LinePhase::readKeyword() {
    std::string field = in_.readText();
    ctx_.recordPlace = in_.fieldPlace();
    noteRecord(m_, Description::line, ctx_.recordPlace);
    return field;
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
        if (containsIgnoringCase(field, "[generale]")) return true;
    }
}

LinePhase::Next LinePhase::generalSection() {
    for (;;) {
        if (in_.atEnd()) return Next::readOn;
        std::string field = readKeyword();
        if (in_.atEnd()) return Next::readOn;
        for (int n = 0; n < kGeneralComments && contains(field, "-"); ++n) field = readKeyword();
        if (generalRecord(field) == Next::stop) return Next::stop;
        const std::size_t first = field.find_first_not_of(" \t");
        if (contains(field, "[") && contains(field, "]") &&
            (first == std::string::npos || field[first] != '-')) {
            return Next::readOn;
        }
    }
}

LinePhase::Next LinePhase::generalRecord(const std::string& field) {
    LineTable& t = m_.lineTable;
    if (containsIgnoringCase(field, "percorso") && containsIgnoringCase(field, "lunghezza")) {
        if (lineLength() == Next::stop) return Next::stop;
    }
    const std::array<std::pair<const char*, int>, 3> progressives{
        {{"tre", kProgressiveTre}, {"due", kProgressiveDue}, {"uno", kProgressiveUno}}};
    for (const auto& [word, entry] : progressives) {
        if (contains(field, word) && contains(field, "progressiva")) {
            t[entry].long1 = in_.readInt32();
            t[entry].long2 = in_.readInt32();
            t[entry].long3 = in_.readInt32();
        }
    }
    // The background values go to entry 85 in the order uno, tre, due.
    if (contains(field, "sfondo") && contains(field, "uno"))
        t[kLineGeneral].long1 = in_.readInt32();
    if (contains(field, "sfondo") && contains(field, "due"))
        t[kLineGeneral].long3 = in_.readInt32();
    if (contains(field, "sfondo") && contains(field, "tre"))
        t[kLineGeneral].long2 = in_.readInt32();
    if (contains(field, "segnali") && contains(field, "ripetizione")) {
        if (signalRepetition(field) == Next::stop) return Next::stop;
    }
    return Next::readOn;
}

LinePhase::Next LinePhase::lineLength() {
    const std::int32_t length = in_.readInt32();
    m_.lineTable[kTrainGeneral].long2 = length;
    if (length > kLongestLine) return stopWith(ErrorCode::lineTooLong);
    if (length < 0) return stopWith(ErrorCode::noLineLength);
    m_.planLength = length + 7000;
    m_.lastCell = static_cast<std::int32_t>(roundHalfEven(m_.planLength / 50.0));
    m_.routeTable.assign(static_cast<std::size_t>(m_.lastCell) + 1, RouteCell{});
    if (m_.makeTrackPlan != 0) m_.trackPlan.startDrawing(std::int64_t{m_.planLength} + 1);
    return Next::readOn;
}

LinePhase::Next LinePhase::signalRepetition(const std::string& field) {
    LineRecord& entry = m_.lineTable[kRepetitionEntry];
    entry.long1 = in_.readInt32();
    entry.long2 = in_.readInt32();
    if (entry.long1 % 50 != 0) return stopWith(ErrorCode::firstRepetitionNotMultipleOf50);
    if (entry.long2 % 50 != 0) return stopWith(ErrorCode::secondRepetitionNotMultipleOf50);
    if (contains(field, "4")) {
        entry.long3 = 4;
    } else if (contains(field, "9")) {
        entry.long3 = 9;
    } else {
        return stopWith(ErrorCode::repetitionKeywordWithout4Or9);
    }
    if (entry.long2 == 0) entry.long3 = 0;
    return Next::readOn;
}

LinePhase::Next LinePhase::recordSection() {
    for (;;) {
        if (in_.atEnd()) return Next::finish;
        std::string field = readKeyword();
        if (in_.atEnd()) return Next::finish;
        for (int n = 0; n < kRecordComments && contains(field, "-"); ++n) {
            field = readKeyword();
            if (in_.atEnd()) return Next::finish;
        }
        const Next next = lineRecord(field);
        if (next != Next::readOn) return next;
    }
}

LinePhase::Next LinePhase::lineRecord(const std::string& field) {
    if (containsIgnoringCase(field, "pendenza")) {
        const std::int32_t p = in_.readInt32();
        const std::int32_t g = in_.readInt32();
        if (const Next next = gradient(p, g); next != Next::readOn) return next;
    }
    if (containsIgnoringCase(field, "curva") && m_.makeTrackPlan != 0) {
        const std::int32_t s = in_.readInt32();
        const std::int32_t n = in_.readInt32();
        if (const Next next = curve(field, s, n); next != Next::readOn) return next;
    }
    if (containsIgnoringCase(field, "montagna")) {
        const std::int32_t inizio = in_.readInt32();
        const std::int32_t fine = in_.readInt32();
        const std::int32_t tipo = in_.readInt32();
        if (const Next next = mountain(inizio, fine, tipo); next != Next::readOn) return next;
    }
    if (containsIgnoringCase(field, "indicatori_v")) {
        std::array<std::int32_t, 9> v{};
        for (std::int32_t& value : v) value = in_.readInt32();
        if (const Next next = speedIndicator(v); next != Next::readOn) return next;
    }
    if (containsIgnoringCase(field, "cartello") && containsIgnoringCase(field, "indicat")) {
        const std::int32_t p = in_.readInt32();
        const std::string text = storedText(in_.readText(), in_.fieldPlace());
        if (const Next next = locationBoard(p, text); next != Next::readOn) return next;
    }
    return Next::readOn;
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
    const std::int64_t e = roundHalfEven(p / 50.0);
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
    static constexpr std::array<std::pair<char, double>, 6> kTurnRates{
        {{'1', 0.0001}, {'2', 0.0002}, {'3', 0.0004}, {'4', 0.001}, {'5', 0.002}, {'6', 0.003}}};
    double turnRate = 0.0;
    for (const auto& [digit, rate] : kTurnRates) {
        if (field.find(digit) != std::string::npos) {
            turnRate = rate;
            break;
        }
    }
    if (turnRate == 0.0) return stopWith(ErrorCode::curveWithoutClassOrPastPlan);
    if (containsIgnoringCase(field, "s")) turnRate = -turnRate;

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
