#include "tools/diff/scenario_diff.h"

#include <algorithm>
#include <cstdlib>

#include "tools/compiled_files/compiled_checks.h"
#include "tools/descriptions/written_records.h"
#include "tools/diff/diff_objects.h"
#include "tools/diff/track_diff.h"

namespace tool {
namespace diff {

using namespace scenario::CellKind;

void Folding::object(int cell) {
    objectCells.insert(cell);
    changedCells.insert(cell);
}

void Folding::point(const PointObject& p) {
    object(p.cell);
    // A signal's approach codes stand 2, 4, 6 and 8 cells before it.
    for (int k = 1; p.kind == kSignal && k <= 4; ++k) approachCells.insert(p.cell - 2 * k);
}

void Folding::station(const Station& s) {
    if (!s.stop) return;
    object(*s.stop);
    // A station's stand in the four cells before its stop.
    for (int k = 1; k <= 4; ++k) approachCells.insert(*s.stop - k);
}

void Folding::slowdown(const Slowdown& s) {
    for (int c : s.parts) object(c);
    markReach.emplace_back(s.reachFirst, s.reachLast);
}

bool Folding::inMarkReach(int cell) const {
    return std::any_of(markReach.begin(), markReach.end(),
                       [cell](const auto& r) { return cell >= r.first && cell <= r.second; });
}

Change change(std::string kind, std::string what, std::int64_t position, std::string text) {
    Change c;
    c.kind = std::move(kind);
    c.what = std::move(what);
    c.position = position;
    c.text = std::move(text);
    return c;
}

}  // namespace diff

namespace {

using namespace scenario::CellKind;
using diff::change;
using diff::Folding;
using diff::SideView;
using scenario::RouteCell;

std::string km(std::int64_t metres) {
    return kilometreText(metres);
}

// The name of the station or the text of the board a cell names, on its side.
std::optional<std::string> namedEntry(const RouteCell& c, const scenario::LineTable* train) {
    if (!train || c.value1 < 0 || c.value1 >= scenario::kLineTableEntries) return std::nullopt;
    return (*train)[std::size_t(c.value1)].text;
}

bool sameObject(const RouteCell& x, const RouteCell& y) {
    return x.kind == y.kind && x.value1 == y.value1 && x.value2 == y.value2 &&
           x.value3 == y.value3 && x.value4 == y.value4 && x.timing == y.timing;
}

bool freeOrMark(const RouteCell& c, bool compilerMark) {
    return c.kind == kNothing || c.kind == kMountainMarker || compilerMark;
}

// Cell differences no told change explains.
void leftoverCells(const SideView& a, const SideView& b, const Folding& fold,
                   std::vector<Change>& out) {
    const scenario::RouteTable& ra = *a.side->route;
    const scenario::RouteTable& rb = *b.side->route;
    const std::size_t n = std::min(ra.size(), rb.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int cell = int(i);
        RouteCell x = ra[i];
        RouteCell y = rb[i];
        if (i == 1 && a.side->train && b.side->train) {  // the stamps, told with the general data
            x.value1 = y.value1 = x.value2 = y.value2 = 0;
        }
        const std::string where = "cell " + std::to_string(i) + " (" + km(cellStart(cell)) + ")";
        if (!sameObject(x, y)) {
            const bool markA = a.compilerMarks.count(cell) > 0;
            const bool markB = b.compilerMarks.count(cell) > 0;
            bool explained = fold.objectCells.count(cell) > 0;
            // Station numbers and board entries shift when one is added before them.
            if (x.kind == y.kind && (x.kind == kStationStop || x.kind == kLocationBoard) &&
                sameObject(RouteCell{x.kind, 0, x.value2, x.value3, x.value4, x.timing},
                           RouteCell{y.kind, 0, y.value2, y.value3, y.value4, y.timing})) {
                const auto na = namedEntry(x, a.side->train);
                explained = explained || (na && na == namedEntry(y, b.side->train));
            }
            if ((markA || markB) && freeOrMark(x, markA) && freeOrMark(y, markB) &&
                fold.inMarkReach(cell)) {
                explained = true;
            }
            if (freeOrMark(x, false) && freeOrMark(y, false) && fold.mountainCells.count(cell)) {
                explained = true;
            }
            if (!explained) {
                const std::string ka(
                    cellKindName(x.kind).value_or("kind " + std::to_string(x.kind)));
                const std::string kb(
                    cellKindName(y.kind).value_or("kind " + std::to_string(y.kind)));
                Change c =
                    change("cell", "changed", cellStart(cell),
                           where + ": " + (ka == kb ? ka + " values changed" : ka + " to " + kb));
                c.field = "kind";
                c.from = ka;
                c.to = kb;
                out.push_back(std::move(c));
            }
        }
        if (x.approach != y.approach && !fold.approachCells.count(cell)) {
            Change c = change("cell", "changed", cellStart(cell),
                              where + ": approach code " + std::to_string(x.approach) + " to " +
                                  std::to_string(y.approach));
            c.field = "approach";
            c.from = std::to_string(x.approach);
            c.to = std::to_string(y.approach);
            out.push_back(std::move(c));
        }
    }
}

// The record behind a change of the track or of the general data, on one side.
std::optional<std::string> recordOf(const Change& c, const TracedSources* sources, bool inB) {
    using scenario::RecordKind;
    if (!sources) return std::nullopt;
    const std::int64_t at = inB && c.positionInB ? *c.positionInB : c.position.value_or(0);
    if (c.kind == "gradient") return recordInForce(*sources, RecordKind::gradient, at / 50);
    if (c.kind == "speed limit") return recordInForce(*sources, RecordKind::speed, at / 50);
    if (c.kind == "adhesion") return recordInForce(*sources, RecordKind::adhesion, at / 50);
    if (c.kind == "mountain stretch") return recordCovering(*sources, RecordKind::mountain, at);
    if (c.kind == "curve") return recordCovering(*sources, RecordKind::curve, at);
    if (c.kind != "train" && c.kind != "line") return std::nullopt;
    static const std::pair<const char*, RecordKind> kRecords[] = {
        {"braked_mass_percent", RecordKind::brakedMass},
        {"cars", RecordKind::cars},
        {"clock", RecordKind::clock},
        {"sand", RecordKind::sand},
        {"line_length", RecordKind::lineLength},
        {"repetition_first", RecordKind::signalRepetition},
        {"repetition_second", RecordKind::signalRepetition},
        {"repetition_code", RecordKind::signalRepetition},
        {"background_uno", RecordKind::backgroundUno},
        {"background_due", RecordKind::backgroundDue},
        {"background_tre", RecordKind::backgroundTre},
    };
    for (const auto& [field, kind] : kRecords) {
        if (c.field == field) return lastRecord(*sources, kind);
    }
    return std::nullopt;
}

void sortByPosition(std::vector<Change>& changes, std::size_t from) {
    std::stable_sort(changes.begin() + std::ptrdiff_t(from), changes.end(),
                     [](const Change& x, const Change& y) {
                         return x.position.value_or(-1) < y.position.value_or(-1);
                     });
}

}  // namespace

std::vector<Change> scenarioChanges(const ScenarioSide& a, const ScenarioSide& b) {
    std::vector<Change> out;
    if (a.train && b.train) compareGeneralData(*a.train, *b.train, a.route, b.route, out);
    if (a.route && b.route) {
        const SideView va = diff::viewOf(a);
        const SideView vb = diff::viewOf(b);
        Folding fold;
        std::size_t from = out.size();
        diff::compareStations(va, vb, out, fold);
        sortByPosition(out, from);
        from = out.size();
        diff::compareSlowdowns(va, vb, out, fold);
        sortByPosition(out, from);
        from = out.size();
        diff::comparePoints(va, vb, out, fold);
        sortByPosition(out, from);
        compareTrackData(*a.route, *b.route, out, fold.mountainCells);
        // The compiler's marks follow wherever a changed object stands in a slowdown's reach.
        for (const SideView* v : {&va, &vb}) {
            for (const diff::Slowdown& s : v->slowdowns) {
                const auto first = fold.changedCells.lower_bound(s.reachFirst);
                if (first != fold.changedCells.end() && *first <= s.reachLast) {
                    fold.markReach.emplace_back(s.reachFirst, s.reachLast);
                }
            }
        }
        if (a.plan && b.plan) compareCurves(*a.plan, *b.plan, out);
        if (a.route->size() != b.route->size() && !(a.train && b.train)) {
            Change c = change("route", "changed", 0,
                              "route: " + std::to_string(a.route->size()) + " to " +
                                  std::to_string(b.route->size()) + " cells");
            out.push_back(std::move(c));
        }
        from = out.size();
        leftoverCells(va, vb, fold, out);
        for (Change& c : out) {
            if (!c.sourceA) c.sourceA = recordOf(c, va.sources, false);
            if (!c.sourceB) c.sourceB = recordOf(c, vb.sources, true);
        }
    } else if (a.route || b.route) {
        out.push_back(change("route", a.route ? "removed" : "added", 0,
                             a.route ? "route removed" : "route added"));
    }
    return out;
}

}  // namespace tool
