#include "tools/diff/track_diff.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "common/windows1252.h"
#include "compiler/description_grammar.h"
#include "compiler/record_views.h"
#include "tools/compiled_files/inspection.h"
#include "tools/diff/matching.h"

namespace tool {
namespace {

using scenario::RouteCell;

struct TrackField {
    const char* kind;
    const char* field;  // the every-cell view's name
    int (*get)(const RouteCell&);
    const char* unit;
};

const TrackField kTrackFields[] = {
    {"gradient", "gradient", [](const RouteCell& c) { return c.gradient - 100; }, " per mille"},
    {"speed limit", "speed_limit", [](const RouteCell& c) { return c.speedLimit * 5; }, " km/h"},
    {"adhesion", "adhesion", [](const RouteCell& c) { return int{c.adhesion}; }, ""},
    {"mountain stretch", "mountain_type", [](const RouteCell& c) { return int{c.zone}; }, ""},
};

std::string stretchText(const TrackField& f, std::int64_t from, std::int64_t to, int va, int vb) {
    const std::string span = "from " + kilometreText(from) + " to " + kilometreText(to);
    if (std::string(f.kind) == "mountain stretch") {
        if (va == 0) return "mountain stretch type " + std::to_string(vb) + " added " + span;
        if (vb == 0) return "mountain stretch type " + std::to_string(va) + " " + span + " removed";
        return "mountain stretch " + span + ": type " + std::to_string(va) + " to " +
               std::to_string(vb);
    }
    return std::string(f.kind) + " " + span + ": " + std::to_string(va) + " to " +
           std::to_string(vb) + f.unit;
}

// The turn of the plan at point m: the rate by which the step from m - 1 to m turned from the
// step before it (the line reader turns each step by x += rate × dy, y -= rate × dx).
std::optional<double> turnAt(const scenario::TrackPlan& plan, std::int64_t m) {
    if (!pointDrawn(plan, m) || !pointDrawn(plan, m - 1) || !pointDrawn(plan, m - 2)) {
        return std::nullopt;
    }
    const double dx = plan.real(m - 1, 0) - plan.real(m - 2, 0);
    const double dy = plan.real(m - 1, 1) - plan.real(m - 2, 1);
    const double ex = plan.real(m, 0) - plan.real(m - 1, 0);
    const double ey = plan.real(m, 1) - plan.real(m - 1, 1);
    const double norm = dx * dx + dy * dy;
    if (norm == 0) return std::nullopt;
    return ((ex - dx) * dy - (ey - dy) * dx) / norm;
}

// How the plan turns at a point, told apart cheaply, for a line's million points: straight, a
// curve class to one side, or another rate, which alone is put in words as it is read.
struct TurnReading {
    int classSide = 0;  // 0: straight; k + 1 to the right, -(k + 1) to the left; or kOtherTurn
    std::string other;  // the words of another rate
    bool operator==(const TurnReading&) const = default;
};
constexpr int kOtherTurn = 1000;

TurnReading readTurn(std::optional<double> turn) {
    const double rate = turn.value_or(0);
    if (std::fabs(rate) < 1e-7) return {};
    // The curve classes of the line description: "curvas3" turns left by 0.0004 a metre.
    for (std::size_t k = 0; k < std::size(scenario::kCurveClassTurns); ++k) {
        if (std::fabs(std::fabs(rate) - scenario::kCurveClassTurns[k]) < 1e-7) {
            const int side = static_cast<int>(k) + 1;
            return {rate < 0 ? -side : side, {}};
        }
    }
    char words[48];
    std::snprintf(words, sizeof words, "turn %.6g per metre", rate);
    return {kOtherTurn, words};
}

std::string turnWords(const TurnReading& t) {
    if (t.classSide == kOtherTurn) return t.other;
    if (t.classSide == 0) return "straight";
    return "class " + std::to_string(std::abs(t.classSide)) +
           (t.classSide < 0 ? " left" : " right");
}

// A stretch where the plan turns by one rate: what one curve record, or several of the same
// class and side end to end, draws.
struct Curve {
    std::int64_t from = 0;  // metres
    std::int64_t to = 0;
    std::string turn;
};

std::string curveSpan(const Curve& c) {
    return "from " + kilometreText(c.from) + " to " + kilometreText(c.to);
}

// The curves of a plan over its points before `n`; the points m to end - 1 turning alike
// make a curve from metre m - 1 to end - 1.
std::vector<Curve> curvesOf(const scenario::TrackPlan& plan, std::int64_t n) {
    std::vector<Curve> curves;
    TurnReading previous;
    for (std::int64_t m = 2; m < n; ++m) {
        TurnReading reading = readTurn(turnAt(plan, m));
        if (reading.classSide != 0) {
            if (reading == previous) {
                curves.back().to = m;
            } else {
                curves.push_back({m - 1, m, turnWords(reading)});
            }
        }
        previous = std::move(reading);
    }
    return curves;
}

template <class Field>
std::string valueText(const Field& v) {
    if constexpr (std::is_same_v<Field, std::string>) {
        return common::utf8FromWindows1252(v);
    } else {
        return std::to_string(static_cast<std::int64_t>(v));
    }
}

struct GeneralWords {
    std::string_view field;
    const char* owner;
    const char* words;
    const char* unit;
};

constexpr GeneralWords kGeneralWords[] = {
    {"braked_mass_percent", "train", "braked mass", " %"},
    {"line_length", "line", "length", " m"},
    {"cars", "train", "cars", ""},
    {"background_uno", "line", "background uno", ""},
    {"background_tre", "line", "background tre", ""},
    {"background_due", "line", "background due", ""},
    {"line_name", "line", "name", ""},
    {"format_stamp", "train file", "format stamp", ""},
    {"weighted_code", "train file", "weighted scenario code", ""},
    {"repetition_first", "line", "signal repetition first", " m"},
    {"repetition_second", "line", "signal repetition second", " m"},
    {"repetition_code", "line", "signal repetition code", ""},
    {"train_name", "train", "name", ""},
    {"sand", "train", "sand", ""},
};

struct NamedText {
    std::string name;
    std::string value;
};

std::vector<NamedText> namedFields(scenario::EntryView view, const scenario::LineRecord& r) {
    std::vector<NamedText> fields;
    scenario::forEachNamedField(view, r, [&](std::string_view name, const auto& v) {
        fields.push_back({std::string(name), valueText(v)});
    });
    return fields;
}

Change generalChange(const std::string& owner, const std::string& words, const std::string& field,
                     const std::string& from, const std::string& to, const std::string& unit) {
    Change c;
    c.kind = owner;
    c.what = "changed";
    c.field = field;
    c.from = from;
    c.to = to;
    c.text = owner + ": " + words + " " + from + " to " + to + unit;
    return c;
}

}  // namespace

void compareTrackData(const scenario::RouteTable& a, const scenario::RouteTable& b,
                      std::vector<Change>& out, std::set<int>& mountainCells) {
    // The readers fill the track data up to the third cell before the last: of routes of
    // different lengths, the cells beyond that in the shorter one follow from the length.
    std::size_t n = std::min(a.size(), b.size());
    if (a.size() != b.size()) n = n > 3 ? n - 3 : 0;
    for (const TrackField& f : kTrackFields) {
        std::size_t i = 0;
        while (i < n) {
            const int va = f.get(a[i]);
            const int vb = f.get(b[i]);
            if (va == vb) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < n && f.get(a[j]) == va && f.get(b[j]) == vb) ++j;
            Change c;
            c.kind = f.kind;
            c.what = va == 0 && f.get == kTrackFields[3].get   ? "added"
                     : vb == 0 && f.get == kTrackFields[3].get ? "removed"
                                                               : "changed";
            c.field = f.field;
            c.from = std::to_string(va);
            c.to = std::to_string(vb);
            c.position = cellStart(static_cast<std::int64_t>(i));
            c.text = stretchText(f, cellStart(static_cast<std::int64_t>(i)),
                                 cellStart(static_cast<std::int64_t>(j)), va, vb);
            out.push_back(std::move(c));
            if (f.get == kTrackFields[3].get) {
                // The markers of the stretches this change touches, on either side.
                for (const scenario::RouteTable* t : {&a, &b}) {
                    std::size_t lo = i;
                    std::size_t hi = j;
                    while (lo > 0 && (*t)[lo - 1].zone != 0) --lo;
                    while (hi < t->size() && (*t)[hi].zone != 0) ++hi;
                    for (std::size_t k = lo; k < hi; ++k) mountainCells.insert(int(k));
                }
            }
            i = j;
        }
    }
}

