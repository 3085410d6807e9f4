#include "compiler/compiled_files.h"

#include <algorithm>

#include "compiler/coding.h"
#include "compiler/record_layout.h"

namespace scenario {

using namespace coding;

std::string linePlanFileName(std::string_view lineName) {
    return std::string(lineName) + "_linea.dat";
}

std::string trainFileName(std::string_view lineName, std::string_view trainName) {
    return std::string(lineName) + "_" + std::string(trainName) + ".sim";
}

std::string routeFileName(std::string_view lineName, std::string_view trainName) {
    return std::string(lineName) + "_" + std::string(trainName) + ".dat";
}

namespace {

// Stores each field little-endian at its width through a cursor into bytes already sized for
// the whole table (a route runs to tens of thousands of cells); a text as its 16-bit length and
// its bytes.
struct FieldStore {
    char*& out;
    void operator()(const char*, std::uint8_t v) const { *out++ = static_cast<char>(v); }
    void operator()(const char*, std::int16_t v) const {
        out = storeLittleEndian(out, static_cast<std::uint16_t>(v));
    }
    void operator()(const char*, std::int32_t v) const {
        out = storeLittleEndian(out, static_cast<std::uint32_t>(v));
    }
    void operator()(const char*, const std::string& v) const {
        out = storeLittleEndian(out, static_cast<std::uint16_t>(v.size()));
        out = std::copy(v.begin(), v.end(), out);
    }
};

}  // namespace

std::string encodeLineTable(const LineTable& table) {
    std::size_t size = 0;
    for (const LineRecord& r : table) size += kLineRecordBytes + r.text.size();
    std::string bytes(size, '\0');
    char* out = bytes.data();
    for (const LineRecord& r : table) forEachField(r, FieldStore{out});
    return bytes;
}

std::string encodeRouteTable(const RouteTable& table) {
    std::string bytes(table.size() * kRouteCellBytes, '\0');
    char* out = bytes.data();
    for (const RouteCell& c : table) forEachField(c, FieldStore{out});
    return bytes;
}

std::vector<CompiledFile> compiledFiles(const ScenarioModel& model) {
    std::vector<CompiledFile> files;
    if (model.makeTrackPlan != 0) {
        files.push_back({linePlanFileName(model.lineName), [&model](const ByteSink& sink) {
                             encodeTrackPlan(model.trackPlan, sink);
                         }});
    }
    files.push_back({trainFileName(model.lineName, model.trainName),
                     [&model](const ByteSink& sink) { sink(encodeLineTable(model.lineTable)); }});
    files.push_back({routeFileName(model.lineName, model.trainName),
                     [&model](const ByteSink& sink) { sink(encodeRouteTable(model.routeTable)); }});
    return files;
}

}  // namespace scenario
