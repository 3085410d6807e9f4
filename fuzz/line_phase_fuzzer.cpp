// The line phase: the input is the line description, read with the track plan built, before a
// small fixed train description whose objects meet whatever the line placed.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"

namespace {

constexpr std::string_view kTrain =
    "[generale]\r\n"
    "velocita, 0, 100\r\n"
    "aderenza, 0, 100\r\n"
    "segnale, 2000, 2, 3, 1, 0, 0, 2, 2,1,0, 0\r\n"
    "rallentamento, 5000, 30, 300, 1, 1, 0\r\n"
    "stazione, 3150, 2, 600, 1, 1, 0, 4,1,1, 2,1,1, 60, 9,13,0, A\r\n"
    "[fine]\r\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    scenario::fuzz::compileChecked(line, kTrain, 1);
    return 0;
}
