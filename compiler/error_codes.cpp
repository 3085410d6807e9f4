#include "compiler/error_codes.h"

#include <algorithm>
#include <array>

namespace scenario {
namespace {

struct CodeText {
    std::int32_t code;
    bool hasPosition;
    std::string_view text;
};

constexpr std::array kCodes{
    CodeText{1, false, "line length above 1000000 m"},
    CodeText{2, false, "a kilometre progressive is not a multiple of 50"},
    CodeText{3, false, "first signal-repetition value is not a multiple of 50"},
    CodeText{4, false, "second signal-repetition value is not a multiple of 50"},
    CodeText{5, false, "signal-repetition keyword holds neither 4 nor 9"},
    CodeText{6, true, "location board cell already taken"},
    CodeText{7, true, "abbattimento cell already taken"},
    CodeText{8, true, "station position is not a multiple of 50"},
    CodeText{9, true, "station length is not a multiple of 100"},
    CodeText{10, false, "too many stations: they reach the entries of the location boards"},
    CodeText{11, true, "no free cell for the mark before a signal ahead of a warning board"},
    CodeText{12, true, "no free cell for a mark before a slowdown start"},
    CodeText{13, true, "no free cell for a mark inside a slowdown or before the signal after it"},
    CodeText{15, true, "position outside the route"},
    CodeText{16, true, "signal cell already taken"},
    CodeText{17, true, "slowdown warning board cell already taken"},
    CodeText{18, true, "slowdown start cell already taken"},
    CodeText{19, true, "slowdown end cell already taken"},
    CodeText{20, true, "slowdown countdown cell already taken"},
    CodeText{21, true, "speed indicator board cell already taken"},
    CodeText{22, true, "station area starts less than 350 m after the previous one ends"},
    CodeText{24, false, "station area ends at or before 100 m"},
    CodeText{25, false, "read failure"},
    CodeText{101, false, "the line description does not exist"},
    CodeText{102, false, "the line description has no [generale] header"},
    CodeText{103, false, "curve without a class 1 to 6, or running past the end of the track plan"},
    CodeText{104, false, "the line description gives no line length of 0 m or more"},
    CodeText{105, true, "more than 80 mountain stretches"},
    CodeText{106, true, "more than 81 location boards"},
    CodeText{1250, false, "data in the place of the format stamps"},
    CodeText{1251, false, "data in the place of the scenario codes"},
};

const CodeText* find(std::int32_t code) {
    const auto it = std::find_if(kCodes.begin(), kCodes.end(),
                                 [code](const CodeText& c) { return c.code == code; });
    return it == kCodes.end() ? nullptr : &*it;
}

}  // namespace

std::string_view describeErrorCode(std::int32_t code) {
    const CodeText* c = find(code);
    return c ? c->text : std::string_view{};
}

bool errorCodeHasPosition(std::int32_t code) {
    const CodeText* c = find(code);
    return c && c->hasPosition;
}

}  // namespace scenario
