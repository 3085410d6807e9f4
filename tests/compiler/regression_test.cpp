// Inputs that broke the compiler under fuzzing, each reduced to the smallest that shows it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/compiled_file_reader.h"

namespace scenario {
namespace {

// A line plan file whose variant tag has a high byte was read as the tag of its low byte:
// 01 00 as an empty point, 05 01 as a double. The tags are 0, 2 and 5, nothing else.
TEST(Regression, PlanDecoderRefusesTagsWithAHighByte) {
    const std::vector<std::string> files = {
        std::string("\x00\x01\x00\x00", 4),
        std::string("\x05\x01\x00\x00\x00\x00\x00\x00\xf0\x3f\x00\x00", 12),
        std::string("\x02\x01\x07\x00\x00\x00", 6),
    };
    for (const std::string& bytes : files) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        try {
            decodeTrackPlan(bytes);
            ADD_FAILURE() << "decoded";
        } catch (const DecodeError& e) {
            EXPECT_EQ(e.offset(), 0u);
        }
    }
}

}  // namespace
}  // namespace scenario
