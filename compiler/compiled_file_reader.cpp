#include "compiler/compiled_file_reader.h"

#include <cstdint>
#include <vector>

#include "compiler/coding.h"
#include "compiler/compiled_files.h"
#include "compiler/record_layout.h"

namespace scenario {
namespace {

class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
    std::size_t offset() const { return at_; }
    bool atEnd() const { return at_ == bytes_.size(); }

    const char* take(std::size_t n, const char* what) {
        if (bytes_.size() - at_ < n) {
            throw DecodeError(std::string("the file ends inside ") + what, at_);
        }
        const char* p = bytes_.data() + at_;
        at_ += n;
        return p;
    }

    void operator()(const char* name, std::uint8_t& v) {
        v = static_cast<std::uint8_t>(*take(1, name));
    }
    void operator()(const char* name, std::int16_t& v) {
        v = static_cast<std::int16_t>(coding::decodeFixed16(take(2, name)));
    }
    void operator()(const char* name, std::int32_t& v) {
        v = static_cast<std::int32_t>(coding::decodeFixed32(take(4, name)));
    }
    void operator()(const char* name, std::string& v) {
        const std::size_t n = coding::decodeFixed16(take(2, name));
        v.assign(take(n, name), n);
    }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

}  // namespace

RouteTable decodeRouteTable(std::string_view bytes) {
    if (bytes.size() % kRouteCellBytes != 0) {
        throw DecodeError("the route file's size is not a whole number of 15-byte cells",
                          bytes.size() - bytes.size() % kRouteCellBytes);
    }
    RouteTable table(bytes.size() / kRouteCellBytes);
    ByteReader in(bytes);
    for (RouteCell& cell : table) forEachField(cell, in);
    return table;
}

LineTable decodeLineTable(std::string_view bytes) {
    LineTable table{};
    ByteReader in(bytes);
    for (LineRecord& record : table) forEachField(record, in);
    if (!in.atEnd()) throw DecodeError("bytes follow the 87th entry", in.offset());
    return table;
}

TrackPlan decodeTrackPlan(std::string_view bytes) {
    // The two halves hold the same number of variants; count them on a first pass.
    ByteReader in(bytes);
    std::vector<std::uint8_t> tags;
    std::vector<double> values;
    while (!in.atEnd()) {
        const std::size_t at = in.offset();
        // The tag is a whole 16-bit value: only 0, 2 and 5 are variants of the plan.
        const std::uint16_t rawTag = coding::decodeFixed16(in.take(2, "a variant tag"));
        const auto tag = static_cast<PlanTag>(rawTag & 0xFF);
        double value = 0.0;
        if (rawTag == static_cast<std::uint16_t>(PlanTag::integer)) {
            value = static_cast<std::int16_t>(coding::decodeFixed16(in.take(2, "a 16-bit point")));
        } else if (rawTag == static_cast<std::uint16_t>(PlanTag::real)) {
            value = coding::decodeDouble(in.take(8, "a double point"));
        } else if (rawTag != static_cast<std::uint16_t>(PlanTag::empty)) {
            throw DecodeError("unknown variant tag " + std::to_string(rawTag), at);
        }
        tags.push_back(static_cast<std::uint8_t>(tag));
        values.push_back(value);
    }
    if (tags.size() % 2 != 0 || tags.empty()) {
        throw DecodeError("the plan does not hold as many y values as x values", bytes.size());
    }
    TrackPlan plan;
    const auto points = static_cast<std::int64_t>(tags.size() / 2);
    plan.dimension(points);
    for (int coord = 0; coord < 2; ++coord) {
        for (std::int64_t p = 0; p < points; ++p) {
            const std::size_t i = static_cast<std::size_t>(coord * points + p);
            if (tags[i] == static_cast<std::uint8_t>(PlanTag::integer)) {
                plan.setInteger(p, coord, static_cast<std::int16_t>(values[i]));
            } else if (tags[i] == static_cast<std::uint8_t>(PlanTag::real)) {
                plan.setReal(p, coord, values[i]);
            }
        }
    }
    return plan;
}

}  // namespace scenario
