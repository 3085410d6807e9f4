#include "tools/object_sources.h"

#include <filesystem>
#include <map>
#include <vector>

#include "compiler/compilation.h"
#include "compiler/field_reader.h"
#include "compiler/rounding.h"
#include "tools/compiled_checks.h"

namespace tool {
namespace {

namespace fs = std::filesystem;
using namespace scenario::CellKind;

enum class RecordKind { signal, slowdown, mark, station, speedIndicator, locationBoard, mountain };

// A record that places objects: where it is written and the values that say which cells.
struct PlacingRecord {
    RecordKind kind;
    const DescriptionFile* file = nullptr;
    int line = 0;
    std::int64_t position = 0;
    std::int64_t second = 0;  // a slowdown's length, a mountain stretch's end
    bool countdown = false;   // a slowdown's f_ta is not 0
};

struct Keyword {
    const char* word;
    const char* alsoWord;  // a second word the field must hold, or nullptr
    RecordKind kind;
    int numbers;      // values after the keyword that are numbers
    bool endsInText;  // one text value follows them
};

// The records that place objects, with their values, as the readers know them.
constexpr Keyword kLineKeywords[] = {
    {"montagna", nullptr, RecordKind::mountain, 3, false},
    {"indicatori_v", nullptr, RecordKind::speedIndicator, 9, false},
    {"cartello", "indicat", RecordKind::locationBoard, 1, true},
};
constexpr Keyword kTrainKeywords[] = {
    {"segnale", nullptr, RecordKind::signal, 11, false},
    {"rallentamento", nullptr, RecordKind::slowdown, 6, false},
    {"abbattimento", nullptr, RecordKind::mark, 2, false},
    {"stazione", nullptr, RecordKind::station, 16, true},
};

std::string lowered(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// The placing records of one description, read field by field as the readers do: from the
// [generale] header on, a comment (a field with "-") or a field that names no placing record
// is passed over, and reading ends at the first field that cannot be read.
template <std::size_t N>
std::vector<PlacingRecord> placingRecords(const DescriptionFile& file,
                                          const Keyword (&keywords)[N]) {
    std::vector<PlacingRecord> records;
    scenario::FieldReader reader(file.bytes);
    bool started = false;
    try {
        while (!reader.atEnd()) {
            const std::string field = lowered(reader.readText());
            const int line = reader.fieldPlace().line;
            if (!started) {
                started = field.find("[generale]") != std::string::npos;
                continue;
            }
            if (field.find('-') != std::string::npos) continue;
            for (const Keyword& k : keywords) {
                if (field.find(k.word) == std::string::npos) continue;
                if (k.alsoWord && field.find(k.alsoWord) == std::string::npos) continue;
                PlacingRecord r{k.kind, &file, line};
                for (int i = 0; i < k.numbers; ++i) {
                    const std::int32_t v = reader.readInt32();
                    if (i == 0) r.position = v;
                    if (i == 1 && k.kind == RecordKind::mountain) r.second = v;
                    if (i == 2 && k.kind == RecordKind::slowdown) r.second = v;
                    if (i == 4 && k.kind == RecordKind::slowdown) r.countdown = v != 0;
                }
                if (k.endsInText) reader.readText();
                records.push_back(r);
                break;
            }
        }
    } catch (const scenario::ReadFailure&) {
        // The compiler stops reading this description here as well.
    }
    return records;
}

// The cells a record fills, each with the kind it puts there.
std::vector<std::pair<std::int64_t, std::uint8_t>> cellsOf(const PlacingRecord& r,
                                                           const scenario::LineTable& table) {
    using scenario::cellOf;
    switch (r.kind) {
        case RecordKind::signal:
            return {{cellOf(r.position, 1), kSignal}};
        case RecordKind::speedIndicator:
            return {{cellOf(r.position, 1), kSpeedIndicator}};
        case RecordKind::locationBoard:
            return {{cellOf(r.position, 1), kLocationBoard}};
        case RecordKind::mark:
            return {{cellOf(r.position, 0), kMark}, {cellOf(r.position, 0), kMarkWithoutSpeed}};
        case RecordKind::slowdown: {
            std::vector<std::pair<std::int64_t, std::uint8_t>> cells = {
                {cellOf(r.position, 1), kSlowdownStart},
                {cellOf(r.position + r.second, 1), kSlowdownEnd}};
            // Only a slowdown beyond 1500 m has a warning board, and its countdown with f_ta.
            if (r.position > 1500) cells.push_back({cellOf(r.position - 1200, 1), kWarningBoard});
            for (int i = 0; r.position > 1500 && r.countdown && i < 4; ++i) {
                cells.push_back({cellOf(r.position - 1200, 0) - i, kCountdown});
            }
            return cells;
        }
        case RecordKind::mountain: {
            std::vector<std::pair<std::int64_t, std::uint8_t>> cells;
            const std::int64_t first =
                scenario::roundHalfEven(static_cast<double>(r.position) / 50);
            const std::int64_t last =
                scenario::roundHalfEven(static_cast<double>(r.second) / 50) - 1;
            for (std::int64_t c = first; c <= last && c - first < 100000; ++c) {
                cells.push_back({c, kMountainMarker});
            }
            return cells;
        }
        case RecordKind::station:
            // The stop stands at the end of the station's area and names the station's entry,
            // which holds the position as written.
            for (int e = 1; e <= trainLayout(table).stationCount; ++e) {
                if (table[static_cast<std::size_t>(e)].long3 == r.position) {
                    return {{-e, kStationStop}};
                }
            }
            return {};
    }
    return {};
}

// The first cell where two routes differ, leaving out the stamps of cell 1 (the names given
// to the compilation are not those of the compiled files).
std::optional<std::size_t> firstDifference(const scenario::RouteTable& a,
                                           const scenario::RouteTable& b) {
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size()) return i;
        scenario::RouteCell x = a[i];
        scenario::RouteCell y = b[i];
        if (i == 1) {
            x.value1 = y.value1 = 0;
            x.value2 = y.value2 = 0;
        }
        if (!(x == y)) return i;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::pair<std::string, std::string>> descriptionsBeside(
    const std::string& routePath, const std::optional<std::string>& lineName) {
    const fs::path route(routePath);
    const std::string stem = route.stem().string();
    const fs::path dir = route.parent_path();
    std::error_code ec;
    const fs::path train = dir / (stem + "-.txt");
    if (!fs::is_regular_file(train, ec)) return std::nullopt;
    std::vector<std::string> lines;
    if (lineName) lines.push_back(*lineName);
    for (std::size_t i = stem.find('_'); i != std::string::npos; i = stem.find('_', i + 1)) {
        lines.push_back(stem.substr(0, i));
    }
    for (const std::string& x : lines) {
        if (x.empty() || stem.rfind(x + "_", 0) != 0) continue;
        const fs::path line = dir / (x + "_linea.txt");
        if (fs::is_regular_file(line, ec)) return std::pair{line.string(), train.string()};
    }
    return std::nullopt;
}

std::optional<std::string> attributeSources(RouteReport& report, const scenario::RouteTable& route,
                                            const DescriptionFile& line,
                                            const DescriptionFile& train) {
    // The names reach only the scenario codes in cell 1, which the comparison leaves out; only
    // the route is compared, so the plan's points are not computed.
    const scenario::Compilation compilation =
        scenario::compile({}, {scenario::inMemory(line.bytes), scenario::inMemory(train.bytes)},
                          {.planPoints = scenario::PlanPoints::drawingOnly});
    const scenario::ScenarioModel& model = compilation.model;
    if (const auto cell = firstDifference(model.routeTable, route)) {
        return "they do not compile to this route (cell " + std::to_string(*cell) + " differs)";
    }
    attributeCompiledSources(report, model.lineTable, line, train);
    return std::nullopt;
}

void attributeCompiledSources(RouteReport& report, const scenario::LineTable& table,
                              const DescriptionFile& line, const DescriptionFile& train) {
    std::map<std::int64_t, RouteObject*> byCell;
    std::map<std::int64_t, RouteObject*> stopByEntry;
    for (RouteObject& o : report.objects) {
        byCell[o.cell] = &o;
        if (o.raw.kind == kStationStop) stopByEntry.emplace(o.raw.value1, &o);
    }
    std::vector<PlacingRecord> records = placingRecords(line, kLineKeywords);
    for (const PlacingRecord& r : placingRecords(train, kTrainKeywords)) records.push_back(r);
    for (const PlacingRecord& r : records) {
        for (const auto& [cell, kind] : cellsOf(r, table)) {
            // A station's stop is found by the entry it names (given as -entry).
            const auto& index = kind == kStationStop ? stopByEntry : byCell;
            const auto found = index.find(kind == kStationStop ? -cell : cell);
            if (found == index.end()) continue;
            RouteObject& o = *found->second;
            if (o.raw.kind != kind || o.source) continue;
            o.source = r.file->path + ":" + std::to_string(r.line);
            o.written = r.position;
            o.writtenExact = true;
        }
    }
    // The compiler adds speed marks around slowdowns and before signals: a mark that no
    // "abbattimento" placed is one of those.
    for (RouteObject& o : report.objects) {
        if (o.raw.kind == kMark && !o.source) {
            o.addedByCompiler = true;
            o.written = std::nullopt;
        }
    }
}

}  // namespace tool

namespace tool {

std::vector<int> stationRecordLines(const scenario::LineTable& table,
                                    const DescriptionFile& train) {
    const int stations = trainLayout(table).stationCount;
    std::vector<int> lines(static_cast<std::size_t>(stations) + 1, 0);
    for (const PlacingRecord& r : placingRecords(train, kTrainKeywords)) {
        if (r.kind != RecordKind::station) continue;
        // Two stations may not share a position, so the first entry written there is its own.
        for (int e = 1; e <= stations; ++e) {
            if (lines[static_cast<std::size_t>(e)] == 0 &&
                table[static_cast<std::size_t>(e)].long3 == r.position) {
                lines[static_cast<std::size_t>(e)] = r.line;
                break;
            }
        }
    }
    return lines;
}

}  // namespace tool
