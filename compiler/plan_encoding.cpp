// The line plan file: every point's variant, all x values and then all y values, each a 16-bit
// tag and its payload.
#include <array>
#include <bit>

#include "compiler/coding.h"
#include "compiler/compiled_files.h"

namespace scenario {
namespace {

using coding::storeLittleEndian;

// Stores variants straight into a fixed buffer handed over in 64 KiB pieces: the plan of a long
// line is tens of megabytes, and building it a byte at a time would cost more than computing it.
class VariantWriter {
  public:
    explicit VariantWriter(const ByteSink& sink) : sink_(sink) {}
    VariantWriter(const VariantWriter&) = delete;
    VariantWriter& operator=(const VariantWriter&) = delete;

    void empty() { moveTo(storeLittleEndian(out_, tagOf(PlanTag::empty))); }
    void integer(std::int16_t v) {
        moveTo(storeLittleEndian(storeLittleEndian(out_, tagOf(PlanTag::integer)),
                                 static_cast<std::uint16_t>(v)));
    }
    void real(double v) {
        moveTo(storeLittleEndian(storeLittleEndian(out_, tagOf(PlanTag::real)),
                                 std::bit_cast<std::uint64_t>(v)));
    }

    void finish() {
        if (used() != 0) sink_(std::string_view(buffer_.data(), used()));
        out_ = buffer_.data();
    }

  private:
    static constexpr std::size_t kChunk = 1 << 16;
    static constexpr std::size_t kLargestVariant = 10;
    static std::uint16_t tagOf(PlanTag tag) { return static_cast<std::uint16_t>(tag); }
    std::size_t used() const { return static_cast<std::size_t>(out_ - buffer_.data()); }
    void moveTo(char* end) {
        out_ = end;
        if (used() >= kChunk) finish();
    }

    const ByteSink& sink_;
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

// Points 0 and 1 of one coordinate: their start points when drawn, else empty.
void encodeStart(const TrackPlan& plan, int coord, VariantWriter& out) {
    if (plan.startDrawn()) {
        out.integer(kStartPoints[0][coord]);
        out.integer(kStartPoints[1][coord]);
    } else {
        out.empty();
        out.empty();
    }
}

void encodeUndrawnRest(const TrackPlan& plan, VariantWriter& out) {
    for (std::int64_t point = plan.nextPoint(); point < plan.points(); ++point) out.empty();
}

// Computes the drawing's points as they are encoded, in one walk for the x values and another
// for the y values: no megabytes of points are ever stored. (Walking lanes side by side for the
// y values was tried, and was slower.)
void encodeDrawing(const TrackPlan& plan, VariantWriter& out) {
    for (int coord = 0; coord < 2; ++coord) {
        encodeStart(plan, coord, out);
        if (coord == 0) {
            plan.forEachDrawnPoint([&out](std::int64_t, double x, double) { out.real(x); });
        } else {
            plan.forEachDrawnPoint([&out](std::int64_t, double, double y) { out.real(y); });
        }
        encodeUndrawnRest(plan, out);
    }
}

}  // namespace

void encodeTrackPlan(const TrackPlan& plan, const ByteSink& sink) {
    VariantWriter out(sink);
    if (plan.pointsStored()) {
        encodeStoredPoints(plan, out);
    } else {
        encodeDrawing(plan, out);
    }
    out.finish();
}

}  // namespace scenario
