// Slowdowns compared: the same stretch, then one that keeps its start or its end (its values or
// its other end changed), then the same slowdown within 1000 m (moved), and what is left
// removed or added.
#include "tools/diff/diff_objects.h"
#include "tools/diff/matching.h"

namespace tool::diff {
namespace {

std::string slowdownName(const Slowdown& s) {
    return "slowdown " + std::to_string(s.speed) + " km/h";
}

std::string slowdownSpan(const Slowdown& s) {
    return "from " + kilometreText(s.from) + " to " + kilometreText(s.to);
}

std::string stretchKey(const Slowdown& s) {
    return std::to_string(s.start) + ' ' + std::to_string(s.end);
}

// All but where it stands.
std::string shapeKey(const Slowdown& s) {
    return std::to_string(s.to - s.from) + ' ' + std::to_string(s.speed) + ' ' +
           std::to_string(s.dv) + ' ' + std::to_string(s.ftt) + ' ' + (s.countdown ? '1' : '0');
}

// The fields of a slowdown that kept its place, one change each.
void tellFields(const Slowdown& x, const Slowdown& y, std::vector<Change>& out, Folding& fold) {
    const std::string name = slowdownName(x) + " " + slowdownSpan(x);
    std::vector<Change> said;
    const auto field = [&](const char* f, const std::string& words, const std::string& from,
                           const std::string& to) {
        Change c = change("slowdown", "changed", x.from, name + ": " + words);
        c.field = f;
        c.from = from;
        c.to = to;
        said.push_back(std::move(c));
    };
    const auto number = [&](const char* f, int from, int to, const char* unit) {
        if (from == to) return;
        field(f, std::string(f) + " " + std::to_string(from) + " to " + std::to_string(to) + unit,
              std::to_string(from), std::to_string(to));
    };
    if (x.start != y.start) {
        field("position", "now starts at " + kilometreText(y.from), kilometreText(x.from),
              kilometreText(y.from));
    }
    if (x.end != y.end) {
        field("length", "now ends at " + kilometreText(y.to), kilometreText(x.to),
              kilometreText(y.to));
    }
    number("speed", x.speed, y.speed, " km/h");
    number("d_v", x.dv, y.dv, "");
    number("f_tt", x.ftt, y.ftt, "");
    if (x.countdown != y.countdown) {
        field("f_ta", y.countdown ? "countdown added" : "countdown removed",
              x.countdown ? "1" : "0", y.countdown ? "1" : "0");
    }
    if (said.empty()) return;
    fold.slowdown(x);
    fold.slowdown(y);
    for (Change& c : said) {
        c.sourceA = x.source;
        c.sourceB = y.source;
        out.push_back(std::move(c));
    }
}

void tellMoved(const Slowdown& x, const Slowdown& y, std::vector<Change>& out) {
    Change c = change("slowdown", "moved", x.from,
                      slowdownName(x) + " " + slowdownSpan(x) + " moved to " +
                          kilometreText(y.from) + " to " + kilometreText(y.to));
    c.field = "position";
    c.from = slowdownSpan(x);
    c.to = slowdownSpan(y);
    c.sourceA = x.source;
    c.sourceB = y.source;
    out.push_back(std::move(c));
}

void tellUnmatched(const SideView& a, const SideView& b, const Matched& matched,
                   std::vector<Change>& out, Folding& fold) {
    for (std::size_t i = 0; i < a.slowdowns.size(); ++i) {
        if (matched.a[i]) continue;
        const Slowdown& x = a.slowdowns[i];
        fold.slowdown(x);
        Change c = change("slowdown", "removed", x.from,
                          slowdownName(x) + " " + slowdownSpan(x) + " removed");
        c.from = slowdownSpan(x);
        c.sourceA = x.source;
        out.push_back(std::move(c));
    }
    for (std::size_t j = 0; j < b.slowdowns.size(); ++j) {
        if (matched.b[j]) continue;
        const Slowdown& y = b.slowdowns[j];
        fold.slowdown(y);
        Change c =
            change("slowdown", "added", y.from, slowdownName(y) + " added " + slowdownSpan(y));
        c.to = slowdownSpan(y);
        c.sourceB = y.source;
        out.push_back(std::move(c));
    }
}

}  // namespace

void compareSlowdowns(const SideView& a, const SideView& b, std::vector<Change>& out,
                      Folding& fold) {
    Matched matched(a.slowdowns.size(), b.slowdowns.size());
    const auto noPosition = [](const Slowdown&) { return std::int64_t{0}; };
    const auto startKey = [](const Slowdown& s) { return std::to_string(s.start); };
    const auto endKey = [](const Slowdown& s) { return std::to_string(s.end); };
    const IndexOfB byStretch(b.slowdowns, stretchKey, noPosition);
    const IndexOfB byStart(b.slowdowns, startKey, noPosition);
    const IndexOfB byEnd(b.slowdowns, endKey, noPosition);
    // The same stretch first, then one that keeps its start or its end: the first in B's order.
    for (std::size_t i = 0; i < a.slowdowns.size(); ++i) {
        const Slowdown& x = a.slowdowns[i];
        if (const auto j = byStretch.first(stretchKey(x), 0, kAnyDistance, matched.b)) {
            matched.pair(i, *j);
            tellFields(x, b.slowdowns[*j], out, fold);
        }
    }
    for (std::size_t i = 0; i < a.slowdowns.size(); ++i) {
        if (matched.a[i]) continue;
        const Slowdown& x = a.slowdowns[i];
        const auto s = byStart.first(startKey(x), 0, kAnyDistance, matched.b);
        const auto e = byEnd.first(endKey(x), 0, kAnyDistance, matched.b);
        if (!s && !e) continue;
        const std::size_t j = s && e ? std::min(*s, *e) : s ? *s : *e;
        matched.pair(i, j);
        tellFields(x, b.slowdowns[j], out, fold);
    }
    // Then the same slowdown, as long and with the same values, within 1000 m: moved.
    const IndexOfB byShape(b.slowdowns, shapeKey, [](const Slowdown& s) { return s.from; });
    for (std::size_t i = 0; i < a.slowdowns.size(); ++i) {
        if (matched.a[i]) continue;
        const Slowdown& x = a.slowdowns[i];
        const auto j = byShape.first(shapeKey(x), x.from, 1000, matched.b);
        if (!j) continue;
        matched.pair(i, *j);
        fold.slowdown(x);
        fold.slowdown(b.slowdowns[*j]);
        tellMoved(x, b.slowdowns[*j], out);
    }
    tellUnmatched(a, b, matched, out, fold);
}

}  // namespace tool::diff
