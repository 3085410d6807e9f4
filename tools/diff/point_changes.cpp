// Signals, boards and marks compared: the same object in the same cell, another object in the
// same cell (its values changed), the same object within 1000 m (moved), and what is left
// removed or added.
#include "tools/diff/diff_objects.h"
#include "tools/diff/matching.h"

namespace tool::diff {
namespace {

std::string kindKey(const PointObject& p) {
    return std::to_string(p.kind) + '\n';
}
std::string cellKey(const PointObject& p) {
    return kindKey(p) + std::to_string(p.cell);
}
std::string cellAndValuesKey(const PointObject& p) {
    return cellKey(p) + '\n' + p.key;
}
std::string valuesKey(const PointObject& p) {
    return kindKey(p) + p.key;
}

Change between(Change c, const PointObject& x, const PointObject& y) {
    c.sourceA = x.source;
    c.sourceB = y.source;
    return c;
}

void tellValues(const PointObject& x, const PointObject& y, std::vector<Change>& out) {
    const std::string at = x.name + " at " + kilometreText(x.position);
    for (std::size_t k = 0; k < x.values.size() && k < y.values.size(); ++k) {
        if (x.values[k].value == y.values[k].value) continue;
        const std::string from = std::to_string(x.values[k].value);
        const std::string to = std::to_string(y.values[k].value);
        Change c = change(x.category, "changed", x.position,
                          at + ": " + x.values[k].name + " " + from + " to " + to);
        c.field = x.values[k].name;
        c.from = from;
        c.to = to;
        out.push_back(between(std::move(c), x, y));
    }
    if (x.name != y.name) {
        Change c = change(x.category, "changed", x.position, at + " is now " + y.name);
        c.from = x.name;
        c.to = y.name;
        out.push_back(between(std::move(c), x, y));
    }
}

void tellMoved(const PointObject& x, const PointObject& y, std::vector<Change>& out) {
    const std::string from = kilometreText(x.position);
    const std::string to = kilometreText(y.position);
    Change c = change(x.category, "moved", x.position, x.name + " at " + from + " moved to " + to);
    c.field = "position";
    c.from = from;
    c.to = to;
    out.push_back(between(std::move(c), x, y));
}

void tellUnmatched(const SideView& a, const SideView& b, const Matched& matched,
                   std::vector<Change>& out, Folding& fold) {
    for (std::size_t i = 0; i < a.points.size(); ++i) {
        if (matched.a[i]) continue;
        const PointObject& x = a.points[i];
        fold.point(x);
        const std::string at = kilometreText(x.position);
        Change c = change(x.category, "removed", x.position, x.name + " at " + at + " removed");
        c.from = at;
        c.sourceA = x.source;
        out.push_back(std::move(c));
    }
    for (std::size_t j = 0; j < b.points.size(); ++j) {
        if (matched.b[j]) continue;
        const PointObject& y = b.points[j];
        fold.point(y);
        const std::string at = kilometreText(y.position);
        Change c = change(y.category, "added", y.position, y.name + " added at " + at);
        c.to = at;
        c.sourceB = y.source;
        out.push_back(std::move(c));
    }
}

}  // namespace

void comparePoints(const SideView& a, const SideView& b, std::vector<Change>& out, Folding& fold) {
    Matched matched(a.points.size(), b.points.size());
    // Each pass pairs every object of A still unpaired with the nearest unpaired object of B
    // under the same key, within `reach` metres.
    const auto pass = [&](auto keyOf, std::int64_t reach, auto&& tell) {
        const IndexOfB index(b.points, keyOf, [](const PointObject& p) { return p.position; });
        for (std::size_t i = 0; i < a.points.size(); ++i) {
            if (matched.a[i]) continue;
            const PointObject& x = a.points[i];
            const auto j = index.nearest(keyOf(x), x.position, reach, matched.b);
            if (!j) continue;
            matched.pair(i, *j);
            tell(x, b.points[*j]);
        }
    };
    // The same object in the same cell.
    pass(cellAndValuesKey, kAnyDistance, [](const PointObject&, const PointObject&) {});
    // Another object in the same cell: its values changed.
    pass(cellKey, kAnyDistance, [&](const PointObject& x, const PointObject& y) {
        fold.point(x);
        fold.point(y);
        tellValues(x, y, out);
    });
    // The same object within 1000 m: moved.
    pass(valuesKey, 1000, [&](const PointObject& x, const PointObject& y) {
        fold.point(x);
        fold.point(y);
        tellMoved(x, y, out);
    });
    tellUnmatched(a, b, matched, out, fold);
}

}  // namespace tool::diff
