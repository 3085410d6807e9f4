// A failure the compiler recorded, told in words with the place in the descriptions that
// caused it, as `file:line:column: error CODE at POSITION m: words`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/error_codes.h"
#include "compiler/memorizza_dati.h"
#include "compiler/scenario_model.h"

namespace tool {

struct RecordedFailure {
    scenario::ErrorCode code = scenario::ErrorCode::none;
    std::optional<std::int32_t> position;  // metres, for the codes that carry one
    std::optional<std::string> file;       // the description as named on the command line
    int line = 0;                          // 0 when the place is not known
    int column = 0;
    std::string message;  // the code in words, with the reader's detail for read failures
    // The description's line `line`, UTF-8, when known; a long line is cut around the column
    // (see sourceExcerpt), and sourceColumn is the failure's column in what is kept.
    std::optional<std::string> sourceLine;
    int sourceColumn = 0;
};

struct DescriptionNames {
    std::string_view line;
    std::string_view train;
};

// The descriptions' bytes, for the line a failure points at.
struct DescriptionTexts {
    std::string_view line;
    std::string_view train;
};

// The failure recorded in `model` after a compilation, or nothing when none was recorded.
// With `texts`, the failure also carries the line of the description it points at.
std::optional<RecordedFailure> recordedFailure(const scenario::ScenarioModel& model,
                                               const scenario::ReadingResult& reading,
                                               DescriptionNames names,
                                               const std::optional<DescriptionTexts>& texts = {});

// Text for a person, with control characters shown escaped (see shownText).
// One line without its end, e.g. "b-.txt:87:1: error 16 at 35150 m: signal cell already taken";
// what is not known (file, line, position) is left out.
std::string formatFailure(const RecordedFailure& failure);

// The same line followed, when the source line is known, by that line and a caret under the
// column, each indented by four blanks; every line ends with a line end.
std::string formatFailureWithContext(const RecordedFailure& failure);

}  // namespace tool