namespace {

// A curve's change, told at its place in A.
Change curveChange(const Curve& x, const char* what, const char* field,
                   std::optional<std::string> from, std::optional<std::string> to, std::string text,
                   std::optional<std::int64_t> inB = std::nullopt) {
    Change c;
    c.kind = "curve";
    c.what = what;
    c.field = field;
    c.from = std::move(from);
    c.to = std::move(to);
    c.position = x.from;
    c.positionInB = inB;
    c.text = std::move(text);
    return c;
}

// The curve that kept its start or its end: the other one moved.
Change curveResized(const Curve& x, const Curve& y) {
    const bool sameStart = x.from == y.from;
    return curveChange(x, "changed", sameStart ? "length" : "start",
                       kilometreText(sameStart ? x.to : x.from),
                       kilometreText(sameStart ? y.to : y.from),
                       "curve " + x.turn + " " + curveSpan(x) +
                           (sameStart ? " now ends at " + kilometreText(y.to)
                                      : " now starts at " + kilometreText(y.from)),
                       y.from);
}

// Pairs the curves of A with those of B: the same curve, the same stretch turned another way,
// the same curve within 1000 m (moved), then one that keeps its start or its end; each the first
// of B's order that fits.
void pairCurves(const std::vector<Curve>& ca, const std::vector<Curve>& cb, diff::Matched& matched,
                std::vector<Change>& out) {
    const auto stretch = [](const Curve& c) {
        return std::to_string(c.from) + ' ' + std::to_string(c.to);
    };
    const auto whole = [&](const Curve& c) { return stretch(c) + ' ' + c.turn; };
    const auto shape = [](const Curve& c) { return c.turn + ' ' + std::to_string(c.to - c.from); };
    const auto start = [](const Curve& c) { return c.turn + ' ' + std::to_string(c.from); };
    const auto end = [](const Curve& c) { return c.turn + ' ' + std::to_string(c.to); };
    const auto at = [](const Curve& c) { return c.from; };
    const auto nowhere = [](const Curve&) { return std::int64_t{0}; };
    const auto pass = [&](auto&& find, auto&& tell) {
        for (std::size_t i = 0; i < ca.size(); ++i) {
            if (matched.a[i]) continue;
            const std::optional<std::size_t> j = find(ca[i]);
            if (!j) continue;
            matched.pair(i, *j);
            tell(ca[i], cb[*j]);
        }
    };
    const diff::IndexOfB byWhole(cb, whole, nowhere);
    pass([&](const Curve& x) { return byWhole.first(whole(x), 0, diff::kAnyDistance, matched.b); },
         [](const Curve&, const Curve&) {});
    const diff::IndexOfB byStretch(cb, stretch, nowhere);
    pass(
        [&](const Curve& x) {
            return byStretch.first(stretch(x), 0, diff::kAnyDistance, matched.b);
        },
        [&](const Curve& x, const Curve& y) {
            out.push_back(curveChange(x, "changed", "class", x.turn, y.turn,
                                      "curve " + curveSpan(x) + ": " + x.turn + " to " + y.turn));
        });
    const diff::IndexOfB byShape(cb, shape, at);
    pass([&](const Curve& x) { return byShape.first(shape(x), x.from, 1000, matched.b); },
         [&](const Curve& x, const Curve& y) {
             out.push_back(curveChange(x, "moved", "start", curveSpan(x), curveSpan(y),
                                       "curve " + x.turn + " " + curveSpan(x) + " moved to " +
                                           kilometreText(y.from) + " to " + kilometreText(y.to),
                                       y.from));
         });
    const diff::IndexOfB byStart(cb, start, nowhere);
    const diff::IndexOfB byEnd(cb, end, nowhere);
    pass(
        [&](const Curve& x) -> std::optional<std::size_t> {
            const auto s = byStart.first(start(x), 0, diff::kAnyDistance, matched.b);
            const auto e = byEnd.first(end(x), 0, diff::kAnyDistance, matched.b);
            if (s && e) return std::min(*s, *e);
            return s ? s : e;
        },
        [&](const Curve& x, const Curve& y) { out.push_back(curveResized(x, y)); });
}

// Points that differ without a different turn (stored another way): told where they start.
std::optional<Change> planDifference(const scenario::TrackPlan& a, const scenario::TrackPlan& b,
                                     std::int64_t points) {
    for (std::int64_t p = 0; p < points; ++p) {
        for (int coord = 0; coord < 2; ++coord) {
            const scenario::PlanValue va = a.at(p, coord);
            const scenario::PlanValue vb = b.at(p, coord);
            if (va.tag == vb.tag && va.value == vb.value) continue;
            Change c;
            c.kind = "track plan";
            c.what = "changed";
            c.position = p;
            c.text = "track plan differs from point " + std::to_string(p) + " (" +
                     kilometreText(p) + ")";
            return c;
        }
    }
    return std::nullopt;
}

}  // namespace

