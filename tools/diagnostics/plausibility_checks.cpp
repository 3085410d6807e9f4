#include "tools/diagnostics/plausibility_checks.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "compiler/description_grammar.h"
#include "compiler/rounding.h"
#include "tools/diagnostics/source_context.h"

namespace tool {
namespace {

using scenario::Description;
using scenario::FieldSpan;
using scenario::RecordKind;
using Record = RecordTrace::Record;

std::string twoDigits(std::int64_t n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string clockText(std::int64_t seconds) {
    return std::to_string(seconds / 3600) + ":" + twoDigits(seconds / 60 % 60) + ":" +
           twoDigits(seconds % 60);
}

// What a drivable scenario lacks without a record of the kind.
std::string withoutIt(RecordKind kind) {
    switch (kind) {
        case RecordKind::brakedMass:
            return "the train is compiled with a braked-mass percentage of 0";
        case RecordKind::cars:
            return "the train is compiled with 0 cars";
        case RecordKind::speed:
            return "every cell gets a speed limit of 0";
        case RecordKind::adhesion:
            return "every cell gets an adhesion of 0";
        case RecordKind::station:
            return "the train has no station, so no timetable and no stop";
        default:
            return "the compiled files hold 0 where its values go";
    }
}

// Field indexes of the records looked at.
constexpr std::size_t kStationHours = 13;
constexpr std::size_t kSpeedValue = 1;
constexpr std::size_t kSlowdownLength = 2;
constexpr std::size_t kMountainEnd = 1;

class PlausibilityCheck {
  public:
    PlausibilityCheck(const RangeCheckInput& in, const RecordTrace& trace,
                      std::span<const std::string> disabled)
        : in_(in),
          trace_(trace),
          disabled_(disabled),
          lineLines_(in.lineBytes),
          trainLines_(in.trainBytes) {}

    RangeWarnings run() {
        for (const Record& r : trace_.records()) {
            if (r.kind == RecordKind::lineLength) lineLength_ = trace_.number(r, 0);
        }
        for (const Record& r : trace_.records()) {
            ++counts_[static_cast<std::size_t>(r.kind)];
            look(r);
        }
        for (const Description file : {Description::line, Description::train}) {
            if (const auto& ending = trace_.ending(file)) {
                endHeader(file, *ending);
                // While the pair fails, its failures come first.
                if (!trace_.failed()) missingRecords(file, *ending);
            }
        }
        for (auto* found : {&found_.line, &found_.train}) {
            std::stable_sort(found->begin(), found->end(), [](const auto& a, const auto& b) {
                return std::pair(a.line, a.column) < std::pair(b.line, b.column);
            });
        }
        return std::move(found_);
    }

  private:
    void look(const Record& r) {
        switch (r.kind) {
            case RecordKind::station:
                stationTime(r);
                stationName(r);
                pastEnd(r, 0, "station");
                break;
            case RecordKind::speed:
                zeroSpeed(r);
                firstStretch(r, firstSpeed_, "speed", "a speed limit of 0");
                break;
            case RecordKind::adhesion:
                firstStretch(r, firstAdhesion_, "adhesion", "an adhesion of 0");
                break;
            case RecordKind::signal:
                pastEnd(r, 0, "signal");
                break;
            case RecordKind::abbattimento:
                pastEnd(r, 0, "abbattimento mark");
                break;
            case RecordKind::speedIndicator:
                pastEnd(r, 0, "speed indicator board");
                break;
            case RecordKind::locationBoard:
                pastEnd(r, 0, "location board");
                break;
            case RecordKind::mountain:
                pastEnd(r, kMountainEnd, "mountain stretch's end");
                break;
            case RecordKind::slowdown:
                slowdownEnd(r);
                break;
            default:
                break;
        }
    }

    // Stations come in increasing position, so their times run forward; 0, 0, 0 is no time. A
    // time far earlier than the one before it is the next day's.
    void stationTime(const Record& r) {
        const auto h = trace_.number(r, kStationHours);
        const auto m = trace_.number(r, kStationHours + 1);
        const auto s = trace_.number(r, kStationHours + 2);
        if (!h || !m || !s) return;
        const std::int64_t time = (std::int64_t{*h} * 60 + *m) * 60 + *s;
        if (time == 0) return;
        if (lastTimed_ && time < lastTime_ && lastTime_ - time <= kMidnightGap) {
            const std::string before = std::string(trace_.text(*lastTimed_));
            warn(kTimeOrder, r, trace_.numberSpan(r, kStationHours),
                 "scheduled time " + clockText(time) + " is earlier than " + clockText(lastTime_) +
                     ", the time of the station before it" + (before.empty() ? "" : ", " + before) +
                     " (line " + std::to_string(lastTimed_->place.line) + ")",
                 "give the stations' times in the order the train reaches them; a time more "
                 "than 12 hours earlier is taken as the next day's");
        }
        lastTimed_ = &r;
        lastTime_ = time;
    }

    void stationName(const Record& r) {
        const std::string_view name = trace_.text(r);
        if (name.empty()) return;
        const auto [at, added] = stationNames_.try_emplace(std::string(name), &r);
        if (added) return;
        const Record& first = *at->second;
        warn(kRepeatedStation, r, r.textSpan,
             "station name \"" + std::string(name) + "\" is already the name of the station at " +
                 std::to_string(trace_.number(first, 0).value_or(0)) + " m (line " +
                 std::to_string(first.place.line) + ")",
             "give each station its own name");
    }

    void zeroSpeed(const Record& r) {
        const auto p = trace_.number(r, 0);
        const auto v = trace_.number(r, kSpeedValue);
        if (!p || !v || *v != 0) return;
        // Past the end of the line a limit of 0 stops the train where the line stops.
        if (lineLength_ && *p >= *lineLength_) return;
        warn(kZeroSpeed, r, trace_.numberSpan(r, kSpeedValue),
             "speed limit 0 km/h from " + std::to_string(*p) +
                 " m: the train may not move on from there",
             "give the line's speed limit there; a slowdown (rallentamento) lowers it for a "
             "stretch");
    }

    // The first record of a stretch kind fills the cells before its own with the value in force
    // when the reading starts, 0.
    void firstStretch(const Record& r, bool& seen, std::string_view what, std::string_view got) {
        if (seen) return;
        seen = true;
        const auto p = trace_.number(r, 0);
        if (!p) return;
        const std::int64_t cell = scenario::roundHalfEven(*p / 50.0);
        if (cell <= 0) return;
        warn(kStartUncovered, r, trace_.numberSpan(r, 0),
             "the first " + std::string(what) + " record starts at " + std::to_string(*p) +
                 " m: cells 0 to " + std::to_string(cell - 1) + " before it get " +
                 std::string(got),
             "begin with a " + std::string(what) + " record at position 0");
    }

    // A description whose reading stopped early stopped at a record outside the route, which
    // is an error of its own; its objects are not told twice.
    bool readThrough(const Record& r) const { return trace_.ending(r.file).has_value(); }

    void pastEnd(const Record& r, std::size_t field, std::string_view what) {
        const auto at = trace_.number(r, field);
        if (!at || !lineLength_ || *at <= *lineLength_ || !readThrough(r)) return;
        warn(kPastLineEnd, r, trace_.numberSpan(r, field),
             std::string(what) + " at " + std::to_string(*at) +
                 " m lies past the end of the line (" + std::to_string(*lineLength_) + " m)",
             "keep it on the line, at most " + std::to_string(*lineLength_) + " m");
    }

    void slowdownEnd(const Record& r) {
        const auto x = trace_.number(r, 0);
        const auto l = trace_.number(r, kSlowdownLength);
        if (!x || !l || *l <= 0 || !lineLength_ || !readThrough(r)) return;
        const std::int64_t end = std::int64_t{*x} + *l;
        if (end <= *lineLength_) return;
        warn(kPastLineEnd, r, trace_.numberSpan(r, *x > *lineLength_ ? 0 : kSlowdownLength),
             "slowdown from " + std::to_string(*x) + " m to " + std::to_string(end) +
                 " m ends past the end of the line (" + std::to_string(*lineLength_) + " m)",
             "end the slowdown on the line, at most " + std::to_string(*lineLength_) + " m");
    }

    void endHeader(Description file, const RecordTrace::Ending& ending) {
        if (!ending.valueAfter &&
            scenario::containsIgnoringCase(ending.lastWord, scenario::kEndHeading)) {
            return;
        }
        const std::string_view bytes = file == Description::line ? in_.lineBytes : in_.trainBytes;
        const SourceLines& lines = file == Description::line ? lineLines_ : trainLines_;
        const std::string lineEnd = bytes.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
        const bool endsLine = !bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r');
        Replacement fix{lines.count() + 1, 1, 0,
                        (endsLine ? "" : lineEnd) + std::string(scenario::kEndHeading) + lineEnd};
        if (!ending.valueAfter && !ending.lastWord.empty()) {
            warn(kMissingEndHeader, file, ending.lastWordSpan,
                 "the description ends with \"" + ending.lastWord +
                     "\", not with its [fine] line: the reader never examines a file's last "
                     "field, so this one is lost; the file may have been cut short",
                 "end the description with a [fine] line", std::move(fix));
            return;
        }
        warn(kMissingEndHeader, file, ending.lastValueSpan,
             "the description ends after a record, without its [fine] line: the file may have "
             "been cut short, and the compiler cannot tell",
             "end the description with a [fine] line", std::move(fix));
    }

    void missingRecords(Description file, const RecordTrace::Ending& ending) {
        const bool line = file == Description::line;
        for (const scenario::RecordGrammar& g : scenario::allRecords()) {
            if (!g.required || (g.section == scenario::Section::train) == line) continue;
            if (counts_[static_cast<std::size_t>(g.kind)] > 0) continue;
            // Told where the records end, before the closing heading, where it would be added.
            const FieldSpan at = ending.valueAfter || ending.lastWord.empty() ? ending.lastValueSpan
                                                                              : ending.lastWordSpan;
            warn(kMissingRecord, file, at,
                 "no \"" + std::string(g.spelling()) + "\" record: " + withoutIt(g.kind),
                 "add a \"" + std::string(g.spelling()) + "\" record");
        }
    }

    bool on(std::string_view rule) const {
        return std::find(disabled_.begin(), disabled_.end(), rule) == disabled_.end();
    }

    void warn(std::string_view rule, const Record& r, FieldSpan span, std::string message,
              std::string hint) {
        warn(rule, r.file, span.start.line > 0 ? span : FieldSpan{r.place, r.place},
             std::move(message), std::move(hint));
    }

    void warn(std::string_view rule, Description file, FieldSpan span, std::string message,
              std::string hint, std::optional<Replacement> fix = std::nullopt) {
        if (!on(rule)) return;
        const bool line = file == Description::line;
        Diagnostic d;
        d.severity = Severity::warning;
        d.rule = std::string(rule);
        d.file = line ? in_.lineFile : in_.trainFile;
        d.line = std::max(span.start.line, 1);
        d.column = std::max(span.start.column, 1);
        d.message = std::move(message);
        d.hint = std::move(hint);
        d.replacement = std::move(fix);
        attachSourceLine(d, line ? lineLines_ : trainLines_);
        (line ? found_.line : found_.train).push_back(std::move(d));
    }

    const RangeCheckInput& in_;
    const RecordTrace& trace_;
    std::span<const std::string> disabled_;
    SourceLines lineLines_;
    SourceLines trainLines_;
    std::optional<std::int32_t> lineLength_;
    std::vector<std::size_t> counts_ = std::vector<std::size_t>(scenario::allRecords().size());
    const Record* lastTimed_ = nullptr;
    std::int64_t lastTime_ = 0;
    std::unordered_map<std::string, const Record*> stationNames_;
    bool firstSpeed_ = false;
    bool firstAdhesion_ = false;
    RangeWarnings found_;
};

}  // namespace

RangeWarnings plausibilityWarnings(const RangeCheckInput& input, const RecordTrace& trace,
                                   std::span<const std::string> disabled) {
    return PlausibilityCheck(input, trace, disabled).run();
}

}  // namespace tool
