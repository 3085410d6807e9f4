#include "tools/compiled_files/inspect_command.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>
#include <type_traits>

#include "common/windows1252.h"
#include "compiler/record_views.h"
#include "tools/command_line/descriptions_in_memory.h"
#include "tools/command_line/terminal_text.h"
#include "tools/compiled_files/compiled_set.h"
#include "tools/compiled_files/inspection.h"
#include "tools/compiled_files/listing_filter.h"
#include "tools/descriptions/object_sources.h"

namespace tool {
namespace {

using Json = nlohmann::ordered_json;

std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// ---- text ----

std::string checkText(const ValueCheck& check) {
    std::string out = "  " + check.what + ": " + std::to_string(check.found);
    if (!check.expected) return out + " (not checked: no train file)";
    if (check.ok()) return out + ", as expected";
    return out + ", MISMATCH: expected " + std::to_string(*check.expected);
}

// Every text of a compiled file (a station name, a board text, a line or train name) reaches
// the text output through here, as UTF-8; JSON carries the texts as they are.
std::string shownUtf8(std::string_view utf8) {
    return shownText(utf8);
}

std::string shownWindows1252(std::string_view windows1252) {
    return shownUtf8(common::utf8FromWindows1252(windows1252));
}

bool isSpeed(std::string_view name) {
    return name == "speed" || name.starts_with("speed_");
}

// "speed 60 km/h d_v 0 f_tt 1", each value under its name.
std::string valuesText(const std::vector<NamedValue>& values) {
    std::string out;
    for (const NamedValue& v : values) {
        if (!out.empty()) out += ' ';
        out += v.name + " " + std::to_string(v.value);
        if (isSpeed(v.name)) out += " km/h";
    }
    return out;
}

// "written 35+150 b-.txt:87", "written ~35+150" when only the cell tells it, or "added" for
// a mark the compiler added.
std::string writtenText(const RouteObject& o) {
    if (o.addedByCompiler) return "added";
    if (!o.written) return "";
    std::string out =
        "written " + std::string(o.writtenExact ? "" : "~") + kilometreText(*o.written);
    if (o.source) out += " " + shownText(*o.source);
    return out;
}

// "12", or "3 of 12" when the filter leaves some out.
template <class Item>
std::string shownCount(const std::vector<Item>& items, const ListingFilter& filter) {
    const auto kept = std::count_if(items.begin(), items.end(),
                                    [&filter](const Item& i) { return filter.keeps(i); });
    if (static_cast<std::size_t>(kept) == items.size()) return std::to_string(kept);
    return std::to_string(kept) + " of " + std::to_string(items.size());
}

// The names of the track data every cell holds, from their view.
struct TrackNames {
    std::string approach, mountainType, speedLimit, gradient, adhesion;
};
TrackNames trackNames() {
    const scenario::RouteCell c;
    const auto name = [&c](const auto& field) {
        return std::string(scenario::fieldName(scenario::CellView::everyCell, c, field));
    };
    return {name(c.approach), name(c.zone), name(c.speedLimit), name(c.gradient), name(c.adhesion)};
}

// A train entry's fields as its view names them: positions in km+m, a time of day as a clock,
// a text through shownWindows1252; `skip` leaves one name out.
std::string entryText(scenario::EntryView view, const scenario::LineRecord& r,
                      std::string_view skip = {}) {
    std::string out;
    scenario::forEachNamedField(view, r, [&](std::string_view name, const auto& field) {
        if (name == skip) return;
        if (!out.empty()) out += "  ";
        out += std::string(name) + " ";
        if constexpr (std::is_same_v<std::decay_t<decltype(field)>, std::string>) {
            out += shownWindows1252(field);
        } else if (view == scenario::EntryView::station &&
                   (name == "area_start" || name == "area_end" || name == "position")) {
            out += kilometreText(field);
        } else if (name == "scheduled_time") {
            out += clockText(field);
        } else {
            out += std::to_string(field);
        }
    });
    return out;
}

std::string_view entryViewWords(scenario::EntryView view) {
    switch (view) {
        case scenario::EntryView::progressive:
            return "progressive";
        case scenario::EntryView::trainData:
            return "train data";
        case scenario::EntryView::lineData:
            return "line data";
        case scenario::EntryView::repetitionAndClock:
            return "repetition and clock";
        default:
            return "";
    }
}

void printRoute(const RouteReport& r, const std::optional<std::string>& trainPath,
                const ListingFilter& filter, std::ostream& out) {
    out << "route, " << r.cells << " cells (0+000 to "
        << kilometreText(cellStart(static_cast<std::int64_t>(r.cells))) << ")\n";
    if (trainPath) out << "  names from the train file " << shownText(*trainPath) << "\n";
    if (r.sources) {
        out << "  records from the descriptions "
            << shownText(r.sources->line + " and " + r.sources->train);
        if (r.sources->problem) out << ": none shown, " << shownText(*r.sources->problem);
        out << '\n';
    }
    for (const ValueCheck& c : r.checks) out << checkText(c) << '\n';
    for (const std::string& m : r.mismatches) out << "  MISMATCH: " << shownText(m) << '\n';
    out << "objects (" << shownCount(r.objects, filter) << "):\n";
    char line[200];
    for (const RouteObject& o : r.objects) {
        if (!filter.keeps(o)) continue;
        std::snprintf(line, sizeof line, "  cell %-5d %-9s %-22s ", o.cell,
                      kilometreText(cellStart(o.cell)).c_str(), o.kindName.c_str());
        // The record's place holds a path of any length: padded here rather than cut.
        std::string written = writtenText(o);
        if (written.size() < 16) written.resize(16, ' ');
        std::string text = line + written + " " + valuesText(o.values);
        if (o.text) text += " " + shownUtf8(*o.text);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out << text << '\n';
    }
    const TrackNames names = trackNames();
    if (filter.track) out << "track (" << shownCount(r.runs, filter) << " runs):\n";
    for (const TrackRun& t : r.runs) {
        if (!filter.keeps(t)) continue;
        std::snprintf(line, sizeof line,
                      "  cells %5d-%-5d %9s to %-9s %s %3d km/h  %s %+4d per mille  %s %3d  %s %d",
                      t.firstCell, t.lastCell, kilometreText(cellStart(t.firstCell)).c_str(),
                      kilometreText(cellStart(t.lastCell + 1)).c_str(), names.speedLimit.c_str(),
                      t.speedKmh, names.gradient.c_str(), t.gradient, names.adhesion.c_str(),
                      t.adhesion, names.mountainType.c_str(), t.mountainType);
        out << line << '\n';
    }
    if (filter.approaches) {
        out << "approach codes (" << shownCount(r.approaches, filter) << "):\n";
    }
    for (const ApproachCode& a : r.approaches) {
        if (!filter.keeps(a)) continue;
        std::snprintf(line, sizeof line, "  cell %-5d %-9s %s %d", a.cell,
                      kilometreText(cellStart(a.cell)).c_str(), names.approach.c_str(), a.code);
        out << line << '\n';
    }
}

void printTrain(const scenario::LineTable& t, const TrainReport& r,
                const std::optional<std::string>& routePath, std::ostream& out) {
    const int boards = r.layout.boardCount();
    out << "train file, " << r.layout.stationCount << " stations, " << boards << " board texts\n";
    out << "stations:\n";
    for (int i = 1; i <= r.layout.stationCount; ++i) {
        const scenario::LineRecord& s = t[static_cast<std::size_t>(i)];
        out << "  entry " << i << "  " << entryText(scenario::EntryView::station, s, "name")
            << "  name " << shownWindows1252(s.text) << '\n';
    }
    out << "board texts:\n";
    for (int e = scenario::kFirstBoardEntry; e >= r.layout.lowestBoard; --e) {
        out << "  entry " << e << "  "
            << entryText(scenario::EntryView::boardText, t[static_cast<std::size_t>(e)]) << '\n';
    }
    out << "general:\n";
    for (int e = scenario::kProgressiveTre; e <= scenario::kRepetitionEntry; ++e) {
        const scenario::LineRecord& entry = t[static_cast<std::size_t>(e)];
        const scenario::EntryView view = *scenario::generalEntryView(e);
        out << "  entry " << e << " (" << entryViewWords(view) << "): " << entryText(view, entry);
        if (view == scenario::EntryView::repetitionAndClock) {
            out << "  (start clock " << clockText((entry.int3 * 60 + entry.int4) * 60 + entry.int5)
                << ")";
        }
        out << '\n';
    }
    out << "checks (codes from \"" << shownWindows1252(r.codes.text) << "\": plain "
        << r.codes.plain << ", weighted " << r.codes.weighted << "):\n";
    if (routePath) out << "  route file " << shownText(*routePath) << '\n';
    for (const ValueCheck& c : r.checks) out << checkText(c) << '\n';
}

void printPlan(const PlanReport& r, std::ostream& out) {
    out << "track plan, " << r.points << " points (0+000 to " << kilometreText(r.points - 1)
        << "), " << r.drawnPoints << " drawn\n";
    out << "  extent: x " << fixed(r.minX, 1) << " to " << fixed(r.maxX, 1) << " m, y "
        << fixed(r.minY, 1) << " to " << fixed(r.maxY, 1) << " m\n";
    out << "  length of the track drawn: " << fixed(r.length, 1) << " m\n";
    out << "  heading every kilometre (degrees from +y toward +x):";
    for (std::size_t i = 0; i < r.headings.size(); ++i) {
        if (i % 8 == 0) out << "\n   ";
        char cell[32];
        std::snprintf(cell, sizeof cell, " %4d:%6.1f", r.headings[i].first, r.headings[i].second);
        out << cell;
    }
    out << '\n';
}

// ---- JSON ----

Json checksJson(const std::vector<ValueCheck>& checks) {
    Json list = Json::array();
    for (const ValueCheck& c : checks) {
        list.push_back({{"what", c.what},
                        {"found", c.found},
                        {"expected", c.expected ? Json(*c.expected) : Json(nullptr)},
                        {"ok", c.ok()}});
    }
    return list;
}

// A train entry's fields as its view names them.
void addEntryJson(Json& json, scenario::EntryView view, const scenario::LineRecord& r) {
    scenario::forEachNamedField(view, r, [&json](std::string_view name, const auto& v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>) {
            json[std::string(name)] = common::utf8FromWindows1252(v);
        } else {
            json[std::string(name)] = static_cast<std::int64_t>(v);
        }
    });
}

Json namedJson(const std::vector<NamedValue>& values) {
    Json json = Json::object();
    for (const NamedValue& v : values) json[v.name] = v.value;
    return json;
}

Json routeJson(const RouteReport& r, const ListingFilter& filter) {
    Json json;
    json["cells"] = r.cells;
    json["sources"] =
        r.sources
            ? Json{{"line", r.sources->line},
                   {"train", r.sources->train},
                   {"problem", r.sources->problem ? Json(*r.sources->problem) : Json(nullptr)}}
            : Json(nullptr);
    json["checks"] = checksJson(r.checks);
    json["mismatches"] = r.mismatches;
    Json objects = Json::array();
    for (const RouteObject& o : r.objects) {
        if (!filter.keeps(o)) continue;
        objects.push_back({{"cell", o.cell},
                           {"position", cellStart(o.cell)},
                           {"km", kilometreText(cellStart(o.cell))},
                           {"written", o.written ? Json(*o.written) : Json(nullptr)},
                           {"writtenExact", o.writtenExact},
                           {"source", o.source ? Json(*o.source) : Json(nullptr)},
                           {"addedByCompiler", o.addedByCompiler},
                           {"kind", o.raw.kind},
                           {"kindName", o.kindName},
                           {"values", namedJson(o.values)},
                           {"text", o.text ? Json(*o.text) : Json(nullptr)},
                           {"stored", namedJson(o.stored)}});
    }
    json["objects"] = objects;
    // The track data as the description gave it: the speed limit in km/h, the gradient in
    // per mille.
    const TrackNames names = trackNames();
    Json runs = Json::array();
    for (const TrackRun& t : r.runs) {
        if (!filter.keeps(t)) continue;
        runs.push_back({{"firstCell", t.firstCell},
                        {"lastCell", t.lastCell},
                        {"from", cellStart(t.firstCell)},
                        {"to", cellStart(t.lastCell + 1)},
                        {names.speedLimit, t.speedKmh},
                        {names.gradient, t.gradient},
                        {names.adhesion, t.adhesion},
                        {names.mountainType, t.mountainType}});
    }
    json["track"] = runs;
    Json approaches = Json::array();
    for (const ApproachCode& a : r.approaches) {
        if (!filter.keeps(a)) continue;
        approaches.push_back({{"cell", a.cell}, {names.approach, a.code}});
    }
    json["approaches"] = approaches;
    return json;
}

Json trainJson(const scenario::LineTable& t, const TrainReport& r) {
    Json json;
    Json stations = Json::array();
    for (int i = 1; i <= r.layout.stationCount; ++i) {
        const scenario::LineRecord& s = t[static_cast<std::size_t>(i)];
        Json station;
        station["entry"] = i;
        addEntryJson(station, scenario::EntryView::station, s);
        station["time"] = clockText(s.long4);
        stations.push_back(station);
    }
    json["stations"] = stations;
    Json boards = Json::array();
    for (int e = scenario::kFirstBoardEntry; e >= r.layout.lowestBoard; --e) {
        Json board;
        board["entry"] = e;
        addEntryJson(board, scenario::EntryView::boardText, t[static_cast<std::size_t>(e)]);
        boards.push_back(board);
    }
    json["boards"] = boards;
    // The progressives share their names; the other general entries each have their own.
    Json general;
    Json progressives = Json::array();
    for (int e = scenario::kProgressiveTre; e <= scenario::kRepetitionEntry; ++e) {
        const scenario::EntryView view = *scenario::generalEntryView(e);
        if (view == scenario::EntryView::progressive) {
            Json p;
            p["entry"] = e;
            addEntryJson(p, view, t[static_cast<std::size_t>(e)]);
            progressives.push_back(p);
        } else {
            addEntryJson(general, view, t[static_cast<std::size_t>(e)]);
        }
    }
    general["progressives"] = progressives;
    const auto& e86 = t[scenario::kRepetitionEntry];
    general["start_clock"] = clockText((e86.int3 * 60 + e86.int4) * 60 + e86.int5);
    json["general"] = general;
    json["codes"] = {{"text", common::utf8FromWindows1252(r.codes.text)},
                     {"plain", r.codes.plain},
                     {"weighted", r.codes.weighted}};
    json["checks"] = checksJson(r.checks);
    return json;
}

Json planJson(const PlanReport& r) {
    Json headings = Json::array();
    for (const auto& [km, degrees] : r.headings) {
        headings.push_back({{"km", km}, {"degrees", degrees}});
    }
    return {{"points", r.points},
            {"drawnPoints", r.drawnPoints},
            {"extent", {{"minX", r.minX}, {"maxX", r.maxX}, {"minY", r.minY}, {"maxY", r.maxY}}},
            {"length", r.length},
            {"headings", headings}};
}

Json faultJson(const FileFault& f) {
    return {{"message", f.message},
            {"offset", f.offset},
            {"cell", f.cell ? Json(*f.cell) : Json(nullptr)},
            {"entry", f.entry ? Json(*f.entry) : Json(nullptr)}};
}

// A description read as every command reads one, at most the description limit; why not on
// `err`.
std::optional<std::string> readSource(const std::string& path, std::ostream& err) {
    std::string bytes;
    if (auto problem = readDescription(path, bytes)) {
        err << "scenario-tool: " << *problem << '\n';
        return std::nullopt;
    }
    return bytes;
}

// Names the records that placed the route's objects, from the descriptions given with
// --sources or lying beside the route. False when given descriptions cannot be read.
bool addSources(RouteReport& r, const scenario::RouteTable& route, const LoadedFile& file,
                const scenario::LineTable* train, const InspectOptions& options,
                std::ostream& err) {
    std::optional<std::pair<std::string, std::string>> paths = options.sources;
    if (!paths) {
        std::optional<std::string> lineName;
        if (train) lineName = (*train)[scenario::kLineGeneral].text;
        paths = descriptionsBeside(file.path, lineName);
    }
    if (!paths) return true;
    const std::optional<std::string> line = readSource(paths->first, err);
    const std::optional<std::string> trainText = readSource(paths->second, err);
    if (!line || !trainText) return !options.sources;
    r.sources = SourcesNote{paths->first, paths->second, std::nullopt};
    r.sources->problem =
        attributeSources(r, route, {paths->first, *line}, {paths->second, *trainText});
    return true;
}

bool allOk(const std::vector<ValueCheck>& checks) {
    return std::all_of(checks.begin(), checks.end(), [](const ValueCheck& c) { return c.ok(); });
}

// What each file holds, from --kind or its name; or why the files cannot be inspected as asked.
std::variant<std::vector<CompiledKind>, std::string> kindsOf(const InspectOptions& options) {
    std::vector<CompiledKind> kinds;
    for (const std::string& path : options.files) {
        std::optional<CompiledKind> kind =
            options.kind ? compiledKindFromWord(*options.kind) : compiledKindFromName(path);
        if (!kind) {
            return "cannot tell what " + path +
                   " holds from its name: give --kind plan|train|route";
        }
        kinds.push_back(*kind);
    }
    // --only and --km narrow a route's listing; given for files none of which is a route they
    // would change nothing, which is not what was asked.
    if ((options.only || options.km) &&
        std::find(kinds.begin(), kinds.end(), CompiledKind::route) == kinds.end()) {
        const std::string what = options.files.size() > 1 ? "none of the files is one"
                                 : kinds.front() == CompiledKind::train
                                     ? options.files.front() + " is a train file"
                                     : options.files.front() + " is a track plan";
        return std::string(options.only ? "--only" : "--km") +
               " narrows the listing of a route, and " + what;
    }
    return kinds;
}

// One file's report, printed or put into `json`; its status.
int inspectFile(const LoadedFile& file, const std::vector<LoadedFile>& files,
                const ListingFilter& filter, const InspectOptions& options, Json& json,
                std::ostream& out, std::ostream& err) {
    if (file.problem) {
        err << "scenario-tool: " << file.path << ": " << *file.problem << '\n';
        if (!options.json) out << shownText(*file.problem) << '\n';
        json["problem"] = *file.problem;
        return kInspectUnreadable;
    }
    if (file.fault) {
        err << "scenario-tool: " << file.path << ": " << describeFault(*file.fault) << '\n';
        if (!options.json) out << "damaged: " << describeFault(*file.fault) << '\n';
        json["fault"] = faultJson(*file.fault);
        return kInspectDamaged;
    }
    int status = kInspectClean;
    if (const auto* route = file.route()) {
        const std::optional<LoadedFile> train = findCompanion(file, CompiledKind::train, files);
        RouteReport r = routeReport(*route, train ? train->train() : nullptr);
        if (!addSources(r, *route, file, train ? train->train() : nullptr, options, err)) {
            status = kInspectUnreadable;
        }
        if (!allOk(r.checks) || !r.mismatches.empty()) status = kInspectMismatch;
        if (options.json) {
            json["trainFile"] = train ? Json(train->path) : Json(nullptr);
            json["route"] = routeJson(r, filter);
        } else {
            printRoute(r, train ? std::optional<std::string>(train->path) : std::nullopt, filter,
                       out);
        }
    } else if (const auto* table = file.train()) {
        const std::optional<LoadedFile> route = findCompanion(file, CompiledKind::route, files);
        const TrainReport r = trainReport(*table, route ? route->route() : nullptr);
        if (!allOk(r.checks)) status = kInspectMismatch;
        if (options.json) {
            json["routeFile"] = route ? Json(route->path) : Json(nullptr);
            json["train"] = trainJson(*table, r);
        } else {
            printTrain(*table, r, route ? std::optional<std::string>(route->path) : std::nullopt,
                       out);
        }
    } else if (const auto* plan = file.plan()) {
        const PlanReport r = planReport(*plan);
        if (options.json) {
            json["plan"] = planJson(r);
        } else {
            printPlan(r, out);
        }
    }
    return status;
}

}  // namespace

