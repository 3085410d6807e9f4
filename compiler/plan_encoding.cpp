// The line plan file: every point's variant, all x values and then all y values, each a 16-bit
// tag and its payload.
#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <vector>

#include "compiler/coding.h"
#include "compiler/compiled_files.h"

namespace scenario {
namespace {

using coding::storeLittleEndian;

constexpr std::size_t kRealBytes = 10;

char* storeReal(char* out, double v) {
    out = storeLittleEndian(out, static_cast<std::uint16_t>(PlanTag::real));
    return storeLittleEndian(out, std::bit_cast<std::uint64_t>(v));
}

// Stores variants straight into a fixed buffer handed over in 64 KiB pieces: the plan of a long
// line is tens of megabytes, and building it a byte at a time would cost more than computing it.
class VariantWriter {
  public:
    static constexpr std::size_t kChunk = 1 << 16;

    explicit VariantWriter(const ByteSink& sink) : sink_(sink) {}
    VariantWriter(const VariantWriter&) = delete;
    VariantWriter& operator=(const VariantWriter&) = delete;

    void empty() { moveTo(storeLittleEndian(out_, tagOf(PlanTag::empty))); }
    void integer(std::int16_t v) {
        moveTo(storeLittleEndian(storeLittleEndian(out_, tagOf(PlanTag::integer)),
                                 static_cast<std::uint16_t>(v)));
    }
    void real(double v) { moveTo(storeReal(out_, v)); }

    // Room for `bytes` (at most a chunk) stored directly; wrote() then moves past them.
    char* room(std::size_t bytes) {
        if (used() + bytes > buffer_.size()) finish();
        return out_;
    }
    void wrote(std::size_t bytes) { moveTo(out_ + bytes); }

    void finish() {
        if (used() != 0) sink_(std::string_view(buffer_.data(), used()));
        out_ = buffer_.data();
    }

  private:
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

// The y values are computed in lanes walking side by side: a point depends on the two before
// it, so a single walk waits on every step, while lanes started from cursors that the x values'
// walk left behind keep the processor busy and give the same doubles. The lanes of a group
// store into one chunk, each its own stretch of it.
constexpr std::size_t kLanes = 4;
constexpr std::int64_t kLanePoints = 1600;
static_assert(kLanes * kLanePoints * kRealBytes <= VariantWriter::kChunk);

void encodeYValuesInLanes(const TrackPlan& plan, const std::vector<PlanCursor>& laneStarts,
                          VariantWriter& out) {
    for (std::size_t group = 0; group < laneStarts.size(); group += kLanes) {
        const std::size_t lanes = std::min(kLanes, laneStarts.size() - group);
        const std::int64_t first = laneStarts[group].next;
        const std::int64_t end =
            group + lanes < laneStarts.size() ? laneStarts[group + lanes].next : plan.nextPoint();
        const auto bytes = static_cast<std::size_t>(end - first) * kRealBytes;
        char* const base = out.room(bytes);
        std::array<PlanCursor, kLanes> cursor{};
        std::array<std::int64_t, kLanes> last{};
        std::array<char*, kLanes> at{};
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            cursor[lane] = laneStarts[group + lane];
            last[lane] = (lane + 1 < lanes ? laneStarts[group + lane + 1].next : end) - 1;
            at[lane] = base + static_cast<std::size_t>(cursor[lane].next - first) * kRealBytes;
        }
        for (;;) {
            // The lanes still walking, and how many steps all of them take inside their
            // stretches.
            std::array<std::size_t, kLanes> walking{};
            std::array<double, kLanes> turnRate{};
            std::size_t count = 0;
            std::int64_t steps = std::numeric_limits<std::int64_t>::max();
            for (std::size_t lane = 0; lane < lanes; ++lane) {
                if (cursor[lane].next > last[lane]) continue;
                const PlanStretch& stretch = plan.stretchAt(cursor[lane]);
                steps = std::min(steps, std::min(last[lane], stretch.last) - cursor[lane].next + 1);
                turnRate[lane] = stretch.turnRate;
                walking[count++] = lane;
            }
            if (count == 0) break;
            for (std::int64_t step = 0; step < steps; ++step) {
                for (std::size_t i = 0; i < count; ++i) {
                    const std::size_t lane = walking[i];
                    cursor[lane].points.step(turnRate[lane]);
                    at[lane] = storeReal(at[lane], cursor[lane].points.y1);
                }
            }
            for (std::size_t i = 0; i < count; ++i) {
                PlanCursor& c = cursor[walking[i]];
                c.next += steps;
                if (c.next > plan.stretchAt(c).last) ++c.stretch;
            }
        }
        out.wrote(bytes);
    }
}

// Points 0 and 1 of one coordinate, as drawn: (0, 0) and (0, 1), or empty.
void encodeStart(const TrackPlan& plan, int coord, VariantWriter& out) {
    if (plan.startDrawn()) {
        out.integer(0);
        out.integer(coord == 0 ? 0 : 1);
    } else {
        out.empty();
        out.empty();
    }
}

void encodeUndrawnRest(const TrackPlan& plan, VariantWriter& out) {
    for (std::int64_t point = plan.nextPoint(); point < plan.points(); ++point) out.empty();
}

// Computes the drawing's points as they are encoded: no megabytes of points are ever stored.
void encodeDrawing(const TrackPlan& plan, VariantWriter& out) {
    encodeStart(plan, 0, out);
    std::vector<PlanCursor> laneStarts;
    PlanCursor cursor = plan.startOfDrawing();
    while (cursor.next < plan.nextPoint()) {
        laneStarts.push_back(cursor);
        plan.drawPoints(cursor, cursor.next + kLanePoints - 1,
                        [&out](std::int64_t, double x, double) { out.real(x); });
    }
    encodeUndrawnRest(plan, out);

    encodeStart(plan, 1, out);
    encodeYValuesInLanes(plan, laneStarts, out);
    encodeUndrawnRest(plan, out);
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
