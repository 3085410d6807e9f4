#include "compiler/compiled_files.h"

#include <array>
#include <bit>

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

void encodeTrackPlan(const TrackPlan& plan, const ByteSink& sink) {
    // The variants go straight into a fixed buffer handed over in 64 KiB pieces: the plan of
    // a long line is tens of megabytes, and building it a byte at a time would cost more than
    // computing it.
    constexpr std::size_t kChunk = 1 << 16;
    constexpr std::size_t kLargestVariant = 10;
    std::array<char, kChunk + kLargestVariant> buffer;
    char* const begin = buffer.data();
    char* const full = begin + kChunk;
    char* out = begin;
    constexpr auto kInteger = static_cast<std::uint8_t>(PlanTag::integer);
    constexpr auto kReal = static_cast<std::uint8_t>(PlanTag::real);
    for (int coord = 0; coord < 2; ++coord) {
        const std::uint8_t* tags = plan.tags(coord);
        const double* values = plan.values(coord);
        for (std::int64_t point = 0; point < plan.points(); ++point) {
            const std::uint8_t tag = tags[point];
            out = storeLittleEndian(out, static_cast<std::uint16_t>(tag));
            if (tag == kReal) {
                out = storeLittleEndian(out, std::bit_cast<std::uint64_t>(values[point]));
            } else if (tag == kInteger) {
                out = storeLittleEndian(
                    out, static_cast<std::uint16_t>(static_cast<std::int16_t>(values[point])));
            }
            if (out >= full) {
                sink(std::string_view(begin, static_cast<std::size_t>(out - begin)));
                out = begin;
            }
        }
    }
    if (out > begin) sink(std::string_view(begin, static_cast<std::size_t>(out - begin)));
}

namespace {

// Appends each field little-endian at its width; a text as its 16-bit length and its bytes.
struct FieldWriter {
    std::string& out;
    void operator()(const char*, std::uint8_t v) const { putFixed8(out, v); }
    void operator()(const char*, std::int16_t v) const { putInt16(out, v); }
    void operator()(const char*, std::int32_t v) const { putInt32(out, v); }
    void operator()(const char*, const std::string& v) const {
        putFixed16(out, static_cast<std::uint16_t>(v.size()));
        out += v;
    }
};

}  // namespace

std::string encodeLineTable(const LineTable& table) {
    std::string out;
    for (const LineRecord& r : table) forEachField(r, FieldWriter{out});
    return out;
}

std::string encodeRouteTable(const RouteTable& table) {
    std::string out;
    out.reserve(table.size() * kRouteCellBytes);
    for (const RouteCell& c : table) forEachField(c, FieldWriter{out});
    return out;
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
