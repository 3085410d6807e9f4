// Stations compared by name and position: a station that kept both, then its name, then its
// position (renamed), and what is left removed or added; a matched station's fields one change
// each.
#include <cstdlib>

#include "tools/diff/diff_objects.h"
#include "tools/diff/matching.h"

namespace tool::diff {
namespace {

using scenario::LineRecord;

std::string km(std::int64_t metres) {
    return kilometreText(metres);
}

// The station's length as its record wrote it, from the area its kind gives it.
std::int64_t stationLength(const LineRecord& r) {
    const std::int64_t p = r.long3;
    switch (r.kind) {
        case 5:
        case 6:
        case 7:
        case 8:
            return p - r.long1;
        default:
            return std::int64_t{r.long2} - r.long1 - (r.byte3 != 0 ? 50 : 0);
    }
}

void compareStationFields(const Station& x, const Station& y, std::vector<Change>& out,
                          Folding& fold) {
    const LineRecord& ra = *x.record;
    const LineRecord& rb = *y.record;
    std::vector<Change> said;
    const std::string name = "station " + x.name;
    const auto field = [&](const char* f, const std::string& what, const std::string& words,
                           const std::string& from, const std::string& to) {
        Change c = change("station", what, ra.long3, name + words);
        c.field = f;
        c.from = from;
        c.to = to;
        said.push_back(std::move(c));
    };
    if (x.name != y.name) field("name", "changed", " renamed " + y.name, x.name, y.name);
    if (ra.long3 != rb.long3) {
        field("position", "moved", " at " + km(ra.long3) + " moved to " + km(rb.long3),
              km(ra.long3), km(rb.long3));
    }
    const auto number = [&](const char* f, const std::string& words, std::int64_t va,
                            std::int64_t vb, const char* unit) {
        if (va == vb) return;
        field(f, "changed",
              ": " + words + " " + std::to_string(va) + " to " + std::to_string(vb) + unit,
              std::to_string(va), std::to_string(vb));
    };
    number("station_kind", "station kind", ra.kind, rb.kind, "");
    number("length", "length", stationLength(ra), stationLength(rb), " m");
    number("code_4", "code_4", ra.flag, rb.flag, "");
    number("code_5", "code_5", ra.byte4, rb.byte4, "");
    number("code_6", "code_6", ra.byte3, rb.byte3, "");
    number("code_7", "code_7", ra.int1, rb.int1, "");
    number("code_8", "code_8", ra.int2, rb.int2, "");
    number("code_9", "code_9", ra.byte1, rb.byte1, "");
    number("code_10", "code_10", ra.int3, rb.int3, "");
    number("code_11", "code_11", ra.int4, rb.int4, "");
    number("code_12", "code_12", ra.int5, rb.int5, "");
    number("code_13", "code_13", ra.byte2, rb.byte2, "");
    if (ra.long4 != rb.long4) {
        // The one scheduled time is the departure, and a terminus's arrival.
        const bool terminus = rb.kind == 5 || rb.kind == 6;
        const std::int64_t later = std::int64_t{rb.long4} - ra.long4;
        field("scheduled_time", "changed",
              std::string(": ") + (terminus ? "arrival " : "departure ") +
                  std::to_string(std::llabs(later)) + " s " + (later > 0 ? "later" : "earlier"),
              clockText(ra.long4), clockText(rb.long4));
    }
    if (said.empty()) return;
    fold.station(x);
    fold.station(y);
    for (Change& c : said) {
        c.sourceA = x.source;
        c.sourceB = y.source;
        out.push_back(std::move(c));
    }
}

void tellUnmatched(const SideView& a, const SideView& b, const Matched& matched,
                   std::vector<Change>& out, Folding& fold) {
    for (std::size_t i = 0; i < a.stations.size(); ++i) {
        if (matched.a[i]) continue;
        const Station& x = a.stations[i];
        fold.station(x);
        Change c = change("station", "removed", x.record->long3,
                          "station " + x.name + " at " + km(x.record->long3) + " removed");
        c.from = x.name;
        c.sourceA = x.source;
        out.push_back(std::move(c));
    }
    for (std::size_t j = 0; j < b.stations.size(); ++j) {
        if (matched.b[j]) continue;
        const Station& y = b.stations[j];
        fold.station(y);
        Change c = change("station", "added", y.record->long3,
                          "station " + y.name + " added at " + km(y.record->long3));
        c.to = y.name;
        c.sourceB = y.source;
        out.push_back(std::move(c));
    }
}

}  // namespace

void compareStations(const SideView& a, const SideView& b, std::vector<Change>& out,
                     Folding& fold) {
    Matched matched(a.stations.size(), b.stations.size());
    // By name, the one at the same position first; then a renamed one at the same position:
    // each the first of B's order.
    const auto pass = [&](auto keyOf) {
        const IndexOfB index(b.stations, keyOf, [](const Station&) { return std::int64_t{0}; });
        for (std::size_t i = 0; i < a.stations.size(); ++i) {
            if (matched.a[i]) continue;
            const auto j = index.first(keyOf(a.stations[i]), 0, kAnyDistance, matched.b);
            if (!j) continue;
            matched.pair(i, *j);
            compareStationFields(a.stations[i], b.stations[*j], out, fold);
        }
    };
    const auto position = [](const Station& s) { return std::to_string(s.record->long3); };
    pass([&](const Station& s) { return s.name + '\n' + position(s); });
    pass([](const Station& s) { return s.name; });
    pass(position);
    tellUnmatched(a, b, matched, out, fold);
}

}  // namespace tool::diff