int runInspect(const InspectOptions& options, std::ostream& out, std::ostream& err) {
    const auto usageError = [&](const std::string& problem) {
        err << "scenario-tool: " << problem << '\n';
        if (options.json) out << Json{{"files", Json::array()}, {"status", 2}}.dump() << '\n';
        return kInspectUnreadable;
    };
    const std::variant<ListingFilter, std::string> parsed = listingFilter(options.only, options.km);
    if (const auto* problem = std::get_if<std::string>(&parsed)) return usageError(*problem);
    const ListingFilter& filter = std::get<ListingFilter>(parsed);
    const auto kinds = kindsOf(options);
    if (const auto* problem = std::get_if<std::string>(&kinds)) return usageError(*problem);

    std::vector<LoadedFile> files;
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        files.push_back(loadCompiledFile(options.files[i], std::get<0>(kinds)[i]));
    }
    int status = kInspectClean;
    Json reports = Json::array();
    for (const LoadedFile& file : files) {
        Json json;
        json["path"] = file.path;
        json["kind"] = std::string(kindWord(file.kind));
        if (!options.json) out << shownText(file.path) << ": ";
        const int fileStatus = inspectFile(file, files, filter, options, json, out, err);
        json["status"] = fileStatus;
        reports.push_back(json);
        status = std::max(status, fileStatus);
    }
    if (options.json) {
        Json doc;
        doc["files"] = reports;
        doc["status"] = status;
        out << doc.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    }
    return status;
}

}  // namespace tool
