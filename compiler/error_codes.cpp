#include "compiler/error_codes.h"

#include <algorithm>
#include <array>

namespace scenario {
namespace {

struct CodeEntry {
    ErrorCode code;
    AfterCode after;
    bool hasPosition;
    std::string_view text;
};

using enum ErrorCode;
using enum AfterCode;

constexpr std::array kCatalogue{
    CodeEntry{lineTooLong, stopsReading, false, "line length above 1000000 m"},
    CodeEntry{progressiveNotMultipleOf50, goesOn, false,
              "a kilometre progressive is not a multiple of 50"},
    CodeEntry{firstRepetitionNotMultipleOf50, stopsReading, false,
              "first signal-repetition value is not a multiple of 50"},
    CodeEntry{secondRepetitionNotMultipleOf50, stopsReading, false,
              "second signal-repetition value is not a multiple of 50"},
    CodeEntry{repetitionKeywordWithout4Or9, stopsReading, false,
              "signal-repetition keyword holds neither 4 nor 9"},
    CodeEntry{locationBoardCellTaken, stopsReading, true, "location board cell already taken"},
    CodeEntry{abbattimentoCellTaken, stopsReading, true, "abbattimento cell already taken"},
    CodeEntry{stationPositionNotMultipleOf50, stopsReading, true,
              "station position is not a multiple of 50"},
    CodeEntry{stationLengthNotMultipleOf100, stopsReading, true,
              "station length is not a multiple of 100"},
    CodeEntry{tooManyStations, stopsReading, false,
              "too many stations: they reach the entries of the location boards"},
    CodeEntry{noCellForMarkBeforeSignalAheadOfBoard, goesOn, true,
              "no free cell for the mark before a signal ahead of a warning board"},
    CodeEntry{noCellForMarkBeforeSlowdown, goesOn, true,
              "no free cell for a mark before a slowdown start"},
    CodeEntry{noCellForMarkInsideSlowdown, goesOn, true,
              "no free cell for a mark inside a slowdown or before the signal after it"},
    CodeEntry{positionOutsideRoute, endsPhase, true, "position outside the route"},
    CodeEntry{signalCellTaken, stopsReading, true, "signal cell already taken"},
    CodeEntry{slowdownWarningBoardCellTaken, stopsReading, true,
              "slowdown warning board cell already taken"},
    CodeEntry{slowdownStartCellTaken, stopsReading, true, "slowdown start cell already taken"},
    CodeEntry{slowdownEndCellTaken, stopsReading, true, "slowdown end cell already taken"},
    CodeEntry{slowdownCountdownCellTaken, stopsReading, true,
              "slowdown countdown cell already taken"},
    CodeEntry{speedIndicatorCellTaken, stopsReading, true,
              "speed indicator board cell already taken"},
    CodeEntry{stationAreaTooClose, stopsReading, true,
              "station area starts less than 350 m after the previous one ends"},
    CodeEntry{stationAreaEndsTooEarly, stopsReading, false, "station area ends at or before 100 m"},
    CodeEntry{readFailure, stopsReading, false, "read failure"},
    CodeEntry{lineDescriptionMissing, stopsReading, false, "the line description does not exist"},
    CodeEntry{generalHeaderMissing, stopsReading, false,
              "the line description has no [generale] header"},
    CodeEntry{curveWithoutClassOrPastPlan, stopsReading, false,
              "curve without a class 1 to 6, or running past the end of the track plan"},
    CodeEntry{noLineLength, stopsReading, false,
              "the line description gives no line length of 0 m or more"},
    CodeEntry{tooManyMountainStretches, stopsReading, true, "more than 80 mountain stretches"},
    CodeEntry{tooManyLocationBoards, stopsReading, true, "more than 81 location boards"},
    CodeEntry{dataOverFormatStamps, stopsCompile, false, "data in the place of the format stamps"},
    CodeEntry{dataOverScenarioCodes, stopsCompile, false,
              "data in the place of the scenario codes"},
};

// The catalogue lists each code once, in increasing number.
constexpr bool inIncreasingNumber() {
    for (std::size_t i = 1; i < kCatalogue.size(); ++i) {
        if (codeNumber(kCatalogue[i - 1].code) >= codeNumber(kCatalogue[i].code)) return false;
    }
    return true;
}
static_assert(inIncreasingNumber());

constexpr auto kEveryCode = [] {
    std::array<ErrorCode, kCatalogue.size()> codes{};
    for (std::size_t i = 0; i < kCatalogue.size(); ++i) codes[i] = kCatalogue[i].code;
    return codes;
}();

const CodeEntry* find(ErrorCode code) {
    const auto it = std::find_if(kCatalogue.begin(), kCatalogue.end(),
                                 [code](const CodeEntry& c) { return c.code == code; });
    return it == kCatalogue.end() ? nullptr : &*it;
}

}  // namespace

std::span<const ErrorCode> everyErrorCode() {
    return kEveryCode;
}

std::optional<ErrorCode> errorCodeNumbered(std::int32_t number) {
    const CodeEntry* c = find(static_cast<ErrorCode>(number));
    return c ? std::optional{c->code} : std::nullopt;
}

std::string_view describeErrorCode(ErrorCode code) {
    const CodeEntry* c = find(code);
    return c ? c->text : std::string_view{};
}

bool errorCodeHasPosition(ErrorCode code) {
    const CodeEntry* c = find(code);
    return c && c->hasPosition;
}

AfterCode afterErrorCode(ErrorCode code) {
    const CodeEntry* c = find(code);
    return c ? c->after : goesOn;
}

}  // namespace scenario
