#include "compiler/compiled_files.h"

#include <algorithm>
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

namespace {

// Stores variants straight into a fixed buffer handed over in 64 KiB pieces: the plan of a long
// line is tens of megabytes, and building it a byte at a time would cost more than computing it.
class VariantWriter {
  public:
    explicit VariantWriter(const ChunkSink& sink) : sink_(sink) {}
    VariantWriter(const VariantWriter&) = delete;
    VariantWriter& operator=(const VariantWriter&) = delete;

    void empty() { put(storeLittleEndian(out_, tagOf(PlanTag::empty))); }
    void integer(std::int16_t v) {
        put(storeLittleEndian(storeLittleEndian(out_, tagOf(PlanTag::integer)),
                              static_cast<std::uint16_t>(v)));
    }
    void real(double v) {
        put(storeLittleEndian(storeLittleEndian(out_, tagOf(PlanTag::real)),
                              std::bit_cast<std::uint64_t>(v)));
    }
    void finish() {
        if (out_ > begin()) sink_(std::string_view(begin(), used()));
        out_ = begin();
    }

  private:
    static constexpr std::size_t kChunk = 1 << 16;
    static constexpr std::size_t kLargestVariant = 10;
    static std::uint16_t tagOf(PlanTag tag) { return static_cast<std::uint16_t>(tag); }
    char* begin() { return buffer_.data(); }
    std::size_t used() { return static_cast<std::size_t>(out_ - begin()); }
    void put(char* end) {
        out_ = end;
        if (used() >= kChunk) finish();
    }

    const ChunkSink& sink_;
    std::array<char, kChunk + kLargestVariant> buffer_;
    char* out_ = buffer_.data();
};

void encodeStoredPoints(const TrackPlan& plan, VariantWriter& out) {
    for (int coord = 0; coord < 2; ++coord) {
        const std::uint8_t* tags = plan.tags(coord);
        const double* values = plan.values(coord);
        for (std::int64_t point = 0; point < plan.points(); ++point) {
            const auto tag = static_cast<PlanTag>(tags[point]);
            if (tag == PlanTag::real) {
                out.real(values[point]);
            } else if (tag == PlanTag::integer) {
                out.integer(static_cast<std::int16_t>(values[point]));
            } else {
                out.empty();
            }
        }
    }
}

// Computes the drawing's points as they are encoded, once for the x values and once for the y
// values: no megabytes of points are ever stored.
void encodeDrawing(const TrackPlan& plan, VariantWriter& out) {
    for (int coord = 0; coord < 2; ++coord) {
        if (plan.startDrawn()) {
            out.integer(0);
            out.integer(coord == 0 ? 0 : 1);
        } else {
            out.empty();
            out.empty();
        }
        if (coord == 0) {
            plan.forEachDrawnPoint([&out](std::int64_t, double x, double) { out.real(x); });
        } else {
            plan.forEachDrawnPoint([&out](std::int64_t, double, double y) { out.real(y); });
        }
        for (std::int64_t point = plan.nextPoint(); point < plan.points(); ++point) out.empty();
    }
}

}  // namespace

void encodeTrackPlan(const TrackPlan& plan, const ChunkSink& sink) {
    VariantWriter out(sink);
    if (plan.pointsStored()) {
        encodeStoredPoints(plan, out);
    } else {
        encodeDrawing(plan, out);
    }
    out.finish();
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
