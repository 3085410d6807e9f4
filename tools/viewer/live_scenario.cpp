#include "tools/viewer/live_scenario.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "common/windows1252.h"
#include "tools/command_line/descriptions_in_memory.h"
#include "tools/compiled_files/compiled_checks.h"
#include "tools/compiled_files/inspection.h"
#include "tools/descriptions/object_sources.h"
#include "tools/diagnostics/check_command.h"
#include "tools/diagnostics/check_errors.h"
#include "tools/diagnostics/diagnostic_json.h"
#include "tools/diagnostics/source_context.h"
#include "tools/diff/scenario_diff.h"

namespace tool {
namespace {

using json = nlohmann::ordered_json;
using Clock = std::chrono::steady_clock;

// A file system that keeps coarse times (whole seconds, or two on some) may give a quick second
// save of the same size the stamp of the first. Such a save can only come while the stamp's
// time is this close to the clock; until then the bytes are compared a few times a second, and
// after it never, so that a file that holds still is never read again.
constexpr std::int64_t kCoarseClockNanoseconds = 3'000'000'000;
constexpr auto kRecentReadEvery = std::chrono::milliseconds(250);

bool writtenLately(const platform::FileStamp& stamp, std::int64_t now) {
    return stamp.exists && stamp.modified > now - kCoarseClockNanoseconds &&
           stamp.modified < now + kCoarseClockNanoseconds;
}

// The description's bytes, or why they cannot be had.
struct Reading {
    std::optional<std::string> bytes;
    std::string problem;
};

// A file that is there but not a plain file by its stamp is not opened at all; one that turns
// into something else between the stamp and the opening is refused on the open handle.
Reading readWhole(const std::string& path, const platform::FileStamp& stamp) {
    if (stamp.exists && !stamp.plain) return {std::nullopt, notPlainFile(path)};
    std::string bytes;
    if (auto problem = readDescription(path, bytes, platform::FileTypes::plainOnly)) {
        return {std::nullopt, *problem};
    }
    return {std::move(bytes), {}};
}

// What a look at the descriptions compiled to draw: the model, its points stored for the
// pictures and the comparison with the picture before, and what the compilation read and
// placed.
struct Compilation {
    std::shared_ptr<const scenario::ScenarioModel> model;
    std::shared_ptr<const RecordTrace> trace;
};

// "FILE:LINE" as object_sources writes it.
std::optional<std::pair<std::string, int>> splitSource(const std::string& source) {
    const std::size_t colon = source.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    try {
        return std::pair{source.substr(0, colon), std::stoi(source.substr(colon + 1))};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

json sourceJson(const std::string& file, int line, const SourceLines& lines) {
    const std::optional<SourceExcerpt> excerpt = lines.excerpt(line, 1);
    return {
        {"file", file}, {"line", line}, {"text", excerpt ? json(excerpt->text) : json(nullptr)}};
}

// The lines of both descriptions, for naming the records of many objects.
struct DescriptionLines {
    SourceLines line;
    SourceLines train;
};

json sourceOf(const RouteObject& o, const LiveSources& sources, const DescriptionLines& lines) {
    if (!o.source) return nullptr;
    const auto place = splitSource(*o.source);
    if (!place) return nullptr;
    return sourceJson(place->first, place->second,
                      place->first == sources.lineFile ? lines.line : lines.train);
}

json mountainJson(const RouteObject& first, int lastCell, const LiveSources& sources,
                  const DescriptionLines& lines) {
    json item;
    item["id"] = "c" + std::to_string(first.cell);
    item["station"] = nullptr;
    item["cell"] = first.cell;
    item["kind"] = "mountain stretch";
    item["position"] = cellStart(first.cell);
    item["km"] = kilometreText(cellStart(first.cell));
    item["exact"] = true;
    item["text"] = "to " + kilometreText(cellStart(lastCell + 1));
    json values = json::object();
    for (const NamedValue& v : first.values) values[v.name] = v.value;
    item["values"] = std::move(values);
    item["added"] = false;
    item["source"] = sourceOf(first, sources, lines);
    return item;
}

// Every station of the train file, at its position (a station without a stop has no cell of
// its own).
void addStations(const scenario::ScenarioModel& model, const RecordTrace& trace,
                 const RouteReport& report, const LiveSources& sources,
                 const DescriptionLines& lines, std::vector<std::pair<std::int64_t, json>>& items) {
    const int stations = trainLayout(model.lineTable).stationCount;
    const std::vector<int> stationLines = stationRecordLines(trace, stations);
    std::map<int, int> stopCell;  // by station entry
    for (const RouteObject& o : report.objects) {
        if (o.raw.kind == scenario::CellKind::kStationStop) stopCell[o.raw.value1] = o.cell;
    }
    for (int e = 1; e <= stations; ++e) {
        const scenario::LineRecord& entry = model.lineTable[static_cast<std::size_t>(e)];
        json item;
        item["id"] = "s" + std::to_string(e);
        item["station"] = e;
        const auto stop = stopCell.find(e);
        item["cell"] = stop != stopCell.end() ? json(stop->second) : json(nullptr);
        item["kind"] = "station";
        item["position"] = entry.long3;
        item["km"] = kilometreText(entry.long3);
        item["exact"] = true;
        item["text"] = common::utf8FromWindows1252(entry.text);
        item["values"] = {
            {"scheduled time", clockText(entry.long4)},
            {"area", kilometreText(entry.long1) + " to " + kilometreText(entry.long2)}};
        item["added"] = false;
        const int recordLine = stationLines[static_cast<std::size_t>(e)];
        item["source"] =
            recordLine > 0 ? sourceJson(sources.trainFile, recordLine, lines.train) : json(nullptr);
        items.emplace_back(entry.long3, std::move(item));
    }
}

json routeObjectJson(const RouteObject& o, std::int64_t position, const LiveSources& sources,
                     const DescriptionLines& lines) {
    json item;
    item["id"] = "c" + std::to_string(o.cell);
    item["station"] = nullptr;
    item["cell"] = o.cell;
    item["kind"] = o.kindName;
    item["position"] = position;
    item["km"] = kilometreText(position);
    item["exact"] = o.written.has_value() && o.writtenExact;
    item["text"] = o.text ? json(*o.text) : json(nullptr);
    json values = json::object();
    for (const NamedValue& v : o.values) values[v.name] = v.value;
    item["values"] = std::move(values);
    item["added"] = o.addedByCompiler;
    item["source"] = sourceOf(o, sources, lines);
    return item;
}

// Every object of the route but the stations' stops (told with their stations); a mountain
// stretch, which marks each of its cells, once.
void addRouteObjects(const RouteReport& report, const LiveSources& sources,
                     const DescriptionLines& lines,
                     std::vector<std::pair<std::int64_t, json>>& items) {
    const auto& objects = report.objects;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const RouteObject& o = objects[i];
        if (o.raw.kind == scenario::CellKind::kStationStop) continue;
        if (o.raw.kind == scenario::CellKind::kMountainMarker) {
            std::size_t last = i;
            while (last + 1 < objects.size() &&
                   objects[last + 1].raw.kind == scenario::CellKind::kMountainMarker &&
                   objects[last + 1].cell == objects[last].cell + 1 &&
                   objects[last + 1].raw.value1 == o.raw.value1) {
                ++last;
            }
            items.emplace_back(cellStart(o.cell),
                               mountainJson(o, objects[last].cell, sources, lines));
            i = last;
            continue;
        }
        const std::int64_t position = o.written.value_or(cellStart(o.cell));
        items.emplace_back(position, routeObjectJson(o, position, sources, lines));
    }
}

// The objects the page lists, in the order of the line.
json objectsJson(const scenario::ScenarioModel& model, const RecordTrace& trace,
                 const LiveSources& sources, const std::string& line, const std::string& train) {
    RouteReport report = routeReport(model.routeTable, &model.lineTable);
    attributeCompiledSources(report, {&trace, sources.lineFile, sources.trainFile});
    const DescriptionLines lines{SourceLines(line), SourceLines(train)};
    std::vector<std::pair<std::int64_t, json>> items;
    addStations(model, trace, report, sources, lines, items);
    addRouteObjects(report, sources, lines, items);
    std::stable_sort(items.begin(), items.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    json list = json::array();
    for (auto& [position, item] : items) list.push_back(std::move(item));
    return list;
}

json pictureJson(const scenario::ScenarioModel& model) {
    const scenario::LineTable& table = model.lineTable;
    return {{"line", common::utf8FromWindows1252(table[scenario::kLineGeneral].text)},
            {"train", common::utf8FromWindows1252(table[scenario::kRepetitionEntry].text)},
            {"lineEnd", drawnLineEnd(model.routeTable, &table)}};
}

// What changed from the picture shown before to the new one, as `diff` tells it, for the page
// to point out for a moment. A change is placed where it stands now.
json changesJson(const scenario::ScenarioModel& before, const scenario::ScenarioModel& after) {
    constexpr std::size_t kChangesTold = 200;
    const std::vector<Change> changes =
        scenarioChanges({&before.routeTable, &before.lineTable, &before.trackPlan, nullptr},
                        {&after.routeTable, &after.lineTable, &after.trackPlan, nullptr});
    json list = json::array();
    for (const Change& c : changes) {
        if (list.size() == kChangesTold) break;
        const std::optional<std::int64_t> at = c.positionInB ? c.positionInB : c.position;
        list.push_back({{"kind", c.kind},
                        {"what", c.what},
                        {"text", c.text},
                        {"position", at ? json(*at) : json(nullptr)}});
    }
    return list;
}

}  // namespace

LiveScenario::LiveScenario(LiveSources sources) : sources_(std::move(sources)) {}

bool LiveScenario::dueForLook(const platform::FileStamp& line,
                              const platform::FileStamp& train) const {
    if (!looked_ || line != lineStamp_ || train != trainStamp_) return true;
    const std::int64_t now = platform::systemClockNow();
    return (writtenLately(line, now) || writtenLately(train, now)) &&
           Clock::now() - lastRead_ >= kRecentReadEvery;
}

bool LiveScenario::refresh() {
    platform::FileStamp line = platform::fileStamp(sources_.lineFile);
    platform::FileStamp train = platform::fileStamp(sources_.trainFile);
    if (!dueForLook(line, train)) return false;
    // An editor may still be writing: wait until both files hold still for a moment, so that a
    // save is compiled once, whole, rather than half-written first.
    for (int settle = 0; settle < 10; ++settle) {
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        const platform::FileStamp lineAgain = platform::fileStamp(sources_.lineFile);
        const platform::FileStamp trainAgain = platform::fileStamp(sources_.trainFile);
        if (lineAgain == line && trainAgain == train) break;
        line = lineAgain;
        train = trainAgain;
    }
    lineStamp_ = line;
    trainStamp_ = train;
    lastRead_ = Clock::now();
    // A description that is missing is told by the reading.
    Reading lineRead = readWhole(sources_.lineFile, line);
    Reading trainRead = readWhole(sources_.trainFile, train);
    std::string problem = lineRead.problem.empty() ? trainRead.problem : lineRead.problem;
    if (!lineRead.problem.empty() && !trainRead.problem.empty()) {
        problem += "; " + trainRead.problem;
    }
    // The same bytes, or the same reason there are none, make no new version.
    if (looked_ && lineRead.bytes == lineBytes_ && trainRead.bytes == trainBytes_ &&
        problem == readProblem_) {
        return false;
    }
    looked_ = true;
    lineBytes_ = std::move(lineRead.bytes);
    trainBytes_ = std::move(trainRead.bytes);
    readProblem_ = problem;
    rebuild(problem);
    return true;
}

// What a look at the descriptions found: check's diagnostics and, when there is no error, the
// compilation to draw.
struct LiveScenario::Checked {
    nlohmann::ordered_json diagnostics = nlohmann::ordered_json::array();
    int errors = 0;
    int warnings = 0;
    bool limitReached = false;
    std::size_t warningsLeftOut = 0;
    Compilation compiled;
    std::string problem;  // a description that cannot be read, or nothing to draw
};

LiveScenario::Checked LiveScenario::check(const std::string& readProblem) const {
    Checked c;
    c.problem = readProblem;
    if (!lineBytes_ || !trainBytes_) return c;
    const CheckInputs inputs{sources_.lineFile, sources_.trainFile, *lineBytes_, *trainBytes_,
                             sources_.lineName, sources_.trainName, true};
    const ErrorScan scan = findErrors(inputs, kErrorLimit);
    Warnings found = descriptionWarnings(sources_.lineFile, *lineBytes_, sources_.trainFile,
                                         *trainBytes_, true, {}, kWarningLimit, scan.trace.get());
    c.warnings = static_cast<int>(found.count);
    const ToldDiagnostics told =
        toldDiagnostics(scan.errors, std::move(found), sources_.lineFile, sources_.trainFile);
    for (const Diagnostic& d : told.told) c.diagnostics.push_back(diagnosticJson(d));
    c.errors = static_cast<int>(scan.errors.size());
    c.warningsLeftOut = told.warningsLeftOut;
    c.limitReached = scan.limitReached;
    if (c.errors > 0) return c;
    if (!scan.compiled) {
        c.problem = kNoRouteProblem;
        return c;
    }
    // The scan compiled the pair as given with the plan as its drawing: its points are stored
    // here, once, for the pictures and the comparison with the picture before.
    auto model = std::make_shared<scenario::ScenarioModel>(*scan.compiled);
    model->trackPlan.storeDrawnPoints();
    c.compiled = {std::move(model), scan.trace};
    return c;
}

// The new picture, with what changed from the one shown before; or, while the descriptions
// fail, the last good one kept.
json LiveScenario::takePicture(const Checked& checked, const LiveState* previous, LiveState& next) {
    const Compilation& compiled = checked.compiled;
    if (!compiled.model) {
        next.stale = true;
        if (previous) {
            next.picture = previous->picture;
            next.map = previous->map;
            next.pictureVersion = previous->pictureVersion;
        }
        return json::array();
    }
    json changes = json::array();
    if (previous && previous->picture) changes = changesJson(*previous->picture, *compiled.model);
    next.picture = compiled.model;
    const scenario::ScenarioModel& m = *compiled.model;
    next.map =
        std::make_shared<const MapModel>(wholeLineMap({&m.routeTable, &m.lineTable, &m.trackPlan}));
    next.pictureVersion = next.version;
    lastGoodObjects_ = objectsJson(m, *compiled.trace, sources_, *lineBytes_, *trainBytes_);
    lastGoodPicture_ = pictureJson(m);
    return changes;
}

void LiveScenario::rebuild(const std::string& readProblem) {
    const auto started = Clock::now();
    auto next = std::make_shared<LiveState>();
    const std::shared_ptr<const LiveState> previous = state();
    next->version = previous ? previous->version + 1 : 1;

    Checked checked = check(readProblem);
    json changes = takePicture(checked, previous.get(), *next);
    next->errors = checked.errors;
    next->warnings = checked.warnings;
    next->warningsLeftOut = checked.warningsLeftOut;
    next->problem = checked.problem;
    next->compileMilliseconds =
        std::chrono::duration<double, std::milli>(Clock::now() - started).count();

    json out;
    out["version"] = next->version;
    out["pictureVersion"] = next->picture ? json(next->pictureVersion) : json(nullptr);
    out["stale"] = next->stale;
    out["files"] = {{"line", sources_.lineFile}, {"train", sources_.trainFile}};
    out["problem"] = next->problem.empty() ? json(nullptr) : json(next->problem);
    out["errors"] = next->errors;
    out["warnings"] = next->warnings;
    out["limitReached"] = checked.limitReached;
    out["warningsLeftOut"] = next->warningsLeftOut;
    out["compileMilliseconds"] = next->compileMilliseconds;
    out["picture"] = lastGoodPicture_;
    out["objects"] = lastGoodObjects_;
    out["diagnostics"] = std::move(checked.diagnostics);
    out["changes"] = std::move(changes);
    next->json = out.dump(-1, ' ', false, json::error_handler_t::replace);

    const std::lock_guard lock(mutex_);
    state_ = std::move(next);
}

std::shared_ptr<const LiveState> LiveScenario::state() const {
    const std::lock_guard lock(mutex_);
    return state_;
}

std::optional<std::string> LiveScenario::planSvg(const MapView& view) const {
    const std::shared_ptr<const LiveState> current = state();
    if (!current || !current->picture) return std::nullopt;
    return renderPlanSvg(*current->map, &current->picture->trackPlan, view);
}

std::optional<std::string> LiveScenario::profileSvg(const MapView& view) const {
    const std::shared_ptr<const LiveState> current = state();
    if (!current || !current->picture) return std::nullopt;
    return renderProfileSvg(*current->map, view);
}

}  // namespace tool
