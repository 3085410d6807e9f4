#include "compiler/compiled_files.h"

#include "compiler/coding.h"

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

void encodeTrackPlan(const TrackPlan& plan, const ChunkSink& sink) {
    constexpr std::size_t kChunk = 1 << 16;
    std::string out;
    out.reserve(kChunk + 16);
    for (int coord = 0; coord < 2; ++coord) {
        for (std::int64_t point = 0; point < plan.points(); ++point) {
            const PlanValue v = plan.at(point, coord);
            putFixed16(out, static_cast<std::uint16_t>(v.tag));
            if (v.tag == PlanTag::integer) {
                putInt16(out, static_cast<std::int16_t>(v.value));
            } else if (v.tag == PlanTag::real) {
                putDouble(out, v.value);
            }
            if (out.size() >= kChunk) {
                sink(out);
                out.clear();
            }
        }
    }
    if (!out.empty()) sink(out);
}

std::string encodeLineTable(const LineTable& table) {
    std::string out;
    for (const LineRecord& r : table) {
        putFixed8(out, r.kind);
        putInt32(out, r.long1);
        putInt32(out, r.long2);
        putInt32(out, r.long3);
        putFixed8(out, r.flag);
        putFixed16(out, static_cast<std::uint16_t>(r.text.size()));
        out += r.text;
        putInt16(out, r.int1);
        putInt16(out, r.int2);
        putInt16(out, r.int3);
        putInt16(out, r.int4);
        putInt16(out, r.int5);
        putFixed8(out, r.byte1);
        putFixed8(out, r.byte2);
        putFixed8(out, r.byte3);
        putFixed8(out, r.byte4);
        putInt32(out, r.long4);
    }
    return out;
}

std::string encodeRouteTable(const RouteTable& table) {
    std::string out;
    out.reserve(table.size() * kRouteCellBytes);
    for (const RouteCell& c : table) {
        putFixed8(out, c.kind);
        putInt16(out, c.value1);
        putInt16(out, c.value2);
        putInt16(out, c.value3);
        putInt16(out, c.value4);
        putFixed8(out, c.timing);
        putFixed8(out, c.approach);
        putFixed8(out, c.zone);
        putFixed8(out, c.speedLimit);
        putFixed8(out, c.gradient);
        putFixed8(out, c.adhesion);
    }
    return out;
}

std::vector<CompiledFile> compiledFiles(const ScenarioModel& model) {
    std::vector<CompiledFile> files;
    if (model.makeTrackPlan != 0) {
        files.push_back({linePlanFileName(model.lineName), [&model](const ChunkSink& sink) {
                             encodeTrackPlan(model.trackPlan, sink);
                         }});
    }
    files.push_back({trainFileName(model.lineName, model.trainName),
                     [&model](const ChunkSink& sink) { sink(encodeLineTable(model.lineTable)); }});
    files.push_back(
        {routeFileName(model.lineName, model.trainName),
         [&model](const ChunkSink& sink) { sink(encodeRouteTable(model.routeTable)); }});
    return files;
}

}  // namespace scenario
