#include "tools/inspect_command.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "compiler/record_layout.h"
#include "tools/compiled_set.h"
#include "tools/inspection.h"
#include "tools/terminal_text.h"
#include "tools/windows1252.h"

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

// "speed 60 km/h d_v 0 f_tt 1"; a left and right pair as "a 60/0 km/h".
std::string valuesText(const RouteObject& o) {
    std::string out;
    for (std::size_t i = 0; i < o.values.size(); ++i) {
        const NamedValue& v = o.values[i];
        if (!out.empty()) out += ' ';
        if (v.name.ends_with("_left") && i + 1 < o.values.size()) {
            const std::string pair = v.name.substr(0, v.name.size() - 5);
            out += pair + " " + std::to_string(v.value) + "/" + std::to_string(o.values[++i].value);
            if (pair != "stripes") out += " km/h";
            continue;
        }
        out += v.name + " " + std::to_string(v.value);
        if (v.name == "speed") out += " km/h";
    }
    if (o.text) out += " " + shownText(*o.text);
    return out;
}

void printRoute(const RouteReport& r, const std::optional<std::string>& trainPath,
                std::ostream& out) {
    out << "route, " << r.cells << " cells (0+000 to "
        << kilometreText(cellStart(static_cast<std::int64_t>(r.cells))) << ")\n";
    if (trainPath) out << "  names from the train file " << *trainPath << "\n";
    for (const ValueCheck& c : r.checks) out << checkText(c) << '\n';
    for (const std::string& m : r.mismatches) out << "  MISMATCH: " << shownText(m) << '\n';
    out << "objects (" << r.objects.size() << "):\n";
    char line[160];
    for (const RouteObject& o : r.objects) {
        std::snprintf(line, sizeof line, "  cell %-5d %-9s %-22s ", o.cell,
                      kilometreText(cellStart(o.cell)).c_str(), o.kindName.c_str());
        std::string text = line + valuesText(o);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out << text << '\n';
    }
    out << "track (" << r.runs.size() << " runs):\n";
    for (const TrackRun& t : r.runs) {
        std::snprintf(line, sizeof line,
                      "  cells %5d-%-5d %9s to %-9s speed %3d km/h  gradient %+4d per mille  "
                      "adhesion %3d  zone %d",
                      t.firstCell, t.lastCell, kilometreText(cellStart(t.firstCell)).c_str(),
                      kilometreText(cellStart(t.lastCell + 1)).c_str(), t.speedKmh, t.gradient,
                      t.adhesion, t.zone);
        out << line << '\n';
    }
    out << "approach codes (" << r.approaches.size() << "):\n";
    for (const ApproachCode& a : r.approaches) {
        std::snprintf(line, sizeof line, "  cell %-5d %-9s %d", a.cell,
                      kilometreText(cellStart(a.cell)).c_str(), a.code);
        out << line << '\n';
    }
}

