#include "tools/scenario_diff.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "tools/inspection.h"

namespace tool {
namespace {

std::string objectKey(const RouteObject& o) {
    std::string key = o.kindName;
    for (const NamedValue& v : o.values) key += " " + v.name + "=" + std::to_string(v.value);
    if (o.text) key += " \"" + *o.text + "\"";
    return key;
}

std::string objectName(const RouteObject& o) {
    std::string name = o.kindName;
    if (o.text) name += " " + *o.text;
    return name;
}

std::int64_t at(const RouteObject& o) {
    return o.written ? *o.written : cellStart(o.cell);
}

void compareObjects(const RouteReport& a, const RouteReport& b, std::vector<std::string>& out,
                    std::set<int>& explained) {
    std::vector<bool> usedB(b.objects.size(), false);
    std::vector<const RouteObject*> removed;
    for (const RouteObject& oa : a.objects) {
        bool found = false;
        for (std::size_t i = 0; i < b.objects.size(); ++i) {
            if (!usedB[i] && b.objects[i].cell == oa.cell &&
                objectKey(b.objects[i]) == objectKey(oa)) {
                usedB[i] = true;
                found = true;
                break;
            }
        }
        if (!found) removed.push_back(&oa);
    }
    for (const RouteObject* oa : removed) {
        explained.insert(oa->cell);
        std::size_t best = b.objects.size();
        for (std::size_t i = 0; i < b.objects.size(); ++i) {
            if (usedB[i] || objectKey(b.objects[i]) != objectKey(*oa)) continue;
            if (std::llabs(at(b.objects[i]) - at(*oa)) > 1000) continue;
            if (best == b.objects.size() || std::llabs(at(b.objects[i]) - at(*oa)) <
                                                std::llabs(at(b.objects[best]) - at(*oa))) {
                best = i;
            }
        }
        if (best < b.objects.size()) {
            usedB[best] = true;
            explained.insert(b.objects[best].cell);
            out.push_back(objectName(*oa) + " at " + kilometreText(at(*oa)) + " moved to " +
                          kilometreText(at(b.objects[best])));
        } else {
            out.push_back(objectName(*oa) + " at " + kilometreText(at(*oa)) + " removed");
        }
    }
    for (std::size_t i = 0; i < b.objects.size(); ++i) {
        if (usedB[i]) continue;
        explained.insert(b.objects[i].cell);
        out.push_back(objectName(b.objects[i]) + " at " + kilometreText(at(b.objects[i])) +
                      " added");
    }
}

void compareTrack(const scenario::RouteTable& a, const scenario::RouteTable& b,
                  std::vector<std::string>& out, std::set<int>& explained) {
    struct Field {
        const char* name;
        int (*get)(const scenario::RouteCell&);
        const char* unit;
    };
    const Field fields[] = {
        {"speed limit", [](const scenario::RouteCell& c) { return c.speedLimit * 5; }, " km/h"},
        {"gradient", [](const scenario::RouteCell& c) { return c.gradient - 100; }, " per mille"},
        {"adhesion", [](const scenario::RouteCell& c) { return int{c.adhesion}; }, ""},
        {"mountain stretch type", [](const scenario::RouteCell& c) { return int{c.zone}; }, ""},
    };
    const std::size_t n = std::min(a.size(), b.size());
    for (const Field& f : fields) {
        std::size_t i = 0;
        while (i < n) {
            const int va = f.get(a[i]);
            const int vb = f.get(b[i]);
            if (va == vb) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < n && f.get(a[j]) == va && f.get(b[j]) == vb) explained.insert(int(j++));
            out.push_back(std::string(f.name) + " from " + kilometreText(cellStart(int(i))) +
                          " to " + kilometreText(cellStart(int(j))) + ": " + std::to_string(va) +
                          " to " + std::to_string(vb) + f.unit);
            i = j;
        }
    }
}

// Approach codes stand in the cells before the object they announce: a signal's in the 2nd to
// 8th cell before it, a station's in the 2nd to 5th before its stop cell. A changed approach
// code there follows from the change of that object and is not told again.
constexpr int kApproachReach = 8;

bool followsFromAChangedObject(const std::set<int>& changedCells, std::size_t cell) {
    const auto first = changedCells.upper_bound(static_cast<int>(cell));
    return first != changedCells.end() && *first - static_cast<int>(cell) <= kApproachReach;
}

}  // namespace

std::vector<std::string> scenarioChanges(const ScenarioSide& a, const ScenarioSide& b) {
    std::vector<std::string> out;
    if (a.route && b.route) {
        const RouteReport ra = routeReport(*a.route, a.train);
        const RouteReport rb = routeReport(*b.route, b.train);
        std::set<int> explainedObjects;
        std::set<int> explainedTrack;
        compareObjects(ra, rb, out, explainedObjects);
        compareTrack(*a.route, *b.route, out, explainedTrack);
        if (a.route->size() != b.route->size()) {
            out.push_back("route length " + std::to_string(a.route->size()) + " to " +
                          std::to_string(b.route->size()) + " cells");
        }
        // Whatever no object or track change explains is told by cell, so that sets that
        // differ are never told as the same.
        const std::size_t n = std::min(a.route->size(), b.route->size());
        for (std::size_t i = 0; i < n; ++i) {
            const scenario::RouteCell& ca = (*a.route)[i];
            const scenario::RouteCell& cb = (*b.route)[i];
            if (ca == cb) continue;
            const bool objectsSame = ca.kind == cb.kind && ca.value1 == cb.value1 &&
                                     ca.value2 == cb.value2 && ca.value3 == cb.value3 &&
                                     ca.value4 == cb.value4 && ca.timing == cb.timing;
            if (!objectsSame && !explainedObjects.count(int(i))) {
                out.push_back("cell " + std::to_string(i) + ": object changed");
            }
            if (ca.approach != cb.approach && !followsFromAChangedObject(explainedObjects, i)) {
                out.push_back("cell " + std::to_string(i) + ": approach code " +
                              std::to_string(ca.approach) + " to " + std::to_string(cb.approach));
            }
        }
    } else if (a.route || b.route) {
        out.push_back(a.route ? "route removed" : "route added");
    }
    if (a.train && b.train) {
        for (std::size_t i = 0; i < a.train->size(); ++i) {
            if ((*a.train)[i] == (*b.train)[i]) continue;
            out.push_back("train file entry " + std::to_string(i) + " changed");
        }
    }
    if (a.plan && b.plan) {
        bool same = a.plan->points() == b.plan->points();
        for (std::int64_t p = 0; same && p < a.plan->points(); ++p) {
            for (int c = 0; c < 2 && same; ++c) {
                const scenario::PlanValue va = a.plan->at(p, c);
                const scenario::PlanValue vb = b.plan->at(p, c);
                same = va.tag == vb.tag && va.value == vb.value;
            }
        }
        if (!same) out.push_back("track plan changed");
    }
    return out;
}

}  // namespace tool
