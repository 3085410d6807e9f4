#include "tools/compiled_files/inspection.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "common/windows1252.h"
#include "compiler/cell_values.h"
#include "compiler/memorizza_percorso.h"
#include "compiler/record_views.h"
#include "compiler/scenario_codes.h"

namespace tool {
namespace {

using namespace scenario::CellKind;

// The entry a cell names, when the train file holds it.
std::optional<std::string> entryText(const scenario::LineTable* train, std::int64_t entry) {
    if (train == nullptr || entry < 0 || entry >= scenario::kLineTableEntries) return std::nullopt;
    return common::utf8FromWindows1252(train->at(static_cast<std::size_t>(entry)).text);
}

// The values an object of this kind stores, as its view names them.
std::vector<NamedValue> viewValues(const scenario::RouteCell& c) {
    std::vector<NamedValue> v;
    if (const auto view = scenario::objectView(c.kind)) {
        scenario::forEachNamedField(*view, c, [&v](std::string_view name, const auto& field) {
            v.push_back({std::string(name), static_cast<std::int64_t>(field)});
        });
    }
    return v;
}

// The values as the description wrote them: a signal's and a speed indicator board's stored
// values unpacked the way their placements pack them, the others as stored.
std::vector<NamedValue> objectValues(const scenario::RouteCell& c) {
    std::vector<NamedValue> v;
    switch (c.kind) {
        case kSignal: {
            const std::int16_t aspects[3] = {c.value1, c.value2, c.value3};
            for (int i = 0; i < 3; ++i) {
                const auto [s, d] = scenario::unpackAspects(aspects[i]);
                v.push_back({"s" + std::to_string(i + 1), s});
                v.push_back({"d" + std::to_string(i + 1), d});
            }
            const scenario::SignalSides sides = scenario::unpackSignalSides(c.value4);
            v.push_back({"rapp", sides.rapp});
            v.push_back({"sx", sides.sx});
            v.push_back({"dx", sides.dx});
            v.push_back({std::string(scenario::fieldName(scenario::CellView::signal, c, c.timing)),
                         c.timing});
            break;
        }
        case kSpeedIndicator: {
            const std::int16_t speeds[3] = {c.value1, c.value2, c.value3};
            const char* names[3] = {"a", "b", "c"};
            for (int i = 0; i < 3; ++i) {
                const auto [left, right] = scenario::unpackBoardSpeeds(speeds[i]);
                v.push_back({"speed_" + std::string(names[i]) + "_left", left});
                v.push_back({"speed_" + std::string(names[i]) + "_right", right});
            }
            const auto [stripesLeft, stripesRight] = scenario::unpackStripes(c.value4);
            v.push_back({"stripes_left", stripesLeft});
            v.push_back({"stripes_right", stripesRight});
            break;
        }
        default:
            v = viewValues(c);
            break;
    }
    return v;
}

// The stamps of route cell 1 against the format's stamp and the plain code the names give.
std::vector<ValueCheck> stampChecks(const scenario::RouteCell& cell1,
                                    std::optional<std::int64_t> plain, const std::string& prefix) {
    const auto stamps = scenario::CellView::stamps;
    return {{prefix + std::string(scenario::fieldName(stamps, cell1, cell1.value1)) + " (cell 1)",
             cell1.value1, scenario::kRouteStamp},
            {prefix + std::string(scenario::fieldName(stamps, cell1, cell1.value2)) + " (cell 1)",
             cell1.value2, plain}};
}

bool sameTrack(const scenario::RouteCell& a, const scenario::RouteCell& b) {
    return a.speedLimit == b.speedLimit && a.gradient == b.gradient && a.adhesion == b.adhesion &&
           a.zone == b.zone;
}

}  // namespace

std::optional<std::int64_t> nominalWrittenPosition(int cell, std::uint8_t kind) {
    const std::int64_t c = cell;
    switch (kind) {
        case kSignal:
        case kSlowdownStart:
        case kSpeedIndicator:
        case kLocationBoard:
            return (c - 1) * 50;
        case kWarningBoard:
            return (c - 1) * 50 + 1200;
        case kMark:
        case kMarkWithoutSpeed:
            return c * 50;
        default:
            return std::nullopt;
    }
}

std::string kilometreText(std::int64_t metres) {
    const std::int64_t m = metres < 0 ? -metres : metres;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%lld+%03lld", metres < 0 ? "-" : "",
                  static_cast<long long>(m / 1000), static_cast<long long>(m % 1000));
    return buf;
}

std::string clockText(std::int64_t seconds) {
    const std::int64_t s = seconds < 0 ? -seconds : seconds;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld", seconds < 0 ? "-" : "",
                  static_cast<long long>(s / 3600), static_cast<long long>(s / 60 % 60),
                  static_cast<long long>(s % 60));
    return buf;
}

ExpectedCodes expectedCodes(const scenario::LineTable& train) {
    scenario::ScenarioModel model;
    model.lineTable = train;
    ExpectedCodes codes;
    codes.text = scenario::scenarioCodeText(model);
    codes.plain = scenario::codice_gara_og(model);
    codes.weighted = scenario::codice_gara_st(model);
    return codes;
}