void printTrain(const scenario::LineTable& t, const TrainReport& r,
                const std::optional<std::string>& routePath, std::ostream& out) {
    const int boards = 81 - r.layout.lowestBoard;
    out << "train file, " << r.layout.stationCount << " stations, " << boards << " board texts\n";
    out << "stations:\n";
    char line[256];
    for (int i = 1; i <= r.layout.stationCount; ++i) {
        const scenario::LineRecord& s = t[static_cast<std::size_t>(i)];
        std::snprintf(line, sizeof line,
                      "  entry %-2d kind %-3d area %9s to %-9s at %-9s %s  flag %d int %d %d %d %d "
                      "%d byte %d %d %d %d  ",
                      i, s.kind, kilometreText(s.long1).c_str(), kilometreText(s.long2).c_str(),
                      kilometreText(s.long3).c_str(), clockText(s.long4).c_str(), s.flag, s.int1,
                      s.int2, s.int3, s.int4, s.int5, s.byte1, s.byte2, s.byte3, s.byte4);
        out << line << shownText(utf8FromWindows1252(s.text)) << '\n';
    }
    out << "board texts:\n";
    for (int e = 80; e >= r.layout.lowestBoard; --e) {
        out << "  entry " << e << "  "
            << shownText(utf8FromWindows1252(t[static_cast<std::size_t>(e)].text)) << '\n';
    }
    const auto& p81 = t[scenario::kProgressiveTre];
    const auto& p82 = t[scenario::kProgressiveDue];
    const auto& p83 = t[scenario::kProgressiveUno];
    const auto& e84 = t[scenario::kTrainGeneral];
    const auto& e85 = t[scenario::kLineGeneral];
    const auto& e86 = t[scenario::kRepetitionEntry];
    out << "general:\n";
    for (const auto* e : {&p81, &p82, &p83}) {
        out << "  progressive (entry " << (81 + (e - &p81)) << "): " << e->long1 << ", " << e->long2
            << ", " << e->long3 << '\n';
    }
    out << "  braked mass " << e84.long1 << " %, line length " << e84.long2 << " m, cars "
        << e84.long3 << " (entry 84)\n";
    out << "  background values uno " << e85.long1 << ", tre " << e85.long2 << ", due " << e85.long3
        << " (entry 85)\n";
    out << "  line name " << shownText(utf8FromWindows1252(e85.text)) << ", format stamp "
        << e85.int1 << ", weighted code " << e85.long4 << " (entry 85)\n";
    out << "  signal repetition " << e86.long1 << " m and " << e86.long2 << " m, code " << e86.long3
        << " (entry 86)\n";
    out << "  train name " << shownText(utf8FromWindows1252(e86.text)) << ", sand " << e86.int1
        << ", start clock " << clockText((e86.int3 * 60 + e86.int4) * 60 + e86.int5)
        << " (entry 86)\n";
    out << "checks (codes from \"" << shownText(utf8FromWindows1252(r.codes.text)) << "\": plain "
        << r.codes.plain << ", weighted " << r.codes.weighted << "):\n";
    if (routePath) out << "  route file " << *routePath << '\n';
    for (const ValueCheck& c : r.checks) out << checkText(c) << '\n';
}

void printPlan(const PlanReport& r, std::ostream& out) {
    out << "track plan, " << r.points << " points (planLength " << r.points - 1 << " m), "
        << r.drawnPoints << " drawn\n";
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

template <class Record>
Json fieldsJson(const Record& record) {
    Json fields;
    forEachField(record, [&fields](const char* name, const auto& v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>) {
            fields[name] = utf8FromWindows1252(v);
        } else {
            fields[name] = static_cast<std::int64_t>(v);
        }
    });
    return fields;
}

Json routeJson(const RouteReport& r) {
    Json json;
    json["cells"] = r.cells;
    json["checks"] = checksJson(r.checks);
    json["mismatches"] = r.mismatches;
    Json objects = Json::array();
    for (const RouteObject& o : r.objects) {
        Json values;
        for (const NamedValue& v : o.values) values[v.name] = v.value;
        objects.push_back({{"cell", o.cell},
                           {"position", cellStart(o.cell)},
                           {"km", kilometreText(cellStart(o.cell))},
                           {"kind", o.raw.kind},
                           {"kindName", o.kindName},
                           {"values", values.is_null() ? Json::object() : values},
                           {"text", o.text ? Json(*o.text) : Json(nullptr)},
                           {"fields", fieldsJson(o.raw)}});
    }
    json["objects"] = objects;
    Json runs = Json::array();
    for (const TrackRun& t : r.runs) {
        runs.push_back({{"firstCell", t.firstCell},
                        {"lastCell", t.lastCell},
                        {"from", cellStart(t.firstCell)},
                        {"to", cellStart(t.lastCell + 1)},
                        {"speedKmh", t.speedKmh},
                        {"gradient", t.gradient},
                        {"adhesion", t.adhesion},
                        {"zone", t.zone}});
    }
    json["track"] = runs;
    Json approaches = Json::array();
    for (const ApproachCode& a : r.approaches) {
        approaches.push_back({{"cell", a.cell}, {"code", a.code}});
    }
    json["approaches"] = approaches;
    return json;
}

