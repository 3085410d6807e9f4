#include "tools/diagnostics/failure_report.h"

#include <gtest/gtest.h>

namespace tool {
namespace {

using scenario::Description;

using scenario::ErrorCode;

struct Recorded {
    ErrorCode code;
    std::int32_t position;
    scenario::FailureSite site;
};

std::optional<RecordedFailure> report(const Recorded& r) {
    scenario::ScenarioModel model;
    model.error.errorCode = r.code;
    model.error.errorPosition = r.position;
    scenario::ReadingResult reading;
    reading.site = r.site;
    return recordedFailure(model, reading, {"dir/L_linea.txt", "L_T-.txt"});
}

TEST(RecordedFailure, NoneWhenNothingWasRecorded) {
    EXPECT_EQ(report({ErrorCode::none, 500, {Description::train, {3, 1}, {}}}), std::nullopt);
}

TEST(RecordedFailure, TellsWhatIsKnownOfTheFailure) {
    struct Case {
        Recorded recorded;
        const char* line;
    };
    const Case cases[] = {
        {{ErrorCode::signalCellTaken, 35150, {Description::train, {87, 1}, {}}},
         "L_T-.txt:87:1: error 16 at 35150 m: signal cell already taken"},
        {{ErrorCode::locationBoardCellTaken, 4000, {Description::line, {12, 3}, {}}},
         "dir/L_linea.txt:12:3: error 6 at 4000 m: location board cell already taken"},
        // A code without a position leaves out the position it still holds from before.
        {{ErrorCode::firstRepetitionNotMultipleOf50, 777, {Description::line, {4, 1}, {}}},
         "dir/L_linea.txt:4:1: error 3: first signal-repetition value is not a multiple of 50"},
        // Known description, unknown place.
        {{ErrorCode::lineDescriptionMissing, 0, {Description::line, {}, {}}},
         "dir/L_linea.txt: error 101: the line description does not exist"},
        // No record at all: the progressive check at the end of the train.
        {{ErrorCode::progressiveNotMultipleOf50, 0, {Description::none, {}, {}}},
         "error 2: a kilometre progressive is not a multiple of 50"},
        {{ErrorCode::readFailure,
          0,
          {Description::train, {9, 14}, "the file ends inside a record"}},
         "L_T-.txt:9:14: error 25: read failure: the file ends inside a record"},
        // A number the compiler never records.
        {{static_cast<ErrorCode>(999), 0, {Description::none, {}, {}}},
         "error 999: unknown failure"},
    };
    for (const Case& c : cases) {
        const auto failure = report(c.recorded);
        ASSERT_TRUE(failure.has_value()) << c.line;
        EXPECT_EQ(formatFailure(*failure), c.line);
    }
}

// The signal marks run after reading: a site the readers left behind belongs to another
// failure and must not be told as the place of theirs.
TEST(RecordedFailure, MarkFailuresHaveNoPlaceInTheDescriptions) {
    for (const ErrorCode code :
         {ErrorCode::noCellForMarkBeforeSignalAheadOfBoard, ErrorCode::noCellForMarkBeforeSlowdown,
          ErrorCode::noCellForMarkInsideSlowdown}) {
        const auto failure = report({code, 1000, {Description::train, {40, 1}, "stale"}});
        ASSERT_TRUE(failure.has_value());
        const std::string number = std::to_string(scenario::codeNumber(code));
        EXPECT_EQ(failure->file, std::nullopt) << number;
        EXPECT_EQ(failure->line, 0) << number;
        EXPECT_EQ(formatFailure(*failure).rfind("error " + number + " at 1000 m: ", 0), 0u)
            << formatFailure(*failure);
    }
}

}  // namespace
}  // namespace tool