namespace {

// Two plans that store the same bytes at every point: their curves cannot differ, and a save
// that changed only the train leaves the plan so.
bool sameStoredPoints(const scenario::TrackPlan& a, const scenario::TrackPlan& b) {
    if (a.points() != b.points() || !a.pointsStored() || !b.pointsStored()) return false;
    const auto n = static_cast<std::size_t>(a.points());
    for (int coord = 0; coord < 2; ++coord) {
        if (std::memcmp(a.tags(coord), b.tags(coord), n) != 0 ||
            std::memcmp(a.values(coord), b.values(coord), n * sizeof(double)) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

void compareCurves(const scenario::TrackPlan& a, const scenario::TrackPlan& b,
                   std::vector<Change>& out) {
    if (sameStoredPoints(a, b)) return;
    const std::size_t before = out.size();
    const std::int64_t n = std::min(a.points(), b.points());
    const std::vector<Curve> ca = curvesOf(a, n);
    const std::vector<Curve> cb = curvesOf(b, n);
    diff::Matched matched(ca.size(), cb.size());
    pairCurves(ca, cb, matched, out);
    for (std::size_t i = 0; i < ca.size(); ++i) {
        if (matched.a[i]) continue;
        out.push_back(curveChange(ca[i], "removed", "", curveSpan(ca[i]), std::nullopt,
                                  "curve " + ca[i].turn + " " + curveSpan(ca[i]) + " removed"));
    }
    for (std::size_t j = 0; j < cb.size(); ++j) {
        if (matched.b[j]) continue;
        out.push_back(curveChange(cb[j], "added", "", std::nullopt, curveSpan(cb[j]),
                                  "curve " + cb[j].turn + " added " + curveSpan(cb[j])));
    }
    std::stable_sort(out.begin() + std::ptrdiff_t(before), out.end(),
                     [](const Change& x, const Change& y) { return *x.position < *y.position; });
    if (out.size() != before || a.points() != b.points()) return;
    if (auto c = planDifference(a, b, n)) out.push_back(std::move(*c));
}

void compareGeneralData(const scenario::LineTable& a, const scenario::LineTable& b,
                        const scenario::RouteTable* routeA, const scenario::RouteTable* routeB,
                        std::vector<Change>& out) {
    const ExpectedCodes codesA = expectedCodes(a);
    const ExpectedCodes codesB = expectedCodes(b);
    for (int entry = scenario::kProgressiveTre; entry <= scenario::kRepetitionEntry; ++entry) {
        const auto view = *scenario::generalEntryView(entry);
        const auto fa = namedFields(view, a[static_cast<std::size_t>(entry)]);
        const auto fb = namedFields(view, b[static_cast<std::size_t>(entry)]);
        bool clockChanged = false;
        for (std::size_t i = 0; i < fa.size(); ++i) {
            if (fa[i].value == fb[i].value) continue;
            const std::string& name = fa[i].name;
            if (name.starts_with("clock_")) {
                clockChanged = true;
                continue;
            }
            if (name == "weighted_code" && a[85].long4 == codesA.weighted &&
                b[85].long4 == codesB.weighted) {
                continue;  // follows from the names
            }
            if (view == scenario::EntryView::progressive) {
                out.push_back(generalChange(
                    "line", "progressive in entry " + std::to_string(entry) + ", " + name, name,
                    fa[i].value, fb[i].value, ""));
                continue;
            }
            const auto words = std::find_if(std::begin(kGeneralWords), std::end(kGeneralWords),
                                            [&](const GeneralWords& w) { return w.field == name; });
            if (words == std::end(kGeneralWords)) {
                out.push_back(
                    generalChange("train file", name, name, fa[i].value, fb[i].value, ""));
            } else {
                out.push_back(generalChange(words->owner, words->words, name, fa[i].value,
                                            fb[i].value, words->unit));
            }
        }
        if (clockChanged) {
            const auto clock = [](const scenario::LineRecord& r) {
                return clockText(std::int64_t{r.int3} * 3600 + std::int64_t{r.int4} * 60 + r.int5);
            };
            out.push_back(generalChange("train", "start clock", "clock",
                                        clock(a[static_cast<std::size_t>(entry)]),
                                        clock(b[static_cast<std::size_t>(entry)]), ""));
        }
    }
    if (routeA && routeB && routeA->size() > 1 && routeB->size() > 1) {
        const RouteCell& ca = (*routeA)[1];
        const RouteCell& cb = (*routeB)[1];
        if (ca.value1 != cb.value1) {
            out.push_back(generalChange("route", "format stamp", "format_stamp",
                                        std::to_string(ca.value1), std::to_string(cb.value1), ""));
        }
        if (ca.value2 != cb.value2 && !(ca.value2 == codesA.plain && cb.value2 == codesB.plain)) {
            out.push_back(generalChange("route", "plain scenario code", "plain_code",
                                        std::to_string(ca.value2), std::to_string(cb.value2), ""));
        }
    }
}

}  // namespace tool
