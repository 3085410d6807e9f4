#include "tools/diagnostics/check_errors.h"

#include <algorithm>
#include <initializer_list>
#include <set>
#include <utility>

#include "compiler/compilation.h"
#include "compiler/error_codes.h"
#include "compiler/field_reader.h"
#include "tools/descriptions/record_trace.h"
#include "tools/diagnostics/failure_report.h"
#include "tools/diagnostics/outside_route.h"
#include "tools/diagnostics/source_context.h"

namespace tool {
namespace {

using scenario::Description;
using scenario::ErrorCode;

// A record found the cell of one of its objects taken.
constexpr std::initializer_list<ErrorCode> kCellTakenByRecord{
    ErrorCode::locationBoardCellTaken,
    ErrorCode::abbattimentoCellTaken,
    ErrorCode::signalCellTaken,
    ErrorCode::slowdownWarningBoardCellTaken,
    ErrorCode::slowdownStartCellTaken,
    ErrorCode::slowdownEndCellTaken,
    ErrorCode::slowdownCountdownCellTaken,
    ErrorCode::speedIndicatorCellTaken,
};

// The pass after the reading found no free cell for a mark of a signal or a slowdown.
constexpr std::initializer_list<ErrorCode> kMarkWithoutCell{
    ErrorCode::noCellForMarkBeforeSignalAheadOfBoard,
    ErrorCode::noCellForMarkBeforeSlowdown,
    ErrorCode::noCellForMarkInsideSlowdown,
};

bool isOneOf(ErrorCode code, std::initializer_list<ErrorCode> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

std::string cellObject(std::uint8_t kind, bool fromMarksPass) {
    switch (kind) {
        case scenario::CellKind::kSignal:
            return "a signal";
        case scenario::CellKind::kSlowdownEnd:
            return "the end of a slowdown";
        case scenario::CellKind::kSlowdownStart:
            return "the start of a slowdown";
        case scenario::CellKind::kWarningBoard:
            return "the warning board of a slowdown (1200 m before its start)";
        case scenario::CellKind::kCountdown:
            return "a countdown board of a slowdown (before its warning board)";
        case scenario::CellKind::kSpeedIndicator:
            return "a speed indicator board";
        case scenario::CellKind::kStationStop:
            return "the stop point of a station";
        case scenario::CellKind::kMark:
        case scenario::CellKind::kMarkWithoutSpeed:
            return fromMarksPass ? "a speed-supervision mark the compiler adds"
                                 : "an abbattimento mark";
        case scenario::CellKind::kLocationBoard:
            return "a location board";
        default:
            return "an object of kind " + std::to_string(kind);
    }
}

// The first kilometre progressive record that is not in 50 m steps: the compiler finds the
// fault only after reading both descriptions and names no record.
int progressiveLine(const RecordTrace& trace) {
    using scenario::RecordKind;
    for (const RecordTrace::Record& r : trace.records()) {
        if (r.kind != RecordKind::progressiveTre && r.kind != RecordKind::progressiveDue &&
            r.kind != RecordKind::progressiveUno) {
            continue;
        }
        const std::optional<std::int32_t> first = trace.number(r, 0);
        const std::optional<std::int32_t> second = trace.number(r, 1);
        if (first && second && (*first % 50 != 0 || *second % 50 != 0)) return r.place.line;
    }
    return 0;
}

class ErrorFinder {
  public:
    ErrorFinder(const CheckInputs& inputs, std::size_t limit)
        : in_(inputs),
          limit_(limit),
          line_(inputs.lineBytes),
          train_(inputs.trainBytes),
          lineLines_(inputs.lineBytes),
          trainLines_(inputs.trainBytes) {}

    ErrorScan run() {
        if (pass(false)) pass(true);
        return std::move(scan_);
    }

  private:
    // Compiles until no failure is left or one cannot be left out; returns whether the
    // descriptions were read through.
    bool pass(bool withTrain) {
        const std::string noTrain;
        for (;;) {
            const auto heard = std::make_shared<RecordTrace>();
            RecordTrace& trace = *heard;
            const bool asGiven = withTrain && blanked_.empty();
            const std::string& train = withTrain ? train_ : noTrain;
            scenario::Compilation compilation =
                scenario::compile({in_.lineName, in_.trainName},
                                  {scenario::inMemory(line_), scenario::inMemory(train)},
                                  // Nothing here looks at the plan's points.
                                  {.makeTrackPlan = in_.trackPlan ? 1 : 0,
                                   .observer = &trace,
                                   .planPoints = scenario::PlanPoints::drawingOnly});
            ++scan_.compilations;
            if (asGiven) {
                heard->setFailed(compilation.model.error.errorCode != ErrorCode::none);
                scan_.trace = heard;
            }
            const scenario::ScenarioModel& model = compilation.model;
            if (model.error.errorCode == scenario::ErrorCode::none) {
                if (withTrain) checkStamps(compilation, trace);
                if (asGiven) scan_.compiled = cleanModel(std::move(compilation));
                return true;
            }
            if (scan_.errors.size() >= limit_) {
                scan_.limitReached = true;
                return false;
            }
            Diagnostic d;
            const std::optional<std::pair<Description, int>> skip =
                describe(model, compilation.reading, trace, d);
            add(std::move(d));
            if (!skip || !blanked_.insert(*skip).second) return false;
            // A record whose line holds nothing to leave out (an empty description) would fail
            // the same way again.
            if (!blank(*skip)) return false;
        }
    }

    const std::string& nameOf(Description file) const {
        return file == Description::line ? in_.lineFile : in_.trainFile;
    }
    // The lines of a description as given; blanking a record keeps every line where it was,
    // so they are those of the texts compiled as well.
    const SourceLines& linesOf(Description file) const {
        return file == Description::line ? lineLines_ : trainLines_;
    }

    void place(Diagnostic& d, Description file, scenario::SourcePlace at) const {
        d.file = nameOf(file);
        d.line = at.line;
        d.column = at.column;
        attachSourceLine(d, linesOf(file));
    }

    // What holds `cell`, and which record put it there.
    std::optional<RelatedPlace> holderOf(const scenario::ScenarioModel& model,
                                         const RecordTrace& trace, std::int64_t cell) const {
        if (cell < 0 || cell >= static_cast<std::int64_t>(model.routeTable.size()))
            return std::nullopt;
        const RecordTrace::Record* by = trace.placer(cell);
        const std::uint8_t kind = model.routeTable[static_cast<std::size_t>(cell)].kind;
        RelatedPlace related;
        related.message = "cell " + std::to_string(cell) + " already holds " +
                          cellObject(kind, trace.placedByMarksPass(cell));
        if (by) {
            related.file = nameOf(by->file);
            related.line = by->place.line;
            related.column = by->place.column;
            related.message +=
                ", put there by the record at " + related.file + ":" + std::to_string(related.line);
        }
        return related;
    }

    std::optional<std::pair<Description, int>> describe(const scenario::ScenarioModel& model,
                                                        const scenario::ReadingResult& reading,
                                                        const RecordTrace& trace,
                                                        Diagnostic& d) const {
        const ErrorCode code = model.error.errorCode;
        const std::optional<RecordedFailure> failure =
            recordedFailure(model, reading, {in_.lineFile, in_.trainFile});
        d.severity = Severity::error;
        d.code = code;
        d.rule = errorRule(code);
        d.position = failure ? failure->position : std::nullopt;
        d.message = failure ? failure->message : std::string(scenario::describeErrorCode(code));
        d.hint = errorHint(code);
        const scenario::FailureSite& site = reading.site;
        std::optional<std::pair<Description, int>> skip;

        const bool markWithoutCell = isOneOf(code, kMarkWithoutCell);
        const bool placedByRecord = isOneOf(code, kCellTakenByRecord);
        if (failure && failure->file && failure->line > 0 &&
            !isOneOf(code, {ErrorCode::generalHeaderMissing, ErrorCode::noLineLength})) {
            place(d, site.file, site.place);
            const int recordLine = site.record.line > 0 ? site.record.line : site.place.line;
            skip = std::pair{site.file, recordLine};
        } else if (code == ErrorCode::progressiveNotMultipleOf50) {
            if (const int line = progressiveLine(trace); line > 0) {
                place(d, Description::line, {line, 1});
                skip = std::pair{Description::line, line};
            }
        } else if (markWithoutCell && d.position) {
            // The mark belongs to a signal or a slowdown; blame its record.
            std::int64_t cell = *d.position / 50;
            if (code == ErrorCode::noCellForMarkInsideSlowdown) {
                while (cell > 0 && model.routeTable[static_cast<std::size_t>(cell)].kind !=
                                       scenario::CellKind::kSlowdownStart) {
                    --cell;
                }
            }
            if (const RecordTrace::Record* by = trace.placer(cell)) {
                place(d, by->file, by->place);
                skip = std::pair{by->file, by->place.line};
            }
        } else if (isOneOf(code, {ErrorCode::lineDescriptionMissing,
                                  ErrorCode::generalHeaderMissing, ErrorCode::noLineLength})) {
            d.file = in_.lineFile;
        }
        if ((placedByRecord || markWithoutCell) && trace.lastTaken()) {
            d.heldBy = holderOf(model, trace, *trace.lastTaken());
        }
        if (code == ErrorCode::positionOutsideRoute) tellOutsideRoute(model, trace, site, d);
        return skip;
    }

    // Which value of the record is out and where the route ends, at the length record.
    void tellOutsideRoute(const scenario::ScenarioModel& model, const RecordTrace& trace,
                          const scenario::FailureSite& site, Diagnostic& d) const {
        const auto& records = trace.records();
        const auto failing = std::find_if(records.rbegin(), records.rend(), [&](const auto& r) {
            return r.file == site.file && r.place == site.record;
        });
        if (failing == records.rend()) return;
        const std::optional<OutsideRoute> out = outsideRoute(trace, *failing, model.lastCell);
        if (!out) return;
        d.message += ": " + out->detail;
        if (out->field < failing->numberCount) {
            place(d, site.file, trace.numberSpan(*failing, out->field).start);
        }
        if (out->lengthRecord) {
            RelatedPlace length;
            length.file = in_.lineFile;
            length.line = out->lengthRecord->place.line;
            length.column = out->lengthRecord->place.column;
            length.message = "the route ends 7000 m past the line's length of " +
                             std::to_string(out->lineLength) + " m, given at " + length.file + ":" +
                             std::to_string(length.line);
            d.related.push_back(std::move(length));
        }
    }

    void checkStamps(const scenario::Compilation& compilation, const RecordTrace& trace) {
        const std::optional<ErrorCode> stopped = scenario::stampFailure(compilation.stamp);
        if (!stopped) return;
        Diagnostic d;
        d.code = *stopped;
        d.rule = errorRule(d.code);
        d.message = std::string(scenario::describeErrorCode(d.code));
        d.hint = errorHint(d.code);
        if (const RecordTrace::Record* by = trace.placer(1)) {
            place(d, by->file, by->place);
            d.heldBy = holderOf(compilation.model, trace, 1);
        }
        add(std::move(d));
    }

    void add(Diagnostic d) {
        d.afterSkip = !blanked_.empty();
        scan_.errors.push_back(std::move(d));
    }

    // Leaves the record out: its line becomes blanks, so that every later line keeps its number.
    // Returns whether that changed the text.
    bool blank(const std::pair<Description, int>& at) {
        std::string& text = at.first == Description::line ? line_ : train_;
        bool changed = false;
        if (const auto range = linesOf(at.first).byteRange(at.second)) {
            for (std::size_t i = range->first; i < range->second; ++i) {
                changed = changed || text[i] != ' ';
                text[i] = ' ';
            }
        }
        return changed;
    }

    const CheckInputs& in_;
    const std::size_t limit_;
    std::string line_;
    std::string train_;
    const SourceLines lineLines_;
    const SourceLines trainLines_;
    std::set<std::pair<Description, int>> blanked_;
    ErrorScan scan_;
};

}  // namespace

std::shared_ptr<const scenario::ScenarioModel> cleanModel(scenario::Compilation&& compilation) {
    if (compilation.stamp != scenario::StampResult::stamped ||
        compilation.model.error.errorCode != ErrorCode::none) {
        return nullptr;
    }
    compilation.model.observer = nullptr;
    return std::make_shared<const scenario::ScenarioModel>(std::move(compilation.model));
}

ErrorScan findErrors(const CheckInputs& inputs, std::size_t limit) {
    return ErrorFinder(inputs, limit).run();
}

std::string errorHint(ErrorCode code) {
    switch (code) {
        using enum ErrorCode;
        case lineTooLong:
            return "give a line length of at most 1000000 m";
        case progressiveNotMultipleOf50:
            return "write each kilometre progressive value as a multiple of 50";
        case firstRepetitionNotMultipleOf50:
        case secondRepetitionNotMultipleOf50:
            return "write both signal-repetition values as multiples of 50";
        case repetitionKeywordWithout4Or9:
            return "put \"4\" or \"9\" in the signal-repetition keyword, as in \"ripetizione "
                   "segnali 4 codici\"";
        case locationBoardCellTaken:
        case speedIndicatorCellTaken:
            return "move the board to a free 50 m cell, or move what holds the cell";
        case abbattimentoCellTaken:
            return "move the mark to a free 50 m cell, or move what holds the cell";
        case stationPositionNotMultipleOf50:
            return "put the station at a multiple of 50 m";
        case stationLengthNotMultipleOf100:
            return "give the station a length that is a multiple of 100 m";
        case tooManyStations:
            return "use fewer stations: with B location boards at most 78 - B stations fit";
        case noCellForMarkBeforeSignalAheadOfBoard:
            return "keep one of the two cells before the signal free, or move the slowdown's "
                   "warning board";
        case noCellForMarkBeforeSlowdown:
            return "keep a cell free 250 to 350, 550 to 650 and 900 to 1000 m before the "
                   "slowdown's start";
        case noCellForMarkInsideSlowdown:
            return "leave free cells inside the slowdown every 400 m and before the signal after "
                   "it";
        case positionOutsideRoute:
            return "keep the position at least 100 m (a station 800 m) before the end of the line";
        case signalCellTaken:
            return "move the signal to a free 50 m cell, or move what holds the cell";
        case slowdownWarningBoardCellTaken:
            return "move the slowdown so that the cell 1200 m before its start is free";
        case slowdownStartCellTaken:
            return "move the slowdown's start to a free 50 m cell";
        case slowdownEndCellTaken:
            return "change the slowdown's length so that it ends in a free 50 m cell";
        case slowdownCountdownCellTaken:
            return "keep the four cells before the slowdown's warning board free, or set its "
                   "countdown field to 0";
        case stationAreaTooClose:
            return "keep 350 m between station areas and list stations in increasing position";
        case stationAreaEndsTooEarly:
            return "move the station so that its area ends after 100 m";
        case readFailure:
            return "give every record all its fields, as whole numbers that fit their field";
        case lineDescriptionMissing:
            return "give the line description's path";
        case generalHeaderMissing:
            return "start the line description's general section with a \"[generale]\" line";
        case curveWithoutClassOrPastPlan:
            return "write the curve class as a digit 1 to 6 in the keyword, as in \"curvas3\", and "
                   "keep the curve on the line";
        case noLineLength:
            return "give the line length in the general section, as in \"lunghezza percorso, "
                   "169000\"";
        case tooManyMountainStretches:
            return "use at most 80 mountain stretches";
        case tooManyLocationBoards:
            return "use at most 81 location boards";
        case dataOverFormatStamps:
        case dataOverScenarioCodes:
            return "keep the first 50 m of the line free of signals, slowdowns and boards";
        case none:
            break;
    }
    return "";
}

std::string errorRule(ErrorCode code) {
    return "error-" + std::to_string(scenario::codeNumber(code));
}

}  // namespace tool