namespace {

RouteObject objectIn(const scenario::RouteCell& c, int cell, const scenario::LineTable* train,
                     const TrainLayout& layout) {
    RouteObject object;
    object.cell = cell;
    object.raw = c;
    object.kindName = std::string(cellKindName(c.kind).value_or("?"));
    object.values = objectValues(c);
    object.stored = viewValues(c);
    object.written = nominalWrittenPosition(cell, c.kind);
    if (c.kind == kStationStop || c.kind == kLocationBoard) {
        object.text = entryText(train, c.value1);
        // A station's position is stored whole in its entry.
        if (train && c.kind == kStationStop && layout.isStation(c.value1)) {
            object.written = train->at(static_cast<std::size_t>(c.value1)).long3;
            object.writtenExact = true;
        }
    }
    return object;
}

}  // namespace

RouteObject routeObject(const scenario::RouteCell& c, int cell, const scenario::LineTable* train) {
    return objectIn(c, cell, train, train ? trainLayout(*train) : TrainLayout{});
}

RouteReport routeReport(const scenario::RouteTable& route, const scenario::LineTable* train) {
    RouteReport report;
    report.cells = route.size();
    const TrainLayout layout = train ? trainLayout(*train) : TrainLayout{};

    for (std::size_t i = 0; i < route.size(); ++i) {
        const scenario::RouteCell& c = route[i];
        const int cell = static_cast<int>(i);
        if (c.approach != 0) report.approaches.push_back({cell, c.approach});
        if (i == 0 || !sameTrack(c, route[i - 1])) {
            report.runs.push_back(
                {cell, cell, c.speedLimit * 5, c.gradient - 100, c.adhesion, c.zone});
        } else {
            report.runs.back().lastCell = cell;
        }
        if (c.kind == kNothing) continue;

        RouteObject object = objectIn(c, cell, train, layout);
        if (train && (c.kind == kStationStop || c.kind == kLocationBoard)) {
            const bool holds =
                c.kind == kStationStop ? layout.isStation(c.value1) : layout.isBoard(c.value1);
            if (!holds) {
                report.mismatches.push_back("cell " + std::to_string(cell) + ": the " +
                                            object.kindName + " names entry " +
                                            std::to_string(c.value1) + ", which holds no " +
                                            (c.kind == kStationStop ? "station" : "board text"));
            }
        }
        report.objects.push_back(std::move(object));
    }

    if (route.size() > 1) {
        std::optional<std::int64_t> plain;
        if (train) plain = expectedCodes(*train).plain;
        report.checks = stampChecks(route[1], plain, "");
    }
    return report;
}

TrainReport trainReport(const scenario::LineTable& train, const scenario::RouteTable* route) {
    TrainReport report;
    report.layout = trainLayout(train);
    report.codes = expectedCodes(train);
    const scenario::LineRecord& general = train[scenario::kLineGeneral];
    const std::string generalEntry = " (entry " + std::to_string(scenario::kLineGeneral) + ")";
    const auto lineData = scenario::EntryView::lineData;
    report.checks.push_back(
        {std::string(scenario::fieldName(lineData, general, general.int1)) + generalEntry,
         general.int1, scenario::kTrainStamp});
    report.checks.push_back(
        {std::string(scenario::fieldName(lineData, general, general.long4)) + generalEntry,
         general.long4, report.codes.weighted});
    if (route && route->size() > 1) {
        for (ValueCheck& c : stampChecks((*route)[1], report.codes.plain, "route ")) {
            report.checks.push_back(std::move(c));
        }
    }
    return report;
}

bool pointDrawn(const scenario::TrackPlan& plan, std::int64_t point) {
    return point >= 0 && point < plan.points() &&
           plan.at(point, 0).tag != scenario::PlanTag::empty &&
           plan.at(point, 1).tag != scenario::PlanTag::empty;
}

PlanReport planReport(const scenario::TrackPlan& plan) {
    PlanReport report;
    report.points = plan.points();
    bool first = true;
    for (std::int64_t p = 0; p < plan.points(); ++p) {
        if (!pointDrawn(plan, p)) continue;
        const double x = plan.real(p, 0);
        const double y = plan.real(p, 1);
        ++report.drawnPoints;
        if (first) {
            report.minX = report.maxX = x;
            report.minY = report.maxY = y;
            first = false;
        } else {
            report.minX = std::min(report.minX, x);
            report.maxX = std::max(report.maxX, x);
            report.minY = std::min(report.minY, y);
            report.maxY = std::max(report.maxY, y);
        }
        if (pointDrawn(plan, p - 1)) {
            report.length += std::hypot(x - plan.real(p - 1, 0), y - plan.real(p - 1, 1));
        }
    }
    for (std::int64_t km = 0; km * 1000 + 1 < plan.points(); ++km) {
        const std::int64_t p = km * 1000;
        if (!pointDrawn(plan, p) || !pointDrawn(plan, p + 1)) continue;
        const double dx = plan.real(p + 1, 0) - plan.real(p, 0);
        const double dy = plan.real(p + 1, 1) - plan.real(p, 1);
        double degrees = std::atan2(dx, dy) * 180.0 / std::numbers::pi;
        if (degrees < 0) degrees += 360.0;
        report.headings.emplace_back(static_cast<int>(km), degrees);
    }
    return report;
}

}  // namespace tool
