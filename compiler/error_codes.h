// The failure codes the compiler records, by name, and the catalogue that tells each in words
// for the people who write descriptions.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace scenario {

// Every code a compilation can record in ErrorState::errorCode, and the two codes that stop it
// before any compiled file is written. The values are the numbers the installer shows (" Errore
// n. 16") and docs/errors.md lists; they never change.
enum class ErrorCode : std::int32_t {
    none = 0,
    lineTooLong = 1,
    progressiveNotMultipleOf50 = 2,
    firstRepetitionNotMultipleOf50 = 3,
    secondRepetitionNotMultipleOf50 = 4,
    repetitionKeywordWithout4Or9 = 5,
    locationBoardCellTaken = 6,
    abbattimentoCellTaken = 7,
    stationPositionNotMultipleOf50 = 8,
    stationLengthNotMultipleOf100 = 9,
    tooManyStations = 10,
    noCellForMarkBeforeSignalAheadOfBoard = 11,
    noCellForMarkBeforeSlowdown = 12,
    noCellForMarkInsideSlowdown = 13,
    positionOutsideRoute = 15,
    signalCellTaken = 16,
    slowdownWarningBoardCellTaken = 17,
    slowdownStartCellTaken = 18,
    slowdownEndCellTaken = 19,
    slowdownCountdownCellTaken = 20,
    speedIndicatorCellTaken = 21,
    stationAreaTooClose = 22,
    stationAreaEndsTooEarly = 24,
    readFailure = 25,
    lineDescriptionMissing = 101,
    generalHeaderMissing = 102,
    curveWithoutClassOrPastPlan = 103,
    noLineLength = 104,
    tooManyMountainStretches = 105,
    tooManyLocationBoards = 106,
    dataOverFormatStamps = 1250,
    dataOverScenarioCodes = 1251,
};

// What the compilation does after recording a code.
enum class AfterCode : std::uint8_t {
    stopsReading,  // the reader stops at the failing record
    endsPhase,     // the reading of the description ends as at its end; what follows still runs
    goesOn,        // recorded by a pass after the reading, which stops nothing
    stopsCompile,  // no compiled file is written
};

// The number the installer shows and the tools print for `code`.
constexpr std::int32_t codeNumber(ErrorCode code) {
    return static_cast<std::int32_t>(code);
}

// Every code but none, in increasing number.
std::span<const ErrorCode> everyErrorCode();

// The code shown as `number`, or nothing for a number that names no code.
std::optional<ErrorCode> errorCodeNumbered(std::int32_t number);

// A short description of `code`, or an empty view for none.
std::string_view describeErrorCode(ErrorCode code);

// Whether a recorded code carries a position in metres in errorPosition.
bool errorCodeHasPosition(ErrorCode code);

// What the compilation does after `code`.
AfterCode afterErrorCode(ErrorCode code);

}  // namespace scenario
