// The numbers of the error codes are what the installer shows (" Errore n. 16") and what
// authors look up: a name may change, its number never.
#include "compiler/error_codes.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/compiler/error_code_printer.h"

namespace scenario {
namespace {

TEST(ErrorCodes, EveryNameKeepsItsNumber) {
    struct Case {
        ErrorCode code;
        std::int32_t number;
    };
    using enum ErrorCode;
    const Case cases[] = {
        {none, 0},
        {lineTooLong, 1},
        {progressiveNotMultipleOf50, 2},
        {firstRepetitionNotMultipleOf50, 3},
        {secondRepetitionNotMultipleOf50, 4},
        {repetitionKeywordWithout4Or9, 5},
        {locationBoardCellTaken, 6},
        {abbattimentoCellTaken, 7},
        {stationPositionNotMultipleOf50, 8},
        {stationLengthNotMultipleOf100, 9},
        {tooManyStations, 10},
        {noCellForMarkBeforeSignalAheadOfBoard, 11},
        {noCellForMarkBeforeSlowdown, 12},
        {noCellForMarkInsideSlowdown, 13},
        {positionOutsideRoute, 15},
        {signalCellTaken, 16},
        {slowdownWarningBoardCellTaken, 17},
        {slowdownStartCellTaken, 18},
        {slowdownEndCellTaken, 19},
        {slowdownCountdownCellTaken, 20},
        {speedIndicatorCellTaken, 21},
        {stationAreaTooClose, 22},
        {stationAreaEndsTooEarly, 24},
        {readFailure, 25},
        {lineDescriptionMissing, 101},
        {generalHeaderMissing, 102},
        {curveWithoutClassOrPastPlan, 103},
        {noLineLength, 104},
        {tooManyMountainStretches, 105},
        {tooManyLocationBoards, 106},
        {dataOverFormatStamps, 1250},
        {dataOverScenarioCodes, 1251},
    };
    std::set<std::int32_t> numbers;
    for (const Case& c : cases) {
        EXPECT_EQ(codeNumber(c.code), c.number);
        numbers.insert(c.number);
        if (c.code == none) {
            EXPECT_EQ(errorCodeNumbered(c.number), std::nullopt);
        } else {
            EXPECT_EQ(errorCodeNumbered(c.number), c.code) << c.number;
        }
    }
    // The table names every code there is.
    EXPECT_EQ(numbers.size(), everyErrorCode().size() + 1);
    for (const ErrorCode code : everyErrorCode()) {
        EXPECT_TRUE(numbers.contains(codeNumber(code))) << codeNumber(code);
    }
    EXPECT_EQ(errorCodeNumbered(14), std::nullopt);
    EXPECT_EQ(errorCodeNumbered(23), std::nullopt);
}

}  // namespace
}  // namespace scenario
