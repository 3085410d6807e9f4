#include "tools/diagnostics/range_checks.h"

#include <optional>
#include <span>

#include "compiler/cell_values.h"
#include "compiler/compilation.h"
#include "compiler/error_codes.h"
#include "compiler/rounding.h"
#include "tools/descriptions/record_trace.h"
#include "tools/diagnostics/source_context.h"

namespace tool {
namespace {

using scenario::RecordKind;
using scenario::ValueRange;

// Whole numbers as the format reference writes them, with a minus sign rather than a hyphen.
std::string signedText(std::int64_t n) {
    return (n < 0 ? "\u2212" : "") + std::to_string(n < 0 ? -n : n);
}

bool inRange(const ValueRange& range, std::int64_t v) {
    if (range.kind != ValueRange::Kind::between) return true;
    if (v >= range.low && v <= range.high) return true;
    return range.secondHigh > range.secondLow && v >= range.secondLow && v <= range.secondHigh;
}

std::string twoDigits(std::int64_t n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// The values of one record as read, by field.
class ReadValues {
  public:
    ReadValues(const RecordTrace& trace, const RecordTrace::Record& r) : trace_(trace), r_(r) {}
    std::optional<std::int64_t> at(std::size_t i) const { return trace_.number(r_, i); }
    std::string_view name(std::size_t i) const {
        return scenario::recordGrammar(r_.kind).fields()[i].name;
    }

  private:
    const RecordTrace& trace_;
    const RecordTrace::Record& r_;
};

// A signal's aspects are stored in pairs, s × 10 + d: a digit beyond 9 spills into the other.
std::string aspectNote(const ReadValues& values, std::size_t i) {
    constexpr std::size_t kFirstLeft = 2;
    constexpr std::size_t kFirstRight = 7;
    const bool left = i < kFirstRight;
    const std::size_t s = left ? i : i - (kFirstRight - kFirstLeft);
    const std::size_t d = s + (kFirstRight - kFirstLeft);
    const auto sv = values.at(s);
    const auto dv = values.at(d);
    if (!sv || !dv) return "";
    const std::int16_t packed =
        scenario::packAspects(static_cast<std::int32_t>(*sv), static_cast<std::int32_t>(*dv));
    const scenario::PackedPair back = scenario::unpackAspects(packed);
    std::string note =
        "is stored with " + std::string(values.name(left ? d : s)) + " as " + signedText(packed);
    if (back.high != *sv || back.low != *dv) {
        note += ", which reads back as " + std::string(values.name(s)) + " " +
                signedText(back.high) + " and " + std::string(values.name(d)) + " " +
                signedText(back.low);
    }
    return note;
}

// A station's time is stored as seconds after midnight: minutes or seconds beyond 59 carry
// into the next hour or minute.
std::string scheduledNote(const ReadValues& values) {
    constexpr std::size_t kHours = 13;
    const auto h = values.at(kHours);
    const auto m = values.at(kHours + 1);
    const auto s = values.at(kHours + 2);
    if (!h || !m || !s) return "";
    const std::int64_t time = (*h * 60 + *m) * 60 + *s;
    const auto part = [](std::int64_t v) {
        return v >= 0 && v < 100 ? twoDigits(v) : signedText(v);
    };
    const std::string written = signedText(*h) + ":" + part(*m) + ":" + part(*s);
    if (time < 0 || time >= 24 * 3600) {
        return "makes the time " + written + ", stored as " + signedText(time) +
               " seconds after midnight, outside the day";
    }
    return "makes the time " + written + ", stored as " + std::to_string(time / 3600) + ":" +
           twoDigits(time / 60 % 60) + ":" + twoDigits(time % 60);
}

std::string storedAs(std::int64_t written, std::int64_t stored) {
    return stored == written ? "" : "is stored as " + signedText(stored);
}

// What the compiled files hold for field `i` of a record, in words that follow the value, where
// it differs from what was written; empty where it is what was written.
std::string storedNote(RecordKind kind, const ReadValues& values, std::size_t i) {
    const std::int64_t v = *values.at(i);
    switch (kind) {
        case RecordKind::gradient:
            // Stored + 100 in a byte, and read back less 100.
            return storedAs(v, std::int64_t{scenario::low8(v + 100)} - 100);
        case RecordKind::speed: {
            const std::int64_t units = scenario::roundHalfEven(static_cast<double>(v) / 5.0);
            if (units >= 0 && units <= 255) return "";
            return "cannot be stored: a cell holds at most 255 units of 5 km/h, and the "
                   "compilation fails at this value (error " +
                   std::to_string(scenario::codeNumber(scenario::ErrorCode::readFailure)) + ")";
        }
        case RecordKind::adhesion:
            return storedAs(v, scenario::low8(v));
        case RecordKind::signal: {
            constexpr std::size_t kSx = 1;
            constexpr std::size_t kTempo = 10;
            if (i != kTempo) return aspectNote(values, i);
            if (values.at(kSx) != 2) return "is not kept, as sx is not 2";
            return storedAs(v, scenario::low8(v >= 1 && v <= 100 ? 101 : v));
        }
        case RecordKind::slowdown:
        case RecordKind::abbattimento:
            return storedAs(v, scenario::low16(v));
        case RecordKind::station:
            return scheduledNote(values);
        default:
            return "";
    }
}

class RangeCheck {
  public:
    explicit RangeCheck(const RangeCheckInput& in)
        : in_(in), lineLines_(in.lineBytes), trainLines_(in.trainBytes) {}

    RangeWarnings run(const RecordTrace& trace) {
        for (const RecordTrace::Record& r : trace.records()) check(trace, r);
        return std::move(found_);
    }

  private:
    void check(const RecordTrace& trace, const RecordTrace::Record& r) {
        // A line length out of its range is an error the compiler records at the record.
        if (r.kind == RecordKind::lineLength) return;
        const scenario::RecordGrammar& grammar = scenario::recordGrammar(r.kind);
        const ReadValues values(trace, r);
        const std::span<const scenario::FieldGrammar> fields = grammar.fields();
        for (std::size_t i = 0; i < r.numberCount && i < fields.size(); ++i) {
            const scenario::FieldGrammar& field = fields[i];
            const std::int64_t v = *values.at(i);
            if (inRange(field.range, v)) continue;
            std::string head = std::string(field.name) + " " + signedText(v);
            if (!field.unit.empty()) head += " " + std::string(field.unit);
            const std::string note = storedNote(r.kind, values, i);
            const std::string range = scenario::rangeText(field.range);
            warn(
                r, trace.numberSpan(r, i),
                head + (note.empty() ? " is out of range" : " " + note) + "; the range is " + range,
                "write a value from " + range + ", as the format reference documents for \"" +
                    std::string(grammar.spelling()) + "\"");
        }
    }

    void warn(const RecordTrace::Record& r, scenario::FieldSpan span, std::string message,
              std::string hint) {
        const bool line = r.file == scenario::Description::line;
        Diagnostic d;
        d.severity = Severity::warning;
        d.rule = std::string(kValueOutOfRange);
        d.file = line ? in_.lineFile : in_.trainFile;
        d.line = span.start.line;
        d.column = span.start.column;
        d.message = std::move(message);
        d.hint = std::move(hint);
        attachSourceLine(d, line ? lineLines_ : trainLines_);
        (line ? found_.line : found_.train).push_back(std::move(d));
    }

    const RangeCheckInput& in_;
    SourceLines lineLines_;
    SourceLines trainLines_;
    RangeWarnings found_;
};

}  // namespace

RecordTrace traceOf(const RangeCheckInput& input) {
    RecordTrace trace;
    // The names reach only the scenario codes, which nothing here looks at.
    const scenario::Compilation compilation = scenario::compile(
        {"LINE", "TRAIN"},
        {scenario::inMemory(input.lineBytes), scenario::inMemory(input.trainBytes)},
        {.makeTrackPlan = input.trackPlan ? 1 : 0,
         .observer = &trace,
         .planPoints = scenario::PlanPoints::drawingOnly});
    trace.setFailed(compilation.model.error.errorCode != scenario::ErrorCode::none);
    return trace;
}

RangeWarnings rangeWarnings(const RangeCheckInput& input, const RecordTrace& trace) {
    return RangeCheck(input).run(trace);
}

}  // namespace tool