Json trainJson(const scenario::LineTable& t, const TrainReport& r) {
    Json json;
    Json stations = Json::array();
    for (int i = 1; i <= r.layout.stationCount; ++i) {
        const scenario::LineRecord& s = t[static_cast<std::size_t>(i)];
        Json station = fieldsJson(s);
        station["entry"] = i;
        station["name"] = utf8FromWindows1252(s.text);
        station["time"] = clockText(s.long4);
        stations.push_back(station);
    }
    json["stations"] = stations;
    Json boards = Json::array();
    for (int e = 80; e >= r.layout.lowestBoard; --e) {
        boards.push_back(
            {{"entry", e}, {"text", utf8FromWindows1252(t[static_cast<std::size_t>(e)].text)}});
    }
    json["boards"] = boards;
    const auto& e84 = t[scenario::kTrainGeneral];
    const auto& e85 = t[scenario::kLineGeneral];
    const auto& e86 = t[scenario::kRepetitionEntry];
    Json progressives = Json::array();
    for (int e = scenario::kProgressiveTre; e <= scenario::kProgressiveUno; ++e) {
        const auto& p = t[static_cast<std::size_t>(e)];
        progressives.push_back(
            {{"entry", e}, {"long1", p.long1}, {"long2", p.long2}, {"long3", p.long3}});
    }
    json["general"] = {
        {"progressives", progressives},
        {"brakedMassPercent", e84.long1},
        {"lineLength", e84.long2},
        {"cars", e84.long3},
        {"background", {{"uno", e85.long1}, {"tre", e85.long2}, {"due", e85.long3}}},
        {"lineName", utf8FromWindows1252(e85.text)},
        {"formatStamp", e85.int1},
        {"weightedCode", e85.long4},
        {"repetition", {{"first", e86.long1}, {"second", e86.long2}, {"code", e86.long3}}},
        {"trainName", utf8FromWindows1252(e86.text)},
        {"sand", e86.int1},
        {"startClock", {{"hours", e86.int3}, {"minutes", e86.int4}, {"seconds", e86.int5}}},
    };
    json["codes"] = {{"text", utf8FromWindows1252(r.codes.text)},
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

bool allOk(const std::vector<ValueCheck>& checks) {
    return std::all_of(checks.begin(), checks.end(), [](const ValueCheck& c) { return c.ok(); });
}

}  // namespace

int runInspect(const InspectOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<LoadedFile> files;
    for (const std::string& path : options.files) {
        std::optional<CompiledKind> kind =
            options.kind ? compiledKindFromWord(*options.kind) : compiledKindFromName(path);
        if (!kind) {
            err << "scenario-tool: cannot tell what " << path
                << " holds from its name: give --kind plan|train|route\n";
            if (options.json) out << Json{{"files", Json::array()}, {"status", 2}}.dump() << '\n';
            return kInspectUnreadable;
        }
        files.push_back(loadCompiledFile(path, *kind));
    }

    int status = kInspectClean;
    Json reports = Json::array();
    for (const LoadedFile& file : files) {
        Json json;
        json["path"] = file.path;
        json["kind"] = std::string(kindWord(file.kind));
        int fileStatus = kInspectClean;
        if (!options.json) out << file.path << ": ";
        if (file.problem) {
            fileStatus = kInspectUnreadable;
            err << "scenario-tool: " << file.path << ": " << *file.problem << '\n';
            if (!options.json) out << *file.problem << '\n';
            json["problem"] = *file.problem;
        } else if (file.fault) {
            fileStatus = kInspectDamaged;
            err << "scenario-tool: " << file.path << ": " << describeFault(*file.fault) << '\n';
            if (!options.json) out << "damaged: " << describeFault(*file.fault) << '\n';
            json["fault"] = faultJson(*file.fault);
        } else if (const auto* route = file.route()) {
            const std::optional<LoadedFile> train = findCompanion(file, CompiledKind::train, files);
            const RouteReport r = routeReport(*route, train ? train->train() : nullptr);
            if (!allOk(r.checks) || !r.mismatches.empty()) fileStatus = kInspectMismatch;
            if (options.json) {
                json["trainFile"] = train ? Json(train->path) : Json(nullptr);
                json["route"] = routeJson(r);
            } else {
                printRoute(r, train ? std::optional<std::string>(train->path) : std::nullopt, out);
            }
        } else if (const auto* table = file.train()) {
            const std::optional<LoadedFile> route = findCompanion(file, CompiledKind::route, files);
            const TrainReport r = trainReport(*table, route ? route->route() : nullptr);
            if (!allOk(r.checks)) fileStatus = kInspectMismatch;
            if (options.json) {
                json["routeFile"] = route ? Json(route->path) : Json(nullptr);
                json["train"] = trainJson(*table, r);
            } else {
                printTrain(*table, r,
                           route ? std::optional<std::string>(route->path) : std::nullopt, out);
            }
        } else if (const auto* plan = file.plan()) {
            const PlanReport r = planReport(*plan);
            if (options.json) {
                json["plan"] = planJson(r);
            } else {
                printPlan(r, out);
            }
        }
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
